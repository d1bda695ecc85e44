#include "card/ui/format_dialog.h"

#include "card/format_flow.h"
#include "toolkit/ui/ui_text.h"
#if defined(DRAVONIX_WITH_DISK_SERVICE)
#include "card/udisks2_service.h"
#endif

#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>

namespace dravonix {
namespace {

const QString kCaption = QStringLiteral("SD Card Format");

QString text(const std::string& s) { return QFile::decodeName(QByteArray::fromStdString(s)); }
std::string native(const QString& s) { return QFile::encodeName(s).toStdString(); }

QString chooseDriveFolder(QWidget* parent)
{
    return QFileDialog::getExistingDirectory(parent, QStringLiteral("Select Drive"), QString(), QFileDialog::ShowDirsOnly);
}

} // namespace

FormatServices FormatServices::system()
{
    FormatServices services;
#if defined(DRAVONIX_WITH_DISK_SERVICE)
    services.diskService = systemDiskService;
#endif
    services.chooseDrive = chooseDriveFolder;
    return services;
}

FormatDialog::FormatDialog(Volumes& volumes, const QString& cardPath, FormatServices services, QWidget* parent)
    : QDialog(parent), volumes_(volumes), cardPath_(cardPath), services_(std::move(services))
{
    setObjectName(QStringLiteral("formatDialog"));
    setWindowTitle(kCaption);
    const QFileInfo card(cardPath);
    root_ = card.isDir() ? cardPath : card.path();
    if (!root_.endsWith(QLatin1Char('/')))
        root_ += QLatin1Char('/');

    volumeLine_ = new QLabel(this);
    volumeLine_->setObjectName(QStringLiteral("volume"));
    auto* fileSystemLabel = new QLabel(QStringLiteral("File System :"), this);
    auto* unitLabel = new QLabel(QStringLiteral("Allocation unit size  :"), this);
    fileSystems_ = new QComboBox(this);
    fileSystems_->setObjectName(QStringLiteral("fileSystem"));
    units_ = new QComboBox(this);
    units_->setObjectName(QStringLiteral("allocationUnit"));
    formattingLabel_ = new QLabel(QStringLiteral("Formatting"), this);
    formattingLabel_->setObjectName(QStringLiteral("formatting"));
    progress_ = new QProgressBar(this);
    progress_->setObjectName(QStringLiteral("progress"));
    progress_->setRange(0, 1000);
    progress_->setTextVisible(false);
    for (QWidget* w : std::initializer_list<QWidget*>{volumeLine_, fileSystemLabel, unitLabel, fileSystems_, units_,
                                                     formattingLabel_, progress_})
        w->setFont(uiFont(100));
    start_ = new QPushButton(QStringLiteral("Start"), this);
    start_->setObjectName(QStringLiteral("startButton"));
    start_->setDefault(true);
    close_ = new QPushButton(QStringLiteral("Close"), this);
    close_->setObjectName(QStringLiteral("closeButton"));

    auto* grid = new QGridLayout;
    grid->addWidget(fileSystemLabel, 0, 0);
    grid->addWidget(fileSystems_, 0, 1);
    grid->addWidget(unitLabel, 1, 0);
    grid->addWidget(units_, 1, 1);
    grid->setColumnStretch(1, 1);
    auto* working = new QHBoxLayout;
    working->addWidget(formattingLabel_);
    working->addWidget(progress_, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(start_);
    buttons->addWidget(close_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(volumeLine_);
    layout->addLayout(grid);
    layout->addLayout(working);
    layout->addStretch(1);
    layout->addLayout(buttons);
    setMinimumWidth(360);

    // The bar keeps its place while hidden, so the dialog doesn't jump.
    for (QWidget* w : std::initializer_list<QWidget*>{formattingLabel_, progress_}) {
        QSizePolicy policy = w->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        w->setSizePolicy(policy);
        w->hide();
    }

    connect(start_, &QPushButton::clicked, this, [this] { start(); });
    connect(close_, &QPushButton::clicked, this, &FormatDialog::reject);
    connect(&job_, &QFutureWatcher<FormatJobResult>::finished, this, [this] { finish(job_.result()); });

    findVolume();
    fillLists();
    if (!device_) // once the dialog is up, so that the message sits over it
        QTimer::singleShot(0, this, [this] { tellUnavailable(); });
}

FormatDialog::~FormatDialog()
{
    job_.waitForFinished(); // the job writes to a device: it always runs to its end
}

void FormatDialog::findVolume()
{
    drive_ = volumeWithRoot(volumes_, native(root_));
    device_ = drive_ ? volumes_.deviceOf(*drive_) : std::nullopt;
    // Which volume this is, on two lines: where it is, then what it is.
    const QString where = drive_ ? text(drive_->root) : root_;
    QStringList what;
    if (drive_ && !drive_->label.empty())
        what << QStringLiteral("\"%1\"").arg(QString::fromStdString(drive_->label));
    if (device_)
        what << QString::fromStdString(readableSize(device_->totalBytes)) << text(device_->path);
    const QFontMetrics metrics(volumeLine_->font());
    constexpr int kWidth = 340;
    volumeLine_->setText(metrics.elidedText(where, Qt::ElideMiddle, kWidth) + QLatin1Char('\n')
                         + metrics.elidedText(what.join(QStringLiteral(", ")), Qt::ElideMiddle, kWidth));
    volumeLine_->setToolTip(where + QLatin1Char('\n') + what.join(QStringLiteral(", ")));
}

void FormatDialog::fillLists()
{
    fileSystems_->clear();
    units_->clear();
    if (!device_)
        return;
    fileSystems_->addItem(QStringLiteral("FAT32"));
    // Only a volume that is FAT32 now shows it selected.
    fileSystems_->setCurrentIndex(device_->fileSystem == "FAT32" ? 0 : -1);
    units_->addItem(QString::fromStdString(allocationUnitText(device_->totalBytes)));
    units_->setCurrentIndex(0);
}

void FormatDialog::tellUnavailable()
{
    services_.present(this, {QMessageBox::Warning, kCaption, QStringLiteral("The selected drive is unavailable")});
}

QString FormatDialog::refusal() const
{
    const std::string unit = units_->currentText().toStdString();
    if (std::string why = whyNotToFormat(device_->path, device_->mountPoint); !why.empty())
        return text(why);
    DeviceFacts facts;
    facts.bytesPerSector = device_->bytesPerSector;
    facts.partitionBytes = device_->totalBytes;
    return text(formatSizeProblem(drive_->root, facts, unit, false));
}

bool FormatDialog::askFirst()
{
    const QString label = drive_->label.empty() ? QStringLiteral("(none)") : QString::fromStdString(drive_->label);
    const QString question =
        QStringLiteral("All data on this volume will be erased:\n\n%1\nLabel: %2\nSize: %3 (%4 bytes)\nDevice: %5\n\n"
                       "Format it as FAT32 now?")
            .arg(text(drive_->root), label, QString::fromStdString(readableSize(device_->totalBytes)))
            .arg(device_->totalBytes)
            .arg(text(device_->path));
    return services_.ask(this, {QMessageBox::Warning, kCaption, question});
}

bool FormatDialog::start()
{
    if (formatting_)
        return false;
    if (!device_) { // the card may have come back since the dialog opened
        findVolume();
        fillLists();
        if (!device_) {
            tellUnavailable();
            return false;
        }
    }
    (void)fileSystems_->currentText(); // there is only FAT32
    if (device_->readOnly) {
        services_.present(this, {QMessageBox::Critical, QStringLiteral("Error"), uiString(300), text(device_->path)});
        return false;
    }
    if (const QString why = refusal(); !why.isEmpty()) {
        services_.present(this, {QMessageBox::Warning, kCaption, uiString(297) + QStringLiteral("\n\n") + why});
        return false;
    }
    if (!askFirst())
        return false;

    FormatRequest request;
    request.device = *device_;
    if (QFileInfo(cardPath_).isFile())
        request.cardConfig = native(cardPath_);
    request.tempFolder = native(services_.tempFolder.isEmpty() ? QDir::tempPath() : services_.tempFolder);
    request.allocationUnit = units_->currentText().toStdString();
    setFormatting(true);
    progress_->setRange(0, 0); // busy until the first figures: the disk service may be asking for a password
    QPointer<QProgressBar> bar = progress_;
    const auto makeService = services_.diskService;
    job_.setFuture(QtConcurrent::run([request, makeService, bar] {
        std::unique_ptr<DiskService> service = makeService ? makeService() : nullptr;
        return runFormatJob(request, service.get(), [bar](std::uint64_t written, std::uint64_t total) {
            const int value = total == 0 ? 0 : static_cast<int>(written * 1000 / total);
            QMetaObject::invokeMethod(
                bar,
                [bar, value] {
                    if (!bar)
                        return;
                    bar->setRange(0, 1000);
                    bar->setValue(value);
                },
                Qt::QueuedConnection);
        });
    }));
    return true;
}

void FormatDialog::setFormatting(bool on)
{
    formatting_ = on;
    start_->setEnabled(!on);
    close_->setEnabled(!on);
    progress_->setRange(0, 1000);
    progress_->setValue(0);
    progress_->setVisible(on);
    formattingLabel_->setVisible(on);
}

void FormatDialog::finish(const FormatJobResult& result)
{
    setFormatting(false);
    if (result.ok()) {
        services_.present(this, {QMessageBox::Information, kCaption, uiString(298)});
        emit formatFinished(true);
        accept();
        return;
    }
    ShownMessage message{QMessageBox::Warning, kCaption, {}, text(result.detail)};
    if (result.writeProtected) {
        message = {QMessageBox::Critical, QStringLiteral("Error"), uiString(300), text(result.detail)};
    } else if (result.needsPermission || result.code >= kRefusedDevice) {
        // Our own findings say more than a number.
        message.text = uiString(297) + QStringLiteral("\n\n") + text(result.detail);
        message.details.clear();
    } else {
        message.text = QString::fromStdString(formatOutcomeText(result.code)).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    }
    services_.present(this, message);
    emit formatFinished(false);
}

void FormatDialog::reject()
{
    if (!formatting_)
        QDialog::reject();
}

void FormatDialog::closeEvent(QCloseEvent* event)
{
    if (formatting_)
        event->ignore();
    else
        QDialog::closeEvent(event);
}

void CardFormatCommand::run(QWidget* parent, const QString& cardConfigPath)
{
    if (!cardConfigPath.isEmpty()) {
        FormatDialog dialog(volumes_, cardConfigPath, services_, parent);
        dialog.exec();
        return;
    }
    if (selecting_)
        return;
    selecting_ = true;
    const QString chosen = services_.chooseDrive ? services_.chooseDrive(parent) : QString();
    if (!chosen.isEmpty()) {
        if (volumeWithRoot(volumes_, native(chosen))) {
            FormatDialog dialog(volumes_, chosen, services_, parent);
            dialog.exec();
        } else {
            services_.present(parent, {QMessageBox::Warning, QStringLiteral("Select Drive"), uiString(301)});
        }
    }
    selecting_ = false;
}

} // namespace dravonix
