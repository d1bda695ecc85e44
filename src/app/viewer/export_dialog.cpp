#include "app/viewer/export_dialog.h"

#include "toolkit/ui/ui_text.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>
#include <exception>

namespace dravonix {

namespace {

const QString kCaption = QStringLiteral("Export");
const QString kTimeFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");

QDateTimeEdit* timeEdit(const QDateTime& value, const QDateTime& earliest, const QDateTime& latest, QWidget* parent)
{
    auto* edit = new QDateTimeEdit(parent);
    edit->setTimeSpec(Qt::UTC);
    edit->setDisplayFormat(kTimeFormat);
    edit->setDateTimeRange(earliest, latest);
    edit->setDateTime(value);
    return edit;
}

} // namespace

ExportServices ExportServices::system()
{
    ExportServices services;
    services.chooseFolder = [](QWidget* parent, const QString& start) {
        return QFileDialog::getExistingDirectory(parent, QStringLiteral("Export to"), start, QFileDialog::ShowDirsOnly);
    };
    services.openFolder = [](const QString& folder) { QDesktopServices::openUrl(QUrl::fromLocalFile(folder)); };
    return services;
}

QString ExportDialog::refusal(const ExportChoices& choices, const QDateTime& earliest, const QDateTime& latest)
{
    if (!choices.from.isValid() || !choices.to.isValid())
        return QStringLiteral("Choose the start and the end of the stretch to export.");
    if (choices.to <= choices.from)
        return QStringLiteral("The end must come after the start.");
    if (choices.to <= earliest || choices.from >= latest)
        return QStringLiteral("No recording covers %1 to %2.")
            .arg(choices.from.toString(kTimeFormat), choices.to.toString(kTimeFormat));
    if (choices.targetFolder.isEmpty())
        return QStringLiteral("Choose the folder to export to.");
    const QFileInfo target(choices.targetFolder);
    if (!target.isDir())
        return QStringLiteral("\"%1\" is not a folder.").arg(QDir::toNativeSeparators(choices.targetFolder));
    if (!target.isWritable())
        return QStringLiteral("\"%1\" can't be written to.").arg(QDir::toNativeSeparators(choices.targetFolder));
    return {};
}

ExportDialog::ExportDialog(const ExportChoices& initial, const QDateTime& earliest, const QDateTime& latest,
                           ExportServices services, QWidget* parent)
    : QDialog(parent), earliest_(earliest), latest_(latest), services_(std::move(services))
{
    setWindowTitle(kCaption);
    from_ = timeEdit(initial.from.isValid() ? initial.from : earliest, earliest, latest, this);
    from_->setObjectName(QStringLiteral("from"));
    to_ = timeEdit(initial.to.isValid() ? initial.to : latest, earliest, latest, this);
    to_->setObjectName(QStringLiteral("to"));
    combined_ = new QCheckBox(QStringLiteral("Front and rear in one video (combined.mp4)"), this);
    combined_->setObjectName(QStringLiteral("combined"));
    combined_->setChecked(initial.combined);
    layout_ = new QComboBox(this);
    layout_->setObjectName(QStringLiteral("layout"));
    layout_->addItems({QStringLiteral("Side by side"), QStringLiteral("Rear as an inset")});
    layout_->setCurrentIndex(initial.sideBySide ? 0 : 1);
    overlay_ = new QCheckBox(QStringLiteral("Date, time, speed and position in the picture"), this);
    overlay_->setObjectName(QStringLiteral("overlay"));
    overlay_->setChecked(initial.overlay);
    folder_ = new QLineEdit(QDir::toNativeSeparators(initial.targetFolder), this);
    folder_->setObjectName(QStringLiteral("folder"));
    browse_ = new QPushButton(QStringLiteral("Browse..."), this);
    progress_ = new QProgressBar(this);
    progress_->setObjectName(QStringLiteral("progress"));
    progress_->setRange(0, 1);
    progress_->setValue(0);
    step_ = new QLabel(this);
    step_->setObjectName(QStringLiteral("step"));
    export_ = new QPushButton(QStringLiteral("Export"), this);
    export_->setObjectName(QStringLiteral("exportButton"));
    export_->setDefault(true);
    cancel_ = new QPushButton(QStringLiteral("Close"), this);
    cancel_->setObjectName(QStringLiteral("cancelButton"));

    auto* grid = new QGridLayout;
    int row = 0;
    grid->addWidget(new QLabel(QStringLiteral("From:"), this), row, 0);
    grid->addWidget(from_, row++, 1, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("To:"), this), row, 0);
    grid->addWidget(to_, row++, 1, 1, 2);
    grid->addWidget(combined_, row++, 0, 1, 3);
    grid->addWidget(new QLabel(QStringLiteral("Layout:"), this), row, 0);
    grid->addWidget(layout_, row++, 1, 1, 2);
    grid->addWidget(overlay_, row++, 0, 1, 3);
    grid->addWidget(new QLabel(QStringLiteral("Folder:"), this), row, 0);
    grid->addWidget(folder_, row, 1);
    grid->addWidget(browse_, row++, 2);
    grid->setColumnStretch(1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(export_);
    buttons->addWidget(cancel_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(progress_);
    layout->addWidget(step_);
    layout->addStretch(1);
    layout->addLayout(buttons);
    setMinimumWidth(440);
    for (QWidget* w : findChildren<QWidget*>())
        w->setFont(uiFont(100));

    const auto followCombined = [this] {
        layout_->setEnabled(combined_->isChecked() && !running_);
        overlay_->setEnabled(combined_->isChecked() && !running_);
    };
    followCombined();
    connect(combined_, &QCheckBox::toggled, this, followCombined);
    connect(browse_, &QPushButton::clicked, this, [this] {
        if (!services_.chooseFolder)
            return;
        const QString folder = services_.chooseFolder(this, folder_->text());
        if (!folder.isEmpty())
            folder_->setText(QDir::toNativeSeparators(folder));
    });
    connect(export_, &QPushButton::clicked, this, [this] { start(); });
    connect(cancel_, &QPushButton::clicked, this, &ExportDialog::reject);
    connect(&job_, &QFutureWatcher<ExportOutcome>::finished, this, [this] { finish(job_.result()); });
}

ExportDialog::~ExportDialog()
{
    if (cancelFlag_)
        *cancelFlag_ = true;
    job_.waitForFinished();
}

ExportChoices ExportDialog::choices() const
{
    ExportChoices c;
    c.from = from_->dateTime();
    c.to = to_->dateTime();
    c.sideBySide = layout_->currentIndex() == 0;
    c.overlay = overlay_->isChecked();
    c.combined = combined_->isChecked();
    c.targetFolder = QDir::fromNativeSeparators(folder_->text().trimmed());
    return c;
}

bool ExportDialog::start()
{
    return startWith(choices());
}

bool ExportDialog::startWith(const ExportChoices& chosen)
{
    if (running_)
        return false;
    if (const QString why = refusal(chosen, earliest_, latest_); !why.isEmpty()) {
        services_.present(this, {QMessageBox::Warning, kCaption, why});
        return false;
    }
    if (!services_.run) {
        services_.present(this, {QMessageBox::Warning, kCaption, QStringLiteral("Export is not available.")});
        return false;
    }
    lastChoices_ = chosen;
    cancelFlag_ = std::make_shared<std::atomic<bool>>(false);
    setRunning(true);
    showStep({0, 1, QStringLiteral("Starting")});
    // Steps come from the worker; they reach the bar through the event loop,
    // and none arrives after the dialog is gone.
    QPointer<ExportDialog> self(this);
    const auto progress = [self](const ExportStep& step) {
        QMetaObject::invokeMethod(
            self.data(), [self, step] { if (self) self->showStep(step); }, Qt::QueuedConnection);
    };
    job_.setFuture(QtConcurrent::run([run = services_.run, chosen, progress, flag = cancelFlag_] {
        try {
            return run(chosen, progress, *flag);
        } catch (const std::exception& e) {
            return ExportOutcome{false, false, {}, QString::fromLocal8Bit(e.what())};
        }
    }));
    return true;
}

void ExportDialog::showStep(const ExportStep& step)
{
    if (!running_)
        return;
    const int count = std::max(1, step.count);
    progress_->setRange(0, count * 100);
    progress_->setValue(std::clamp(step.index * 100 + static_cast<int>(std::clamp(step.fraction, 0.0, 1.0) * 100), 0,
                                   count * 100));
    step_->setText(step.text);
}

void ExportDialog::finish(const ExportOutcome& outcome)
{
    setRunning(false);
    emit exportFinished(outcome.ok);
    if (outcome.cancelled) {
        progress_->setValue(0);
        step_->setText(QStringLiteral("Cancelled: nothing was left in the target folder."));
        return;
    }
    if (!outcome.ok) {
        step_->setText(QStringLiteral("Not exported."));
        if (outcome.unreadableFiles) {
            const QString question = outcome.message + QStringLiteral("\n\nExport what can be read, leaving these out?");
            if (services_.ask(this, {QMessageBox::Question, kCaption, question})) {
                ExportChoices again = lastChoices_;
                again.skipUnreadable = true;
                startWith(again);
            }
            return;
        }
        services_.present(this, {QMessageBox::Warning, kCaption, outcome.message});
        return;
    }
    progress_->setValue(progress_->maximum());
    const QString where = QDir::toNativeSeparators(outcome.folder);
    step_->setText(QStringLiteral("Exported to %1").arg(where));
    const bool open = services_.ask(
        this, {QMessageBox::Question, kCaption, QStringLiteral("Exported to \"%1\".\nOpen the folder?").arg(where)});
    if (open && services_.openFolder)
        services_.openFolder(outcome.folder);
    accept();
}

void ExportDialog::setRunning(bool on)
{
    running_ = on;
    for (QWidget* w : std::initializer_list<QWidget*>{from_, to_, combined_, folder_, browse_, export_})
        w->setEnabled(!on);
    layout_->setEnabled(!on && combined_->isChecked());
    overlay_->setEnabled(!on && combined_->isChecked());
    cancel_->setEnabled(true);
    cancel_->setText(on ? QStringLiteral("Cancel") : QStringLiteral("Close"));
}

void ExportDialog::reject()
{
    if (running_) {
        *cancelFlag_ = true; // the worker stops and cleans up; finish() follows
        step_->setText(QStringLiteral("Cancelling..."));
        cancel_->setEnabled(false);
        return;
    }
    QDialog::reject();
}

} // namespace dravonix
