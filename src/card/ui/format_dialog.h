#pragma once
// "SD Card Format": the file system and allocation unit of the card, and
// Start. Start refuses a card that must not be formatted, asks before
// anything is written, then formats on a thread of its own while a progress
// bar runs and the dialog keeps painting, and ends with the outcome.

#include "card/format_job.h"
#include "card/volumes.h"
#include "toolkit/ui/message.h"

#include <QDialog>
#include <QFutureWatcher>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;

namespace dravonix {

// What the dialog and its opening flow use of the world; tests replace them.
struct FormatServices {
    MessagePresenter present = showMessageBox;
    QuestionAsker ask = askYesNo;
    // The disk service for a device this user may not open; none where there is none.
    std::function<std::unique_ptr<DiskService>()> diskService;
    QString tempFolder; // empty: the system's temporary folder
    // "Select Drive": a folder the user picks; empty when cancelled.
    std::function<QString(QWidget* parent)> chooseDrive;

    static FormatServices system();
};

class FormatDialog : public QDialog {
    Q_OBJECT
public:
    // `cardPath` is the card's config.bin or the root of the chosen volume.
    FormatDialog(Volumes& volumes, const QString& cardPath, FormatServices services, QWidget* parent = nullptr);
    ~FormatDialog() override;

    // The Start command: true when the format began (it ends with formatFinished).
    bool start();
    bool formatting() const { return formatting_; }

    QComboBox* fileSystemList() const { return fileSystems_; }
    QComboBox* allocationUnitList() const { return units_; }
    QProgressBar* progressBar() const { return progress_; }
    QPushButton* startButton() const { return start_; }
    QPushButton* closeButton() const { return close_; }
    const std::optional<VolumeDevice>& device() const { return device_; }

signals:
    void formatFinished(bool ok);

public:
    void reject() override; // Close, Escape and the close box, but not while formatting

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void findVolume();
    void fillLists();
    QString refusal() const;
    bool askFirst();
    void finish(const FormatJobResult& result);
    void setFormatting(bool on);
    void tellUnavailable();

    Volumes& volumes_;
    QString cardPath_;
    QString root_;
    FormatServices services_;
    std::optional<RemovableDrive> drive_;
    std::optional<VolumeDevice> device_;
    bool formatting_ = false;
    QFutureWatcher<FormatJobResult> job_;

    QLabel* volumeLine_ = nullptr;
    QComboBox* fileSystems_ = nullptr;
    QComboBox* units_ = nullptr;
    QLabel* formattingLabel_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QPushButton* start_ = nullptr;
    QPushButton* close_ = nullptr;
};

// The settings dialog's "SD Card Format" command: the dialog on the card
// when one was found, otherwise on a volume the user selects, which must be
// one of the removable volumes (string 301 when it isn't).
class CardFormatCommand {
public:
    CardFormatCommand(Volumes& volumes, FormatServices services) : volumes_(volumes), services_(std::move(services)) {}
    void setServices(FormatServices services) { services_ = std::move(services); }
    void run(QWidget* parent, const QString& cardConfigPath);

private:
    Volumes& volumes_;
    FormatServices services_;
    bool selecting_ = false;
};

} // namespace dravonix
