#include "route/ui/driving_route_page.h"

#include "route/ui/route_table_model.h"
#include "toolkit/input_file.h"
#include "toolkit/ui/ui_text.h"

#include <QFile>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableView>

namespace dravonix {
namespace {

QString shown(const std::filesystem::path& path) { return QFile::decodeName(QByteArray::fromStdString(path.string())); }
std::filesystem::path native(const QString& path) { return QFile::encodeName(path).toStdString(); }

QString askForRouteLog(QWidget* parent)
{
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters({QStringLiteral("drv Files (*.drv)"), QStringLiteral("All Files (*)")});
    dialog.selectFile(QStringLiteral("dravonix_000.drv"));
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
}

// The page asks before replacing a file itself, so that the question is the
// same whichever file dialog the platform has.
QString askForCsvTarget(QWidget* parent)
{
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setNameFilters({QStringLiteral("csv Files (*.csv)"), QStringLiteral("All Files (*)")});
    dialog.setDefaultSuffix(QStringLiteral("csv"));
    dialog.selectFile(QStringLiteral("dravonix_drv.csv"));
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
}

} // namespace

DrivingRoutePage::DrivingRoutePage(const Volumes& volumes, QWidget* parent)
    : QWidget(parent), chooseOpen_(askForRouteLog), chooseSave_(askForCsvTarget),
      writeCsv_([](const auto& records, const auto& target, const auto& titles) { return exportRouteCsv(records, target, titles); })
{
    setObjectName(QStringLiteral("informationPage"));
    model_ = new RouteTableModel(this);
    table_ = new QTableView(this);
    table_->setObjectName(QStringLiteral("routeTable"));
    table_->setModel(model_);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setShowGrid(true);
    table_->setWordWrap(false);
    table_->verticalHeader()->hide();
    table_->verticalHeader()->setDefaultSectionSize(18);
    table_->horizontalHeader()->setHighlightSections(false);
    table_->horizontalHeader()->setMinimumSectionSize(16); // the narrow status column is 24 pixels
    table_->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    table_->setGeometry(0, 0, 626, 452);

    export_ = new QPushButton(QStringLiteral("Export"), this);
    export_->setObjectName(QStringLiteral("exportButton"));
    export_->setGeometry(530, 460, 86, 25);
    open_ = new QPushButton(QStringLiteral("Open"), this);
    open_->setObjectName(QStringLiteral("openButton"));
    open_->setGeometry(430, 460, 86, 25);
    statusLine_ = new QLabel(this);
    statusLine_->setObjectName(QStringLiteral("routeStatus"));
    statusLine_->setGeometry(2, 460, 420, 25);
    for (QWidget* w : std::initializer_list<QWidget*>{table_, export_, open_, statusLine_})
        w->setFont(uiFont(100));
    for (int column = 0; column < kRouteColumns; ++column)
        table_->setColumnWidth(column, RouteTableModel::columnWidth(column, table_->fontMetrics()));

    connect(table_, &QTableView::doubleClicked, this, [this] { showSelectionOnMap(); });
    connect(export_, &QPushButton::clicked, this, [this] { exportTable(); });
    connect(open_, &QPushButton::clicked, this, [this] { openFile(); });

    if (const auto found = findDrivingRouteFile(removableRoots(volumes))) {
        path_ = *found;
        load(nullptr);
    } else {
        status_ = QStringLiteral("No route log on a card: Open reads one from elsewhere.");
    }
    showStatus();
}

DrivingRoutePage::~DrivingRoutePage() = default;

QString DrivingRoutePage::routePath() const { return shown(path_); }
QString DrivingRoutePage::status() const { return status_; }

bool DrivingRoutePage::load(QString* problem)
{
    loaded_ = {};
    isLoaded_ = false;
    auto read = loadDrivingRouteFile(path_, kMaxShownRouteRecords);
    if (!read) {
        status_ = QStringLiteral("%1 could not be read: %2").arg(shown(path_), QString::fromStdString(read.error()));
        if (problem != nullptr)
            *problem = status_;
        return false;
    }
    loaded_ = std::move(*read);
    isLoaded_ = true;
    const std::size_t held = loaded_.records.size();
    if (held < loaded_.recordsInFile)
        status_ = QStringLiteral("%1: the file holds %2 records; the first %3 are shown")
                      .arg(shown(path_).section(QLatin1Char('/'), -1))
                      .arg(loaded_.recordsInFile)
                      .arg(held);
    else if (held < loaded_.announcedCount())
        status_ = QStringLiteral("%1: the header announces %2 records, the file holds %3")
                      .arg(shown(path_).section(QLatin1Char('/'), -1))
                      .arg(loaded_.announcedCount())
                      .arg(held);
    else
        status_ = QStringLiteral("%1: %2 records").arg(shown(path_).section(QLatin1Char('/'), -1)).arg(held);
    return true;
}

void DrivingRoutePage::showStatus()
{
    statusLine_->setText(status_);
    statusLine_->setToolTip(path_.empty() ? QString() : shown(path_));
}

void DrivingRoutePage::fillTable() { model_->setRecords(isLoaded_ ? loaded_.records : std::vector<DrivingRouteRecord>{}); }

void DrivingRoutePage::openFile()
{
    const QString chosen = chooseOpen_(window());
    if (!chosen.isEmpty())
        openRouteFile(chosen);
}

bool DrivingRoutePage::openRouteFile(const QString& path)
{
    path_ = native(path);
    QString problem;
    const bool ok = load(&problem);
    fillTable();
    showStatus();
    if (!ok)
        present_(window(), {QMessageBox::Warning, QStringLiteral("Open"), problem, {}});
    return ok;
}

DrivingRoutePage::ExportResult DrivingRoutePage::exportTable()
{
    if (model_->rowCount() == 0)
        return ExportResult::NothingToExport;
    QString target;
    for (;;) {
        target = chooseSave_(window());
        if (target.isEmpty())
            return ExportResult::Cancelled;
        if (!QFile::exists(target))
            break;
        if (ask_(window(), {QMessageBox::Warning, QStringLiteral("Export"),
                            QStringLiteral("%1 already exists.\nDo you want to replace it?").arg(target), {}}))
            break;
    }
    // The log the table came from is never replaced by its own export.
    const auto source = fileIdentity(path_);
    const auto written = fileIdentity(native(target));
    if (!path_.empty() && source && written && *source == *written) {
        present_(window(), {QMessageBox::Warning, QStringLiteral("Export"),
                            QStringLiteral("%1 is the route log the table shows: choose another file for the export.").arg(target), {}});
        return ExportResult::Failed;
    }
    const WriteOutcome outcome = writeCsv_(model_->records(), native(target), model_->titles());
    if (outcome.ok)
        return ExportResult::Exported;
    if (outcome.writeProtected)
        present_(window(), {QMessageBox::Critical, QStringLiteral("Error"), uiString(300), QString::fromStdString(outcome.message)});
    else
        present_(window(), {QMessageBox::Warning, QStringLiteral("Export"),
                            QStringLiteral("The route table could not be exported to %1.\n\n%2")
                                .arg(target, QString::fromStdString(outcome.message)),
                            {}});
    return ExportResult::Failed;
}

QRect DrivingRoutePage::positionWindowGeometry() const
{
    const QPoint topLeft = mapToGlobal(QPoint(0, 0));
    return {topLeft.x() + 650, topLeft.y(), 471, 729};
}

void DrivingRoutePage::showSelectionOnMap()
{
    QModelIndexList rows = table_->selectionModel()->selectedRows();
    std::sort(rows.begin(), rows.end(), [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    for (const QModelIndex& row : rows) {
        const DrivingRouteRecord& record = model_->records()[static_cast<std::size_t>(row.row())];
        if (!positionWindow_) {
            // Made with the record's own signed position, so that a new window
            // shows the record and not a place of its own.
            positionWindow_ = makePositionWindow_(record.signedLatitude(), record.signedLongitude(), window(),
                                                  [this] { positionWindow_.reset(); });
        } else {
            positionWindow_->showPosition(record.signedLongitude(), record.signedLatitude());
        }
        positionWindow_->place(positionWindowGeometry());
    }
    update();
}

void DrivingRoutePage::release()
{
    positionWindow_.reset();
    loaded_ = {};
    isLoaded_ = false;
    model_->setRecords({});
}

} // namespace dravonix
