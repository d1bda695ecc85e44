#pragma once
// "Device Settings": the camera's config.bin on eight tab pages. Opening puts
// the defaults in, finds the card and reads its file; the pages edit the one
// record in place; Save checks the typed fields in a fixed order, completes
// the record and replaces the card's file as a whole with a fresh checksum.
// Cancel writes nothing; Initialize returns the record to its defaults.

#include "card/ui/format_dialog.h"
#include "card/volumes.h"
#include "config/ui/settings_context.h"
#include "config/settings_rules.h"

#include <QDialog>
#include <QString>

#include <filesystem>
#include <functional>

class QPushButton;
class QTabWidget;

namespace dravonix {

class AdasPage;
class AdditionalPage;
class AudioPage;
class BasicPage;
class DrivingRoutePage;
class GpsPage;
class ParkingModePage;
class VideoPage;

class SettingsDialog : public QDialog {
    Q_OBJECT
public:
    // Stands in for the save dialog (tests); an empty answer means cancelled.
    using FileChooser = std::function<QString(QWidget* parent)>;
    SettingsDialog(Volumes& volumes, QWidget* parent = nullptr, FileChooser askForFile = {},
                   MessagePresenter present = {});

    enum class SaveResult { Saved, Refused, NoTarget, WriteProtected, Failed };
    // The Save command: on success the dialog closes as accepted.
    SaveResult save();
    // Writes the record to the card at `root` (a volume's root, ending in a
    // separator) without closing, whatever the outcome.
    SaveResult saveToDrive(const QString& root);
    void initialize();

    const DeviceConfig& config() const { return context_.config; }
    const SettingsContext& context() const { return context_; }
    QString configPath() const;
    QTabWidget* tabs() const { return tabs_; }
    VideoPage* videoPage() const { return video_; }
    BasicPage* basicPage() const { return basic_; }
    GpsPage* gpsPage() const { return gps_; }
    AdditionalPage* additionalPage() const { return additional_; }
    ParkingModePage* parkingModePage() const { return parking_; }
    AdasPage* adasPage() const { return adas_; }
    AudioPage* audioPage() const { return audio_; }
    DrivingRoutePage* informationPage() const { return information_; }
    // What the "SD Card Format" command uses (tests put recorders in).
    void setFormatServices(FormatServices services) { formatCommand_.setServices(std::move(services)); }

    // Save and Cancel both end here: the route page lets its records and
    // its position window go.
    void done(int result) override;

private:
    void openCard();
    void buildFrame();
    SaveResult runSaveSteps();
    void showFailure(const SaveFailure& failure);
    std::filesystem::path chooseTarget();

    Volumes& volumes_;
    FileChooser askForFile_;
    SettingsContext context_;
    std::filesystem::path configPath_;
    QString keptTitle_;
    QString readProblem_;

    QTabWidget* tabs_ = nullptr;
    VideoPage* video_ = nullptr;
    BasicPage* basic_ = nullptr;
    GpsPage* gps_ = nullptr;
    AdditionalPage* additional_ = nullptr;
    ParkingModePage* parking_ = nullptr;
    AdasPage* adas_ = nullptr;
    AudioPage* audio_ = nullptr;
    DrivingRoutePage* information_ = nullptr;
    QPushButton* saveButton_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
    QPushButton* initializeButton_ = nullptr;
    QPushButton* formatButton_ = nullptr;
    CardFormatCommand formatCommand_;
};

} // namespace dravonix
