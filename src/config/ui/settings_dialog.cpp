#include "config/ui/settings_dialog.h"

#include "card/card_discovery.h"
#include "config/config_file.h"
#include "config/ui/pages/adas_page.h"
#include "config/ui/pages/additional_page.h"
#include "config/ui/pages/audio_page.h"
#include "config/ui/pages/basic_page.h"
#include "config/ui/pages/gps_page.h"
#include "config/ui/pages/parking_mode_page.h"
#include "config/ui/pages/video_page.h"
#include "route/ui/driving_route_page.h"
#include "toolkit/ui/ui_text.h"

#include <QFile>
#include <QFileDialog>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>

#include <algorithm>

namespace dravonix {
namespace {

QString askWithSaveDialog(QWidget* parent)
{
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilters({QStringLiteral("Binary Files (*.bin)"), QStringLiteral("All Files (*)")});
    dialog.setDefaultSuffix(QStringLiteral("bin"));
    dialog.selectFile(QStringLiteral("config.bin"));
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
}

QString shownPath(const std::filesystem::path& path) { return QFile::decodeName(QByteArray::fromStdString(path.string())); }

std::filesystem::path nativePath(const QString& path) { return QFile::encodeName(path).toStdString(); }

QString failureText(const SaveFailure& failure)
{
    if (failure.messageId == 230) // the range, written the C way whatever the locale
        return QString::asprintf(uiString(230).toUtf8().constData(), 0.05, 1.5);
    if (failure.messageId != 0)
        return uiString(failure.messageId);
    return QString::fromStdString(failure.message);
}

} // namespace

SettingsDialog::SettingsDialog(Volumes& volumes, QWidget* parent, FileChooser askForFile, MessagePresenter present)
    : QDialog(parent), volumes_(volumes), askForFile_(askForFile ? std::move(askForFile) : FileChooser(askWithSaveDialog)),
      formatCommand_(volumes, FormatServices::system())
{
    setObjectName(QStringLiteral("settingsDialog"));
    if (present) {
        context_.present = std::move(present);
        FormatServices services = FormatServices::system();
        services.present = context_.present;
        formatCommand_.setServices(std::move(services));
    }
    setWindowTitle(QStringLiteral("Device Settings"));
    keptTitle_ = windowTitle();

    context_.config.defaults(false);
    context_.drivingLevel = 2;
    context_.parkingLevel = 4;
    openCard();
    buildFrame();

    if (!readProblem_.isEmpty()) // after the dialog is up, so that the message sits over it
        QTimer::singleShot(0, this, [this] { context_.present(this, {QMessageBox::Warning, windowTitle(), readProblem_}); });
}

void SettingsDialog::openCard()
{
    if (!findCard(volumes_, configPath_))
        return;
    const auto read = readConfigFile(configPath_, context_.config);
    if (!read) {
        // The pages would show the defaults as if they were the card's: say so.
        readProblem_ = QStringLiteral("The settings on the card could not be read (%1).\n\nThe pages show the default "
                                      "settings, and Save replaces the card's file with what they show.")
                           .arg(QString::fromStdString(read.error().message));
        return;
    }
    context_.deriveLevels();
}

void SettingsDialog::buildFrame()
{
    setFixedSize(640, 600);
    tabs_ = new QTabWidget(this);
    tabs_->setObjectName(QStringLiteral("settingsTabs"));
    tabs_->setGeometry(2, 2, 632, 518);
    tabs_->setFont(uiFont(100));
    tabs_->setUsesScrollButtons(false);

    video_ = new VideoPage(context_);
    basic_ = new BasicPage(context_);
    gps_ = new GpsPage(context_);
    additional_ = new AdditionalPage(context_);
    parking_ = new ParkingModePage(context_);
    adas_ = new AdasPage(context_);
    audio_ = new AudioPage(context_);
    information_ = new DrivingRoutePage(volumes_);
    information_->setMessagePresenter(context_.present);
    // Opening the Parking Mode page may switch night vision off in the
    // record: the Video page, made before it, shows the record once more.
    video_->showRecord();

    const std::pair<QWidget*, int> pages[] = {{video_, 290}, {basic_, 291},      {gps_, 292},   {additional_, 293},
                                              {parking_, 340}, {adas_, 341},    {audio_, 294}, {information_, 296}};
    for (const auto& [page, caption] : pages)
        tabs_->addTab(page, uiString(caption));
    tabs_->setCurrentIndex(0);
    connect(tabs_, &QTabWidget::currentChanged, this, [this](int index) {
        if (tabs_->widget(index) == information_)
            information_->fillTable();
    });
    connect(gps_, &GpsPage::speedUnitChanged, adas_, &AdasPage::speedUnitChanged);

    setWindowTitle(configPath_.empty() ? keptTitle_ : keptTitle_ + QStringLiteral(" : ") + shownPath(configPath_));

    const auto makeButton = [this](const QString& text, const char* name, QRect place) {
        auto* button = new QPushButton(text, this);
        button->setObjectName(QLatin1String(name));
        button->setFont(uiFont(100));
        button->setGeometry(place);
        return button;
    };
    constexpr int kTop = 536;
    constexpr int kWidth = 100;
    constexpr int kHeight = 32;
    formatButton_ = makeButton(QStringLiteral("SD Card Format"), "formatButton", QRect(8, kTop, 140, kHeight));
    connect(formatButton_, &QPushButton::clicked, this, [this] { formatCommand_.run(this, configPath()); });
    initializeButton_ = makeButton(QStringLiteral("Initialize"), "initializeButton", QRect(634 - 3 * kWidth - 12, kTop, kWidth, kHeight));
    saveButton_ = makeButton(QStringLiteral("Save"), "saveButton", QRect(634 - 2 * kWidth - 6, kTop, kWidth, kHeight));
    cancelButton_ = makeButton(QStringLiteral("Cancel"), "cancelButton", QRect(634 - kWidth, kTop, kWidth, kHeight));
    saveButton_->setDefault(true);
    connect(saveButton_, &QPushButton::clicked, this, [this] { save(); });
    connect(cancelButton_, &QPushButton::clicked, this, &QDialog::reject);
    connect(initializeButton_, &QPushButton::clicked, this, &SettingsDialog::initialize);
}

QString SettingsDialog::configPath() const { return shownPath(configPath_); }

void SettingsDialog::showFailure(const SaveFailure& failure)
{
    if (failure.field >= 0 && !failure.rewrittenText.empty())
        basic_->rewriteThreshold(failure.mode, failure.field, QString::fromStdString(failure.rewrittenText));
    context_.present(this, {QMessageBox::Warning, windowTitle(), failureText(failure)});
}

std::filesystem::path SettingsDialog::chooseTarget()
{
    // The card the settings came from must still be in: once it is out, its
    // mount point may be a plain folder of this computer's own disk.
    const std::vector<RemovableDrive> drives = volumes_.removableDrives();
    const bool fromCard = !configPath_.empty() && configPath_.filename() == "config.bin";
    if (fromCard && std::none_of(drives.begin(), drives.end(), [&](const RemovableDrive& d) {
            return std::filesystem::path(d.root + "config.bin") == configPath_;
        })) {
        context_.present(this, {QMessageBox::Warning, windowTitle(),
                                QStringLiteral("The card these settings came from (%1) is no longer there. Put it "
                                               "back in and save again; your changes are kept.")
                                    .arg(shownPath(configPath_.parent_path()))});
        return {};
    }
    if (const auto target = chooseConfigSaveTarget(configPath_, drives))
        return *target;
    const QString chosen = askForFile_(this);
    return chosen.isEmpty() ? std::filesystem::path() : nativePath(chosen);
}

SettingsDialog::SaveResult SettingsDialog::runSaveSteps()
{
    SaveInputs inputs;
    inputs.drivingCustom = basic_->customThresholds(ImpactMode::Driving);
    inputs.parkingCustom = basic_->customThresholds(ImpactMode::Parking);
    inputs.plate = basic_->plate();
    inputs.networkName = additional_->networkName();
    inputs.password = additional_->password();
    if (const auto failure = applySaveSteps(context_.config, context_.drivingLevel, context_.parkingLevel, inputs)) {
        showFailure(*failure);
        return SaveResult::Refused;
    }
    parking_->collect();
    basic_->collect();

    const std::filesystem::path target = chooseTarget();
    if (target.empty())
        return SaveResult::NoTarget;
    const WriteOutcome written = saveConfigFile(target, context_.config);
    if (written.writeProtected) {
        context_.present(this, {QMessageBox::Critical, QStringLiteral("Error"), uiString(300)});
        return SaveResult::WriteProtected;
    }
    if (!written.ok) {
        // Nothing was saved: say where and why, and keep the user's edits.
        context_.present(this, {QMessageBox::Warning, windowTitle(),
                                QStringLiteral("The settings could not be saved to %1.\n\n%2")
                                    .arg(shownPath(target), QString::fromStdString(written.message))});
        return SaveResult::Failed;
    }
    return SaveResult::Saved;
}

SettingsDialog::SaveResult SettingsDialog::save()
{
    const SaveResult result = runSaveSteps();
    if (result == SaveResult::Saved)
        accept();
    return result;
}

SettingsDialog::SaveResult SettingsDialog::saveToDrive(const QString& root)
{
    configPath_ = nativePath(root + QStringLiteral("config.bin"));
    return runSaveSteps();
}

void SettingsDialog::done(int result)
{
    information_->release();
    QDialog::done(result);
}

void SettingsDialog::initialize()
{
    const bool keepCardFields = findCard(volumes_, configPath_);
    context_.config.defaults(keepCardFields);
    context_.drivingLevel = 2;
    context_.parkingLevel = 4;
    context_.deriveLevels();
    for (SettingsPage* page : std::initializer_list<SettingsPage*>{video_, basic_, gps_, additional_, parking_, adas_, audio_})
        page->showRecord();
}

} // namespace dravonix
