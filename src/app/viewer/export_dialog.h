#pragma once
// "Export": a stretch of the drive handed over as clips, a combined video,
// the route and the hashes. The user checks the range the marks gave, picks
// the layout, the overlay and the target folder; the export runs on a thread
// of its own with a progress bar and Cancel, and ends by offering to open the
// folder.

#include "toolkit/ui/message.h"

#include <QDateTime>
#include <QDialog>
#include <QFutureWatcher>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>

class QCheckBox;
class QComboBox;
class QDateTimeEdit;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace dravonix {

// What the user chose. Times are the camera's clock, carried as UTC so no
// zone or summer-time rule of this computer moves them.
struct ExportChoices {
    QDateTime from;
    QDateTime to;
    bool sideBySide = true; // else the rear as an inset
    bool overlay = false;
    bool combined = true;
    QString targetFolder; // the folder the export's own folder is made in
    bool skipUnreadable = false; // leave out files that are missing or broken
};

struct ExportStep {
    int index = 0; // 0-based
    int count = 1;
    QString text;
    double fraction = 0.0; // of this step
};

struct ExportOutcome {
    bool ok = false;
    bool cancelled = false;
    QString folder;  // where the files are, when ok
    QString message; // why not, when not ok
    bool unreadableFiles = false; // some files can't be read: what can be read could still be exported
};

// Runs on a worker thread: reports steps (from that thread) and stops soon
// after `cancel` turns true, leaving no file under a final name.
using ExportRunner = std::function<ExportOutcome(const ExportChoices& choices,
                                                 const std::function<void(const ExportStep&)>& progress,
                                                 const std::atomic<bool>& cancel)>;

struct ExportServices {
    ExportRunner run;
    MessagePresenter present = showMessageBox;
    QuestionAsker ask = askYesNo;
    std::function<QString(QWidget* parent, const QString& start)> chooseFolder;
    std::function<void(const QString& folder)> openFolder;

    // The file dialog and the desktop's file manager; `run` still to be set.
    static ExportServices system();
};

class ExportDialog : public QDialog {
    Q_OBJECT
public:
    // `earliest` and `latest` bound what can be exported (the trip or the
    // recording playing); `from` and `to` are the marks, or those bounds.
    ExportDialog(const ExportChoices& initial, const QDateTime& earliest, const QDateTime& latest,
                 ExportServices services, QWidget* parent = nullptr);
    ~ExportDialog() override;

    // The Export command: false, with a message, when the choices can't be exported.
    bool start();
    bool running() const { return running_; }
    ExportChoices choices() const;

    QDateTimeEdit* fromEdit() const { return from_; }
    QDateTimeEdit* toEdit() const { return to_; }
    QComboBox* layoutList() const { return layout_; }
    QCheckBox* overlayBox() const { return overlay_; }
    QCheckBox* combinedBox() const { return combined_; }
    QLineEdit* folderEdit() const { return folder_; }
    QProgressBar* progressBar() const { return progress_; }
    QLabel* stepLabel() const { return step_; }
    QPushButton* exportButton() const { return export_; }
    QPushButton* cancelButton() const { return cancel_; }

    // Why the choices can't be exported; empty when they can.
    static QString refusal(const ExportChoices& choices, const QDateTime& earliest, const QDateTime& latest);

signals:
    void exportFinished(bool ok);

public:
    void reject() override; // Cancel: stops a running export, else closes

private:
    bool startWith(const ExportChoices& chosen);
    void showStep(const ExportStep& step);
    void finish(const ExportOutcome& outcome);
    void setRunning(bool on);

    QDateTime earliest_;
    QDateTime latest_;
    ExportServices services_;
    QDateTimeEdit* from_ = nullptr;
    QDateTimeEdit* to_ = nullptr;
    QComboBox* layout_ = nullptr;
    QCheckBox* overlay_ = nullptr;
    QCheckBox* combined_ = nullptr;
    QLineEdit* folder_ = nullptr;
    QPushButton* browse_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QLabel* step_ = nullptr;
    QPushButton* export_ = nullptr;
    QPushButton* cancel_ = nullptr;
    bool running_ = false;
    ExportChoices lastChoices_;
    std::shared_ptr<std::atomic<bool>> cancelFlag_;
    QFutureWatcher<ExportOutcome> job_;
};

} // namespace dravonix
