#pragma once
// "Information": the camera's driving-route log as a table. The log is looked
// for on the card when the page is made and the table is filled each time the
// tab is shown; Open reads another log, Export writes the table as CSV, and a
// double-click shows the selected records' positions in a window beside the
// dialog.

#include "card/volumes.h"
#include "route/driving_route.h"
#include "route/ui/position_window.h"
#include "toolkit/ui/message.h"

#include <QString>
#include <QWidget>

#include <filesystem>
#include <functional>
#include <memory>

class QLabel;
class QPushButton;
class QTableView;

namespace dravonix {

class RouteTableModel;

class DrivingRoutePage : public QWidget {
    Q_OBJECT
public:
    explicit DrivingRoutePage(const Volumes& volumes, QWidget* parent = nullptr);
    ~DrivingRoutePage() override;

    // Stand-ins for the file dialogs, message boxes, the map window and the
    // file writer; each defaults to the real one. An empty path is a cancel.
    using FileChooser = std::function<QString(QWidget* parent)>;
    using CsvWriter = std::function<WriteOutcome(const std::vector<DrivingRouteRecord>& records,
                                                 const std::filesystem::path& target, const RouteTitles& titles)>;
    void setMessagePresenter(MessagePresenter present) { present_ = std::move(present); }
    void setQuestionAsker(QuestionAsker ask) { ask_ = std::move(ask); }
    void setOpenChooser(FileChooser choose) { chooseOpen_ = std::move(choose); }
    void setSaveChooser(FileChooser choose) { chooseSave_ = std::move(choose); }
    void setPositionWindowFactory(PositionWindowFactory make) { makePositionWindow_ = std::move(make); }
    void setCsvWriter(CsvWriter write) { writeCsv_ = std::move(write); }

    // The table from the loaded records (the tab was shown).
    void fillTable();
    // Open: asks for a log, reads it and fills the table.
    void openFile();
    // Reads `path` in place of the loaded log; false, said to the user, when it can't be read.
    bool openRouteFile(const QString& path);

    enum class ExportResult { NothingToExport, Cancelled, Exported, Failed };
    ExportResult exportTable();

    // The selected rows, in table order, on the position window: the last one stays.
    void showSelectionOnMap();
    // Save or Cancel of the dialog: the records and the position window go.
    void release();

    QString routePath() const;
    QString status() const;
    QTableView* table() const { return table_; }
    RouteTableModel* model() const { return model_; }
    PositionWindow* positionWindow() const { return positionWindow_.get(); }
    // Where the position window goes: right of the page, at its top.
    QRect positionWindowGeometry() const;

private:
    // Reads the log at path_; the status line says what came of it.
    bool load(QString* problem);
    void showStatus();

    std::filesystem::path path_;
    DrivingRouteFile loaded_;
    bool isLoaded_ = false;
    QString status_;

    RouteTableModel* model_ = nullptr;
    QTableView* table_ = nullptr;
    QPushButton* export_ = nullptr;
    QPushButton* open_ = nullptr;
    QLabel* statusLine_ = nullptr;
    std::unique_ptr<PositionWindow> positionWindow_;

    MessagePresenter present_ = showMessageBox;
    QuestionAsker ask_ = askYesNo;
    FileChooser chooseOpen_;
    FileChooser chooseSave_;
    PositionWindowFactory makePositionWindow_ = makeMapPositionWindow;
    CsvWriter writeCsv_;
};

} // namespace dravonix
