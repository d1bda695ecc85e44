#include "config/ui/device_time_dialog.h"

#include "config/device_time.h"
#include "toolkit/ui/ui_text.h"
#include "views/true_time.h"

#include <QDateEdit>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QFormLayout>
#include <QLabel>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTimeEdit>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <filesystem>
#include <vector>

namespace dravonix {
namespace {

QString askWithSaveDialog(QWidget* parent)
{
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilters({QStringLiteral("Config Files (*.cfg)"), QStringLiteral("All Files (*.*)")});
    dialog.setDefaultSuffix(QStringLiteral("cfg"));
    dialog.selectFile(QStringLiteral("timeset.cfg"));
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
}

} // namespace

DeviceTimeDialog::DeviceTimeDialog(Volumes& volumes, QWidget* parent, FileChooser askForFile, Clock now)
    : QDialog(parent), volumes_(volumes), askForFile_(askForFile ? std::move(askForFile) : FileChooser(askWithSaveDialog)),
      now_(now ? std::move(now) : Clock([] { return QDateTime::currentDateTime(); }))
{
    setObjectName(QStringLiteral("deviceTimeDialog"));
    QString title = QStringLiteral("Device Time");
    if (const auto found = findDeviceTimeFile(volumes.removableDrives())) {
        timeFile_ = QFile::decodeName(QByteArray::fromStdString(found->string()));
        title += QStringLiteral(" - ") + timeFile_;
    }
    setWindowTitle(title);

    const QDateTime opened = now_();
    date_ = new QDateEdit(opened.date(), this);
    date_->setObjectName(QStringLiteral("date"));
    date_->setDisplayFormat(QLocale().dateFormat(QLocale::LongFormat));
    date_->setCalendarPopup(true);
    date_->setAlignment(Qt::AlignRight);
    time_ = new QTimeEdit(opened.time(), this);
    time_->setObjectName(QStringLiteral("time"));
    time_->setDisplayFormat(QStringLiteral("HH:mm:ss"));
    time_->setAlignment(Qt::AlignRight);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* saveButton = buttons->addButton(QStringLiteral("Save(&S)"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("Cancel(&C)"), QDialogButtonBox::RejectRole);
    saveButton->setDefault(true);
    connect(saveButton, &QPushButton::clicked, this, [this] { save(); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    // A change the user makes stops the following; the dialog's own updates
    // come with the signals blocked.
    connect(date_, &QDateEdit::dateChanged, this, [this] { edited_ = true; });
    connect(time_, &QTimeEdit::timeChanged, this, [this] { edited_ = true; });
    auto* tick = new QTimer(this);
    connect(tick, &QTimer::timeout, this, &DeviceTimeDialog::followClock);
    tick->start(250);

    auto* form = new QFormLayout;
    form->addRow(uiString(234), date_);
    form->addRow(uiString(240), time_);
    layout_ = new QVBoxLayout(this);
    layout_->addLayout(form);
    layout_->addWidget(buttons);
    setMinimumWidth(360); // room in the title bar for the card's path
}

void DeviceTimeDialog::showTime(const QDateTime& time)
{
    const QSignalBlocker dateBlocker(date_);
    const QSignalBlocker timeBlocker(time_);
    date_->setDate(time.date());
    time_->setTime(time.time());
}

QDateTime DeviceTimeDialog::clockTime() const
{
    if (!zoneMinutes_)
        return now_();
    // The card's zone, not this computer's: the camera keeps local time.
    return now_().toUTC().addSecs(*zoneMinutes_ * 60LL);
}

void DeviceTimeDialog::followClock()
{
    if (!edited_)
        showTime(clockTime());
}

void DeviceTimeDialog::offerGpsTime(double offsetSeconds, int zoneMinutes)
{
    const std::optional<std::string> notice = clockNotice(offsetSeconds);
    if (!notice)
        return; // close enough: nothing to offer
    offeredZone_ = zoneMinutes;
    if (offsetNote_ == nullptr) {
        offsetNote_ = new QLabel(this);
        offsetNote_->setObjectName(QStringLiteral("offsetNote"));
        offsetNote_->setWordWrap(true);
        gpsTimeButton_ = new QPushButton(this);
        gpsTimeButton_->setObjectName(QStringLiteral("gpsTimeButton"));
        connect(gpsTimeButton_, &QPushButton::clicked, this, &DeviceTimeDialog::useGpsTime);
        layout_->insertWidget(0, offsetNote_);
        layout_->insertWidget(1, gpsTimeButton_, 0, Qt::AlignLeft);
    }
    const QString zone = QString::fromStdString(zoneText(zoneMinutes));
    offsetNote_->setText(QStringLiteral("%1, measured on the recording played.").arg(QString::fromStdString(*notice)));
    gpsTimeButton_->setText(QStringLiteral("Use the correct time in the card's zone (%1)").arg(zone));
    gpsTimeButton_->setEnabled(true);
}

void DeviceTimeDialog::useGpsTime()
{
    zoneMinutes_ = offeredZone_;
    edited_ = false; // the editors follow the corrected clock from now
    followClock();
    if (gpsTimeButton_ != nullptr)
        gpsTimeButton_->setEnabled(false);
}

bool DeviceTimeDialog::cardStillIn() const
{
    const std::filesystem::path file(QFile::encodeName(timeFile_).toStdString());
    const std::vector<RemovableDrive> drives = volumes_.removableDrives();
    return std::any_of(drives.begin(), drives.end(),
                       [&](const RemovableDrive& d) { return std::filesystem::path(d.root + "timeset.cfg") == file; });
}

bool DeviceTimeDialog::save()
{
    // Once the card is out, its mount point may be a plain folder of this
    // computer's own disk: nothing is written there.
    if (!timeFile_.isEmpty() && !cardStillIn()) {
        QMessageBox::warning(this, windowTitle(),
                             QStringLiteral("The card %1 was on is no longer there. Put it back in and save again.")
                                 .arg(timeFile_));
        return false;
    }
    QString target = timeFile_;
    if (target.isEmpty())
        target = askForFile_(this);
    if (target.isEmpty())
        return false; // cancelled: the dialog stays open
    followClock(); // the time of Save, unless the user set one
    const QDate d = date_->date();
    const QTime t = time_->time();
    const WriteOutcome outcome = writeDeviceTimeFile(QFile::encodeName(target).toStdString(),
                                                     {d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second()});
    if (outcome.writeProtected) {
        QMessageBox::critical(this, QStringLiteral("Error"), uiString(300));
        return false;
    }
    if (!outcome.ok) {
        // A failed write is no success: say so, and keep the dialog for another try.
        QMessageBox::warning(this, windowTitle(), QString::fromStdString(outcome.message));
        return false;
    }
    accept();
    return true;
}

} // namespace dravonix
