#include "app/viewer/main_window.h"

#include "app/viewer/copy_job.h"
#include "app/viewer/dialog_folders.h"
#include "app/viewer/first_paint_log.h"
#include "app/viewer/recording_list_view.h"
#include "app/viewer/route_points.h"
#include "app/viewer/snapshot_name.h"
#include "app/viewer/incident_export_runner.h"
#include "app/viewer/ui_registry.h"
#include "app/viewer/viewer_log.h"
#include "app/viewer/viewer_settings.h"
#include "card/card_discovery.h"
#include "card/volumes_from_environment.h"
#include "config/ui/device_time_dialog.h"
#include "config/ui/settings_dialog.h"
#include "config/config_file.h"
#include "telemetry/movie_duration.h"
#include "trips/recording_durations.h"
#include "views/map_call.h"
#include "trips/trip_events.h"
#include "views/readout.h"
#include "views/true_time.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QProgressDialog>
#include <QScreen>
#include <QStandardPaths>
#include <QThread>
#include <QWindow>
#include <QtConcurrent>

#include <filesystem>

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace dravonix {
namespace {

const QRect kLargePane(15, 56, 646, 363);
const QRect kSmallPane(678, 384, 326, 246);
const QRect kListArea(680, 85, 322, 298);
// The map leaves two lines below it for the moment's camera and GPS time.
const QRect kMapArea(680, 85, 322, 206);
const QRect kTrueTimeArea(684, 292, 316, 29);
constexpr int kMostRowsCopied = 100;

QLabel* readoutLabel(QWidget* parent, QRect place, const QString& text, int pixels, Qt::Alignment align)
{
    auto* label = new QLabel(text, parent);
    label->setGeometry(place);
    QFont f = UiRegistry::instance().font(101);
    f.setPixelSize(pixels);
    f.setBold(true);
    label->setFont(f);
    label->setAlignment(align);
    label->setStyleSheet(QStringLiteral("color: #e6edf5;"));
    return label;
}

// The speed unit of the camera's settings, read from its card when one is
// inserted (without relabelling it: that is the settings' business).
bool cardUsesMilesPerHour()
{
    const auto volumes = volumesFromEnvironment();
    const std::vector<RemovableDrive> drives = volumes->removableDrives();
    const RemovableDrive* card = findCameraDrive(drives);
    DeviceConfig config;
    return card != nullptr && loadConfigFile(card->root + "config.bin", config) && config.speedUnit() == 1;
}

} // namespace

MainWindow::MainWindow(const QStringList& engineOptions, QWidget* parent)
    : QWidget(parent, Qt::FramelessWindowHint | Qt::Window), front_(engineOptions), rear_(engineOptions)
{
    UiRegistry& ui = UiRegistry::instance();
    setWindowTitle(QStringLiteral("Dravonix"));
    setFixedSize(1020, 645);
    background_ = ui.image(1);
    setFont(ui.font(100));

    frontPane_ = new VideoPane(front_, ui.image(7), this);
    rearPane_ = new VideoPane(rear_, ui.image(8), this);
    frontPane_->setObjectName(QStringLiteral("frontPane"));
    rearPane_->setObjectName(QStringLiteral("rearPane"));
    frontPane_->setGeometry(kLargePane);
    rearPane_->setGeometry(kSmallPane);
    rearPane_->raise();
    connect(frontPane_, &VideoPane::doubleClicked, this, [this] { paneDoubleClicked(1); });
    connect(rearPane_, &VideoPane::doubleClicked, this, [this] { paneDoubleClicked(2); });

    graph_ = new GSensorGraphWidget(graphModel_, this);
    graph_->setObjectName(QStringLiteral("gsensorGraph"));
    graph_->setGeometry(15, 425, 646, 130);
    graph_->setValueFont(ui.font(101));

    listModel_.setKindIcons(ui.image(202));
    list_ = new RecordingListView(listModel_, ui.font(100), this);
    list_->setObjectName(QStringLiteral("recordingList"));
    list_->setGeometry(kListArea);
    connect(list_, &QTreeView::doubleClicked, this, [this](const QModelIndex&) { playSelection(); });
    connect(list_, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        QMenu menu(this);
        if (listModel_.rowCount() > 0)
            menu.addAction(QStringLiteral("Copy"), this, &MainWindow::copySelection);
        QAction* group = menu.addAction(QStringLiteral("Group by trip"));
        group->setObjectName(QStringLiteral("groupByTrip"));
        group->setCheckable(true);
        group->setChecked(grouped_);
        connect(group, &QAction::toggled, this, &MainWindow::setGroupedByTrip);
        menu.exec(list_->viewport()->mapToGlobal(at));
    });
    tripsStatus_ = new QLabel(this);
    tripsStatus_->setObjectName(QStringLiteral("tripsStatus"));
    tripsStatus_->setGeometry(kListArea.left() + 1, kListArea.bottom() - 18, kListArea.width() - 2, 18);
    tripsStatus_->setStyleSheet(QStringLiteral("background: #eef2f8; color: #333; padding-left: 4px;"));
    tripsStatus_->hide();
    tripsProgress_.setInterval(250);
    connect(&tripsProgress_, &QTimer::timeout, this, [this] {
        const auto [done, total] = tripsMeasured();
        if (total > 0)
            tripsStatus_->setText(QStringLiteral("Reading trips: %1 of %2 recordings measured").arg(done).arg(total));
    });
    // After the view has taken the reset in.
    connect(&tripModel_, &QAbstractItemModel::modelReset, this, &MainWindow::spanTripRows, Qt::QueuedConnection);
    connect(&tripsRead_, &QFutureWatcher<TripsDelivery>::finished, this, [this] {
        // A copy, not takeResult(): a taken future can't be waited for on closing.
        if (tripsRead_.future().isValid() && tripsRead_.future().resultCount() > 0)
            tripsArrived(tripsRead_.future().result());
    });
    connect(&tripSamplesRead_, &QFutureWatcher<TripSamplesDelivery>::finished, this, [this] {
        if (tripSamplesRead_.future().isValid() && tripSamplesRead_.future().resultCount() > 0)
            tripSamplesArrived(tripSamplesRead_.future().result());
    });

    mapArea_ = new MapView(MapView::Page::Main, koreanInterface(), this);
    mapArea_->setObjectName(QStringLiteral("mapView"));
    mapArea_->setGeometry(kMapArea);
    mapArea_->hide();
    const bool milesPerHour = cardUsesMilesPerHour();
    mapArea_->setMilesPerHour(milesPerHour); // until a recording's own unit says otherwise
    // A click on the trip's route goes to that moment of the trip.
    connect(mapArea_, &MapView::routeClicked, this, [this](qint64 tripMs) {
        if (controller_->playingTrip())
            seekCommand([this, tripMs] { controller_->seekTrip(tripMs); });
    });
    speed_ = readoutLabel(this, QRect(700, 338, 100, 30), QString::fromStdString(startSpeedText(milesPerHour)), 20,
                          Qt::AlignLeft | Qt::AlignVCenter);
    hdop_ = readoutLabel(this, QRect(912, 329, 70, 22), QStringLiteral("1.0"), 15, Qt::AlignRight | Qt::AlignVCenter);
    satellites_ = readoutLabel(this, QRect(912, 356, 70, 22), QStringLiteral("0"), 15, Qt::AlignRight | Qt::AlignVCenter);
    for (QLabel* label : {speed_, hdop_, satellites_})
        label->hide();
    speed_->setObjectName(QStringLiteral("speedLabel"));
    trueTime_ = new QLabel(this);
    trueTime_->setObjectName(QStringLiteral("trueTimeLabel"));
    trueTime_->setGeometry(kTrueTimeArea);
    QFont timeFont = ui.font(100);
    timeFont.setPixelSize(11);
    trueTime_->setFont(timeFont);
    trueTime_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    trueTime_->setStyleSheet(QStringLiteral("color: #c9cfd8;"));
    trueTime_->setToolTip(QStringLiteral("Camera: the recording's start, from its name, plus the position.\n"
                                         "GPS: the fix's time in the card's time zone and in UTC."));
    trueTime_->hide();
    // In the caption row, where it is seen whichever tab shows.
    clockNotice_ = new QLabel(this);
    clockNotice_->setObjectName(QStringLiteral("clockNotice"));
    clockNotice_->setGeometry(420, 14, 480, 26);
    clockNotice_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    clockNotice_->setTextFormat(Qt::RichText);
    clockNotice_->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    clockNotice_->setFont(ui.font(100));
    clockNotice_->hide();
    connect(clockNotice_, &QLabel::linkActivated, this, [this] { openDeviceTime(); });
    connect(&clockJob_, &QFutureWatcher<ClockMeasurement>::finished, this, [this] {
        const ClockMeasurement measured = clockJob_.result();
        if (measured.generation != clockGeneration_)
            return; // measured for a recording that has been replaced since
        zoneMinutes_ = measured.zoneMinutes;
        showClockOffset(measured.offset, measured.zoneMinutes);
        updateTrueTime();
    });
    hdop_->setObjectName(QStringLiteral("hdopLabel"));
    satellites_->setObjectName(QStringLiteral("satelliteLabel"));

    controller_ = std::make_unique<PlaybackController>(&front_, &rear_, store_, graphModel_, *this, listModel_);

    close_ = button(2, -1, QRect(969, 5, 35, 33));
    maximize_ = button(4, -1, QRect(936, 5, 32, 33));
    minimize_ = button(3, -1, QRect(906, 5, 31, 33));
    open_ = button(1101, 258, QRect(7, 5, 56, 47));
    snapshot_ = button(1102, 259, QRect(63, 5, 54, 47));
    settings_ = button(1103, 261, QRect(116, 5, 54, 47));
    clock_ = button(1100, 262, QRect(171, 5, 54, 47));
    recordTab_ = button(1002, -1, QRect(674, 54, 167, 29));
    informationTab_ = button(1001, -1, QRect(841, 54, 167, 29));
    rewind_ = button(1202, 279, QRect(61, 603, 23, 26));
    play_ = button(1203, 277, QRect(84, 603, 23, 26));
    pause_ = button(1204, 280, QRect(84, 603, 23, 26));
    forward_ = button(1206, 282, QRect(107, 603, 23, 26));
    slower_ = button(1208, 284, QRect(141, 605, 16, 20));
    faster_ = button(1207, 283, QRect(186, 605, 16, 20));
    magnify_ = button(1301, 285, QRect(443, 594, 39, 33));
    swap_ = button(1205, 286, QRect(481, 594, 40, 34));
    fullScreen_ = button(1201, 278, QRect(519, 594, 40, 35));
    volumeIcon_ = button(1105, 360, QRect(566, 592, 28, 26));
    rate_ = new QLabel(QStringLiteral("1x"), this);
    rate_->setObjectName(QStringLiteral("rateLabel"));
    rate_->setGeometry(157, 606, 29, 18);
    rate_->setAlignment(Qt::AlignCenter);
    rate_->setStyleSheet(QStringLiteral("color: #c9cfd8;"));
    rate_->setFont(ui.font(100));

    seek_ = new SkinSlider(controller_->seekBar(), this);
    seek_->setObjectName(QStringLiteral("seekBar"));
    seek_->setGeometry(42, 570, 595, 13);
    seek_->setPictures(ui.image(5), ui.image(6));
    volume_ = new SkinSlider(controller_->volumeSlider(), this);
    volume_->setObjectName(QStringLiteral("volumeSlider"));
    volume_->setGeometry(594, 598, 59, 13);
    volume_->setPictures(ui.image(5), ui.image(6));
    connect(seek_, &SkinSlider::released, this, [this] { seekCommand([this] { controller_->seekReleased(); }); });
    connect(volume_, &SkinSlider::released, this, [this] {
        controller_->volumeReleased();
        volumeSliderChanged();
    });
    connect(volumeIcon_, &QAbstractButton::clicked, this, [this] { controller_->toggleMute(); });

    connect(close_, &QAbstractButton::clicked, this, &QWidget::close);
    connect(minimize_, &QAbstractButton::clicked, this, &QWidget::showMinimized);
    connect(maximize_, &QAbstractButton::clicked, this, [this] { toggleFullScreen(controller_->fullScreenViewRequest()); });
    // Marking a stretch for export, beside the transport buttons.
    markIn_ = textButton(QStringLiteral("[ In"), QStringLiteral("Mark the start of the stretch to export (I)"),
                         QRect(228, 603, 40, 24));
    markOut_ = textButton(QStringLiteral("Out ]"), QStringLiteral("Mark the end of the stretch to export (O)"),
                          QRect(272, 603, 44, 24));
    export_ = textButton(QStringLiteral("Export..."), QStringLiteral("Export the marked stretch: clips, route and checksums"),
                         QRect(322, 603, 74, 24));
    connect(markIn_, &QAbstractButton::clicked, this, [this] { markExportIn(); });
    connect(markOut_, &QAbstractButton::clicked, this, [this] { markExportOut(); });
    connect(export_, &QAbstractButton::clicked, this, [this] { openExport(); });
    showExportMarks(); // nothing plays yet
    connect(fullScreen_, &QAbstractButton::clicked, this, [this] { toggleFullScreen(controller_->fullScreenViewRequest()); });
    connect(open_, &QAbstractButton::clicked, this, &MainWindow::chooseFolder);
    connect(snapshot_, &QAbstractButton::clicked, this, &MainWindow::snapshot);
    connect(clock_, &QAbstractButton::clicked, this, &MainWindow::openDeviceTime);
    connect(settings_, &QAbstractButton::clicked, this, [this] {
        const auto volumes = volumesFromEnvironment();
        SettingsDialog dialog(*volumes, this);
        dialog.exec();
    });
    connect(recordTab_, &QAbstractButton::clicked, this, [this] { showInformation(false); });
    connect(informationTab_, &QAbstractButton::clicked, this, [this] { showInformation(true); });
    connect(play_, &QAbstractButton::clicked, this, [this] { controller_->play(); });
    connect(pause_, &QAbstractButton::clicked, this, [this] { controller_->pause(); });
    connect(rewind_, &QAbstractButton::clicked, this, [this] { controller_->skipBackward(); });
    connect(forward_, &QAbstractButton::clicked, this, [this] { controller_->skipForward(); });
    connect(faster_, &QAbstractButton::clicked, this, [this] { controller_->doubleSpeed(); });
    connect(slower_, &QAbstractButton::clicked, this, [this] { controller_->normalSpeed(); });
    connect(magnify_, &QAbstractButton::clicked, this, [this] { controller_->toggleMagnifier(); });
    connect(swap_, &QAbstractButton::clicked, this, [this] { controller_->swap(); });

    // Nothing is loaded yet: Play shows (it does nothing until a recording opens).
    showPlayButton(true);
    magnify_->setCheckable(true);
    recordTab_->setSelected(true);
    informationTab_->setSelected(false);
    readoutTimer_.setInterval(500);
    connect(&readoutTimer_, &QTimer::timeout, this, &MainWindow::readoutTick);
    listPainted_ = new FirstPaintLog(list_->viewport());
    seekPainted_ = new FirstPaintLog(frontPane_);
    connect(&scan_, &QFutureWatcher<FolderRows>::finished, this, [this] {
        FolderRows listing = scan_.result();
        if (listing.error) { // a folder that can't be used leaves the list as it was
            const QString message = QStringLiteral("%1 can't be opened: %2.")
                                        .arg(QDir::toNativeSeparators(lastFolder_), scanErrorText(*listing.error));
            tell(QStringLiteral("Open"), message, QMessageBox::Warning);
            emit folderRefused(message);
            return;
        }
        const int count = static_cast<int>(listing.rows.size());
        listedFolder_ = scanFolder_;
        listModel_.setRows(std::move(listing.rows));
        controller_->listReplaced();
        markPlaying();
        listPainted_->arm(QStringLiteral("list of %1 recordings").arg(count));
        emit folderListed(count);
        readTrips();
    });
    qApp->installEventFilter(this);
    if (rememberedGroupByTrip())
        setGroupedByTrip(true);
}

MainWindow::~MainWindow()
{
    qApp->removeEventFilter(this);
    readoutTimer_.stop();
    if (copyJob_ != nullptr) // the flag is atomic: the job sees it between blocks
        static_cast<CopyJob*>(copyJob_.data())->cancel();
    if (copyThread_ != nullptr) {
        copyThread_->quit();
        copyThread_->wait();
    }
    scan_.waitForFinished();
    clockJob_.waitForFinished();
    tripsStop_.request_stop();
    tripsRead_.waitForFinished();
    tripSamplesRead_.waitForFinished();
    front_.stop();
    rear_.stop();
}

SkinButton* MainWindow::button(int skinId, int tooltipId, QRect place)
{
    UiRegistry& ui = UiRegistry::instance();
    auto* b = new SkinButton(this);
    b->setStrip(ui.image(skinId), ui.frames(skinId));
    b->setGeometry(place);
    if (tooltipId >= 0)
        b->setToolTip(ui.text(tooltipId));
    b->setObjectName(QStringLiteral("button%1").arg(skinId));
    return b;
}

void MainWindow::openFolder(const QString& folder) { openNativeFolder(QFile::encodeName(folder)); }

void MainWindow::openNativeFolder(const QByteArray& folder)
{
    lastFolder_ = QFile::decodeName(folder);
    scanFolder_ = folder;
    scan_.setFuture(QtConcurrent::run([folder] {
        FolderRows listing;
        auto listed = listRecordings(folder);
        if (!listed)
            listing.error = listed.error();
        else
            listing.rows = std::move(listed->rows);
        return listing;
    }));
}

void MainWindow::chooseFolder()
{
    const QString folder = QFileDialog::getExistingDirectory(this, QString(), openDialogFolder(lastFolder_, cameraCardFolder()));
    if (!folder.isEmpty())
        openFolder(folder);
}

void MainWindow::activateRow(int row)
{
    list_->setCurrentIndex(shownIndex(row));
    playbackFolder_ = listedFolder_;
    controller_->listActivated(row);
    markPlaying();
}

void MainWindow::selectListRow(int row)
{
    const QModelIndex index = shownIndex(row);
    list_->selectionModel()->select(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    list_->setCurrentIndex(index);
    list_->scrollTo(index);
    // The controller moves its row after opening; show the final one.
    QMetaObject::invokeMethod(this, [this] { markPlaying(); }, Qt::QueuedConnection);
}

QModelIndex MainWindow::shownIndex(int flatRow) const
{
    return grouped_ ? tripModel_.indexOfFlatRow(flatRow) : listModel_.index(flatRow, 0);
}

QList<int> MainWindow::selectedFlatRows() const
{
    QList<int> rows;
    for (const QModelIndex& index : list_->selectionModel()->selectedRows()) {
        if (!grouped_) {
            rows << index.row();
        } else if (tripModel_.isTripRow(index)) {
            for (const int row : tripModel_.flatRowsOfTrip(*tripModel_.tripOf(index)))
                if (!rows.contains(row))
                    rows << row;
        } else if (const int row = tripModel_.flatRow(index); row >= 0 && !rows.contains(row)) {
            rows << row;
        }
    }
    return rows;
}

void MainWindow::setGroupedByTrip(bool grouped)
{
    if (grouped == grouped_)
        return;
    grouped_ = grouped;
    rememberGroupByTrip(grouped);
    static_cast<RecordingListView*>(list_)->showModel(grouped ? static_cast<QAbstractItemModel&>(tripModel_)
                                                              : static_cast<QAbstractItemModel&>(listModel_),
                                                      grouped);
    spanTripRows();
    if (grouped && !tripModel_.trips())
        readTrips();
    if (!grouped) {
        tripsStatus_->hide();
        tripsProgress_.stop();
    } else if (tripsRead_.isRunning()) {
        tripsStatus_->show();
        tripsStatus_->raise();
        tripsProgress_.start();
    }
    markPlaying();
}

void MainWindow::spanTripRows()
{
    // A trip's row reads across the list in one line.
    if (!grouped_)
        return;
    for (int r = 0; r < tripModel_.rowCount(); ++r)
        if (tripModel_.isTripRow(tripModel_.index(r, 0)))
            list_->setFirstColumnSpanned(r, QModelIndex(), true);
}

void MainWindow::readTrips()
{
    tripsStop_.request_stop(); // a reading for an older listing gives up
    tripsStop_ = std::stop_source();
    const unsigned generation = ++tripsGeneration_;
    if (!grouped_ || listModel_.recordingCount() == 0)
        return;
    std::vector<RecordingRow> rows;
    rows.reserve(static_cast<std::size_t>(listModel_.recordingCount()));
    for (int row = 0; row < listModel_.recordingCount(); ++row)
        rows.push_back(*listModel_.row(row));
    tripsToMeasure_ = std::make_shared<std::atomic<std::size_t>>(0);
    tripsMeasured_ = std::make_shared<std::atomic<std::size_t>>(0);
    const auto measured = tripsMeasured_;
    const auto total = tripsToMeasure_;
    const std::filesystem::path folder(listedFolder_.toStdString());
    const std::stop_token stop = tripsStop_.get_token();
    tripsStatus_->setText(QStringLiteral("Reading trips..."));
    tripsStatus_->show();
    tripsStatus_->raise();
    tripsProgress_.start();
    // The durations of a whole card take a while to read: the flat rows show
    // meanwhile, and the trips replace them when they are known.
    tripsRead_.setFuture(QtConcurrent::run([rows = std::move(rows), folder, stop, measured, total, generation] {
        TripsDelivery delivery{generation, nullptr};
        try {
            // A front-rear pair is one recording to measure, however many rows it has.
            RecordingSet set = collectRecordings(rows);
            total->store(set.recordings.size());
            CardTrips trips = analyseRecordings(std::move(set), findCardConfig(folder), {}, stop,
                                                [&](std::size_t done) { measured->store(done); });
            if (stop.stop_requested())
                return delivery;
            delivery.trips = std::make_shared<const CardTrips>(std::move(trips));
        } catch (const std::exception& e) { // out of memory, say: the list stays flat
            qCWarning(viewerLog, "reading the trips failed: %s", e.what());
        }
        return delivery;
    }));
}

void MainWindow::tripsArrived(TripsDelivery delivery)
{
    if (delivery.generation != tripsGeneration_)
        return; // read for a listing replaced since
    tripsProgress_.stop();
    tripsStatus_->hide();
    if (!delivery.trips)
        return;
    const int count = static_cast<int>(delivery.trips->trips.size());
    qCInfo(viewerLog, "%d trips read", count);
    tripModel_.setTrips(std::move(delivery.trips));
    markPlaying();
    emit tripsRead(count);
}

void MainWindow::playTrip(std::size_t trip, std::int64_t fromMs)
{
    const std::shared_ptr<const CardTrips> trips = tripModel_.trips();
    if (!trips || trip >= trips->trips.size())
        return;
    auto playback = std::make_shared<const TripPlayback>(trips->trips[trip], trips->set.recordings);
    const TripPlayback* key = playback.get();
    tripSamples_.clear();
    qCInfo(viewerLog, "playing a trip of %lld ms from %lld ms", static_cast<long long>(playback->lengthMs()),
           static_cast<long long>(fromMs));
    playbackFolder_ = listedFolder_;
    controller_->playTrip(std::move(playback), fromMs);
    markPlaying();
    // The graph's samples and the map's route come from the trip's tracks, read on a worker.
    tripSamplesRead_.setFuture(QtConcurrent::run([trips, trip, key] {
        TripSamplesDelivery delivery{key, {}};
        try {
            delivery.samples = readTripTelemetry(trips->set.recordings, trips->trips[trip].timeline).samples;
        } catch (const std::exception& e) {
            qCWarning(viewerLog, "reading the trip's telemetry failed: %s", e.what());
        }
        return delivery;
    }));
}

void MainWindow::tripSamplesArrived(TripSamplesDelivery delivery)
{
    if (controller_->trip().get() != delivery.trip)
        return; // another trip, or none, plays now
    tripSamples_ = std::move(delivery.samples);
    std::vector<TimedAcceleration> graph;
    graph.reserve(tripSamples_.size());
    for (const TripSample& s : tripSamples_)
        graph.push_back({s.tripMs, s.accel});
    controller_->setTripAcceleration(std::move(graph));
    mapArea_->showTripRoute(tripRouteForMap());
    emit tripSamplesRead(static_cast<int>(tripSamples_.size()));
}

std::vector<TripRoutePoint> MainWindow::tripRouteForMap() const
{
    if (!controller_->playingTrip())
        return {};
    std::vector<TripRoutePoint> placed;
    for (const TripSample& s : tripSamples_) {
        if (!s.hasPlace())
            continue;
        const std::optional<long long> kmh = s.speedKmh();
        placed.push_back({nmeaToDegrees(s.fix.latitudeRaw, s.fix.latitudeHemisphere),
                          nmeaToDegrees(s.fix.longitudeRaw, s.fix.longitudeHemisphere),
                          kmh ? static_cast<double>(*kmh) : 0.0, s.tripMs});
    }
    if (placed.size() <= kMostRoutePoints)
        return placed;
    // Evenly spaced, the first and the last among them.
    std::vector<TripRoutePoint> thinned;
    thinned.reserve(kMostRoutePoints);
    const std::size_t last = placed.size() - 1;
    for (std::size_t i = 0; i < kMostRoutePoints; ++i)
        thinned.push_back(placed[i * last / (kMostRoutePoints - 1)]);
    return thinned;
}

void MainWindow::activateIndex(const QModelIndex& index)
{
    if (!index.isValid())
        return;
    if (!grouped_ || index.model() != &tripModel_) {
        activateRow(index.row());
        return;
    }
    if (tripModel_.isTripRow(index)) {
        list_->setCurrentIndex(index);
        playTrip(*tripModel_.tripOf(index), 0);
        return;
    }
    const int row = tripModel_.flatRow(index);
    const auto inTrip = tripModel_.tripRecordingOfFlatRow(row);
    if (!inTrip) {
        activateRow(row);
        return;
    }
    // A recording of a trip: the trip, from where the recording comes in
    // (or, covered all along by another, from its start time).
    const auto& [trip, recording] = *inTrip;
    const TripSummary& summary = tripModel_.trips()->trips[trip];
    const CameraMs start = tripModel_.trips()->set.recordings[recording].start;
    std::int64_t from = summary.timeline.tripTimeOf(start);
    for (const TimelinePiece& piece : summary.timeline.pieces())
        if (piece.recording == recording) {
            from = piece.tripFrom;
            break;
        }
    list_->setCurrentIndex(index);
    playTrip(trip, from);
}

void MainWindow::markPlaying()
{
    int row = controller_->currentRow();
    if (controller_->playingTrip()) {
        row = -1;
        const QByteArray& open = controller_->openedPath();
        for (int r = 0; r < listModel_.recordingCount() && !open.isEmpty(); ++r)
            if (listModel_.path(r) == open) {
                row = r;
                break;
            }
    }
    listModel_.setCurrentRow(row);
    const TripPlayback* playing = controller_->trip().get();
    if (playing != markedTrip_) {
        markedTrip_ = playing;
        seek_->setMarks(playing != nullptr ? playing->eventTimes() : std::vector<std::int64_t>{});
        if (playing == nullptr) {
            tripSamples_.clear();
            mapArea_->clearTripRoute(); // the single recording's own route again
        }
    }
    std::optional<std::size_t> trip;
    if (playing != nullptr && row >= 0)
        if (const auto inTrip = tripModel_.tripRecordingOfFlatRow(row))
            trip = inTrip->first;
    tripModel_.setPlayingTrip(trip);
}

void MainWindow::seekCommand(const std::function<void()>& command)
{
    const QByteArray fileBefore = controller_->openedPath();
    const auto pictureBefore = frontPane_->paintedPicture();
    const qint64 given = QDateTime::currentMSecsSinceEpoch();
    command();
    if (!viewerLog().isInfoEnabled())
        return;
    const bool otherFile = controller_->openedPath() != fileBefore;
    qCInfo(viewerLog, "seek to %lld ms (%s) given at %lld ms since the epoch",
           static_cast<long long>(controller_->seekBar().position()), otherFile ? "another file" : "the same file",
           static_cast<long long>(given));
    // Another file's first picture; in the same file any new one (a measure
    // only while paused, when nothing but the seek brings a new picture).
    seekPainted_->arm(QStringLiteral("picture after the seek"), [this, pictureBefore, otherFile] {
        const auto now = frontPane_->paintedPicture();
        return otherFile ? now.second != pictureBefore.second : now != pictureBefore;
    });
}

void MainWindow::tripFileOpened()
{
    markPlaying();
    const QModelIndex index = shownIndex(listModel_.currentRow());
    if (!index.isValid())
        return;
    if (index.parent().isValid())
        list_->expand(index.parent()); // the file playing shows under its trip
    list_->scrollTo(index);
}

void MainWindow::showInformation(bool information)
{
    informationShown_ = information;
    informationTab_->setSelected(information);
    recordTab_->setSelected(!information);
    list_->setVisible(!information);
    for (QWidget* w : {static_cast<QWidget*>(mapArea_), static_cast<QWidget*>(speed_), static_cast<QWidget*>(hdop_),
                       static_cast<QWidget*>(satellites_), static_cast<QWidget*>(trueTime_)})
        w->setVisible(information);
    if (!information)
        list_->setGeometry(kListArea);
    else
        showCurrentPosition(); // the readout only moves the map while playing
}

void MainWindow::showCurrentPosition()
{
    const auto [length, position] = controller_->readoutScale();
    if (const auto at = mapPositionAt(store_, length, position))
        mapArea_->showPosition(at->longitude, at->latitude, true);
}

void MainWindow::readoutTick()
{
    updateTrueTime();
    // In a trip the readout follows the open file's own clock and track, and
    // shows the sample of the moment (a recording on its own shows the one
    // before the graph's cursor, and nothing new at its first sample, which
    // in a trip would leave the file before's speed up for a second).
    const auto [length, position] = controller_->readoutScale();
    const std::int64_t sample =
        controller_->playingTrip() ? store_.sampleIndexAt(position, length) + 1 : graphModel_.currentSample();
    const auto update = dravonix::readoutTick(controller_->frontPlaying(), store_, length, position, sample);
    if (!update)
        return;
    speed_->setText(QString::fromStdString(update->speed));
    if (update->hdop) {
        hdop_->setText(QString::fromStdString(*update->hdop));
        satellites_->setText(QString::fromStdString(*update->satellites));
    }
    // The map follows only while the information panel shows it.
    if (informationShown_ && update->longitude && update->latitude)
        mapArea_->showPosition(*update->longitude, *update->latitude, true);
}

void MainWindow::trackLoaded()
{
    std::vector<std::pair<double, double>> route;
    for (const GpsFix& fix : store_.fixes())
        if (fix.hasPosition())
            route.emplace_back(nmeaToDegrees(fix.latitudeRaw, fix.latitudeHemisphere),
                               nmeaToDegrees(fix.longitudeRaw, fix.longitudeHemisphere));
    mapArea_->setTrack(thinnedRoute(route));
    if (store_.sampleCount() > 0)
        mapArea_->setMilesPerHour(store_.samples().front().usesMilesPerHour());
    recordingStart_.reset();
    if (!controller_->openedPath().isEmpty()) // empty when the file could not be opened
        recordingStart_ = recordingStartFromName(QFileInfo(QFile::decodeName(controller_->openedPath())).fileName().toStdString());
    measureClock();
    updateTrueTime();
    // Once per recording: the decoders of the file before have freed their
    // pictures by now, and glibc keeps freed memory of its thread arenas
    // unless asked; hand it back so the footprint stays that of one file.
#ifdef __GLIBC__
    ::malloc_trim(0);
#endif
}

void MainWindow::measureClock()
{
    const quint64 generation = ++clockGeneration_;
    zoneMinutes_.reset();
    if (!recordingStart_ || store_.sampleCount() == 0) {
        showClockOffset(std::nullopt, 0);
        return;
    }
    // The notice stays until the new measurement replaces it: playing on
    // through a card, it would otherwise blink at every file.
    // The card's settings are read from the card, which may be slow to answer.
    const std::filesystem::path folder = std::filesystem::path(controller_->openedPath().toStdString()).parent_path();
    const CameraMs start = *recordingStart_;
    // The file's own length from its header: in a trip the seek bar spans
    // the whole trip, and would spread the file's samples over it.
    const std::filesystem::path file = std::filesystem::path(controller_->openedPath().toStdString());
    const std::int64_t seekLength = controller_->playingTrip() ? 0 : controller_->seekBar().maximum();
    clockJob_.setFuture(QtConcurrent::run([generation, folder, file, start, seekLength, fixes = store_.fixes()] {
        ClockMeasurement measured;
        measured.generation = generation;
        measured.zoneMinutes = cardZoneMinutes(findCardConfig(folder));
        const auto header = readMovieDurationMs(file);
        const std::int64_t durationMs = header ? *header : seekLength;
        if (durationMs > 0)
            measured.offset = recordingClockOffset(fixes, start, durationMs, measured.zoneMinutes);
        return measured;
    }));
}

void MainWindow::showClockOffset(std::optional<ClockOffset> offset, int zoneMinutes)
{
    clockOffset_ = offset ? std::optional<double>(offset->seconds) : std::nullopt;
    clockZone_ = zoneMinutes;
    const std::optional<std::string> notice = offset ? clockNotice(offset->seconds) : std::nullopt;
    if (!notice) {
        clockNotice_->clear();
        clockNotice_->hide();
        return;
    }
    clockNotice_->setText(QStringLiteral("<span style=\"color:#f2c462\">%1</span>&nbsp;&nbsp;"
                                         "<a href=\"device-time\" style=\"color:#8cc4ff\">Set the camera's clock\u2026</a>")
                              .arg(QString::fromStdString(*notice).toHtmlEscaped()));
    clockNotice_->setToolTip(QStringLiteral("Measured over %1 GPS fixes of the recording, in the card's time zone (%2).")
                                 .arg(offset->fixes)
                                 .arg(QString::fromStdString(zoneText(zoneMinutes))));
    clockNotice_->setVisible(!controller_->fullScreen());
}

void MainWindow::openDeviceTime()
{
    const auto volumes = volumesFromEnvironment();
    DeviceTimeDialog dialog(*volumes, this);
    if (clockOffset_)
        dialog.offerGpsTime(*clockOffset_, clockZone_);
    dialog.exec();
}

void MainWindow::updateTrueTime()
{
    if (!recordingStart_) {
        trueTime_->clear();
        return;
    }
    // The open file's own clock: in a trip the seek bar counts trip time.
    const auto [maximum, position] = controller_->readoutScale();
    const auto n = static_cast<std::int64_t>(store_.sampleCount());
    const GpsFix* fix = n > 0 && maximum > 0 ? store_.fixAt(position * (n - 1) / maximum) : nullptr;
    TrueTime time = trueTimeAt(*recordingStart_, position, zoneMinutes_ ? fix : nullptr, zoneMinutes_.value_or(0));
    trueTime_->setText(QString::fromStdString(trueTimeText(time)));
}

void MainWindow::showOpenProblem(const QString& text)
{
    frontPane_->setMessage(text);
    if (text.isEmpty())
        rearPane_->setMessage(text); // a new open starts without either pane's message
    else
        qCWarning(viewerLog, "%s", qUtf8Printable(text));
}

void MainWindow::showPlaybackProblem(bool frontEngine, const QString& text)
{
    (frontEngine ? frontPane_ : rearPane_)->setMessage(text);
    qCWarning(viewerLog, "%s", qUtf8Printable(text));
}

void MainWindow::seekBarChanged()
{
    if (controller_->trip().get() != markedTrip_)
        markPlaying(); // a trip began or ended
    showExportMarks();
    seek_->update();
    updateTrueTime();
}

QToolButton* MainWindow::textButton(const QString& text, const QString& tip, QRect place)
{
    auto* b = new QToolButton(this);
    b->setText(text);
    b->setToolTip(tip);
    b->setGeometry(place);
    b->setFocusPolicy(Qt::NoFocus); // keys stay with the window's own handling
    b->setStyleSheet(QStringLiteral("QToolButton { color: #d8dde4; background: transparent; border: 1px solid #4a525e;"
                                    " border-radius: 3px; font-size: 11px; }"
                                    " QToolButton:hover { background: #2c3139; }"
                                    " QToolButton:pressed { background: #3d9bff; color: white; }"
                                    " QToolButton:disabled { color: #5a626e; border-color: #343a44; }"));
    return b;
}

std::optional<PlayedSpan> MainWindow::playedSpan() const
{
    if (const TripPlayback* trip = controller_->trip().get()) {
        const TripTimeline& timeline = trip->timeline();
        return PlayedSpan{timeline.cameraTimeAt(0), timeline.cameraTimeAt(timeline.lengthMs())};
    }
    if (!recordingStart_ || controller_->openedPath().isEmpty() || controller_->seekBar().maximum() <= 0)
        return std::nullopt;
    return PlayedSpan{*recordingStart_, *recordingStart_ + controller_->seekBar().maximum()};
}

QByteArray MainWindow::exportSourceFolder() const
{
    // Playback goes on when another folder is listed (a copy of the card,
    // another camera's), whose recordings may cover the same moments: the
    // export must read the ones that play.
    const QByteArray& open = controller_->openedPath();
    const bool inListed = open.startsWith(listedFolder_)
                          && (listedFolder_.endsWith('/') || (open.size() > listedFolder_.size() && open[listedFolder_.size()] == '/'));
    return inListed || playbackFolder_.isEmpty() ? listedFolder_ : playbackFolder_;
}

std::optional<CameraMs> MainWindow::cameraTimeNow() const
{
    if (const TripPlayback* trip = controller_->trip().get())
        return trip->timeline().cameraTimeAt(controller_->seekBar().position());
    if (!playedSpan())
        return std::nullopt;
    return *recordingStart_ + controller_->seekBar().position();
}

std::int64_t MainWindow::seekPositionOf(CameraMs time) const
{
    if (const TripPlayback* trip = controller_->trip().get())
        return trip->timeline().tripTimeOf(time);
    return recordingStart_ ? time - *recordingStart_ : 0;
}

void MainWindow::showExportMarks()
{
    const std::optional<PlayedSpan> span = playedSpan();
    std::optional<std::int64_t> in, out;
    if (span) {
        if (const auto mark = exportMarks_.inWithin(*span))
            in = seekPositionOf(*mark);
        if (const auto mark = exportMarks_.outWithin(*span))
            out = seekPositionOf(*mark);
    }
    seek_->setRangeMarks(in, out);
    for (QToolButton* b : {markIn_, markOut_, export_})
        b->setEnabled(span.has_value());
}

void MainWindow::markExportIn()
{
    if (const auto now = cameraTimeNow()) {
        exportMarks_.markIn(*now);
        showExportMarks();
    }
}

void MainWindow::markExportOut()
{
    if (const auto now = cameraTimeNow()) {
        exportMarks_.markOut(*now);
        showExportMarks();
    }
}

void MainWindow::openExport()
{
    const std::optional<PlayedSpan> span = playedSpan();
    if (!span)
        return;
    const auto [from, to] = exportMarks_.range(*span);
    ExportChoices initial;
    // Whole seconds: the clips' names and the dialog count in seconds.
    initial.from = dateTimeOf(from - from % 1000);
    initial.to = dateTimeOf(to + (1000 - to % 1000) % 1000);
    initial.targetFolder = lastExportFolder_;
    if (initial.targetFolder.isEmpty()) {
        const QString videos = QStandardPaths::writableLocation(QStandardPaths::MoviesLocation);
        initial.targetFolder = QFileInfo(videos).isDir() ? videos : QDir::homePath();
    }
    ExportServices services = ExportServices::system();
    services.run = exportRunner_ ? exportRunner_ : incidentExportRunner(exportSourceFolder());
    ExportDialog dialog(initial, dateTimeOf(span->start - span->start % 1000),
                        dateTimeOf(span->end + (1000 - span->end % 1000) % 1000), std::move(services), this);
    dialog.exec();
    lastExportFolder_ = dialog.choices().targetFolder;
}
void MainWindow::volumeSliderChanged()
{
    volume_->update();
    const bool muted = controller_->muted();
    if (muted != volumeIcon_->property("muted").toBool()) {
        volumeIcon_->setProperty("muted", muted);
        volumeIcon_->setStrip(UiRegistry::instance().image(muted ? 1106 : 1105), 3);
    }
}
void MainWindow::graphChanged() { graph_->update(); }

void MainWindow::showPlayButton(bool playVisible)
{
    play_->setVisible(playVisible);
    pause_->setVisible(!playVisible);
}

void MainWindow::setRateLabel(const QString& text) { rate_->setText(text); }

void MainWindow::setPaneVideo(bool frontEngine, bool hasVideo)
{
    (frontEngine ? frontPane_ : rearPane_)->setHasVideo(hasVideo);
}

void MainWindow::layoutPanes(PaneLayout layout)
{
    // The panes' area of the full-screen view: below the title row, above the transport row.
    const QRect full(2, 54, screenArea_.width() - 2, screenArea_.height() - 144);
    switch (layout) {
    case PaneLayout::FrontLargeRearSmall:
        frontPane_->setGeometry(kLargePane);
        rearPane_->setGeometry(kSmallPane);
        frontPane_->show();
        rearPane_->show();
        break;
    case PaneLayout::FrontSmallRearLarge:
        frontPane_->setGeometry(kSmallPane);
        rearPane_->setGeometry(kLargePane);
        frontPane_->show();
        rearPane_->show();
        frontPane_->raise();
        break;
    case PaneLayout::FullScreenFront:
        frontPane_->setGeometry(full);
        frontPane_->show();
        rearPane_->hide();
        break;
    case PaneLayout::FullScreenRear:
        rearPane_->setGeometry(full);
        rearPane_->show();
        frontPane_->hide();
        break;
    case PaneLayout::FullScreenBoth: {
        // Side by side, each as large as a 16:9 picture can be in its half.
        const int gap = 8;
        const int half = (full.width() - gap) / 2;
        const int h = std::min(full.height(), half * 9 / 16);
        const int w = std::min(half, h * 16 / 9);
        const int top = full.top() + (full.height() - h) / 2;
        const int left = full.left() + (full.width() - 2 * w - gap) / 2;
        const bool rearFirst = controller_->swapped();
        (rearFirst ? rearPane_ : frontPane_)->setGeometry(left, top, w, h);
        (rearFirst ? frontPane_ : rearPane_)->setGeometry(left + w + gap, top, w, h);
        frontPane_->show();
        rearPane_->show();
        break;
    }
    }
    frontPane_->update();
    rearPane_->update();
}

void MainWindow::resetReadout()
{
    hdop_->setText(QStringLiteral("1.0"));
    satellites_->setText(QStringLiteral("0"));
}

void MainWindow::setReadoutTimer(bool running)
{
    if (running)
        readoutTimer_.start();
    else
        readoutTimer_.stop();
}

void MainWindow::magnifierChanged()
{
    magnify_->setChecked(controller_->magnifier());
    frontPane_->update();
    rearPane_->update();
}

void MainWindow::snapshotTo(const QString& path)
{
    if (!controller_->snapshotAllowed())
        return;
    controller_->largePaneEngine()->snapshot(path);
}

void MainWindow::snapshot()
{
    if (!controller_->snapshotAllowed())
        return;
    const bool paused = controller_->pauseForSnapshot();
    const QString suggested = snapshotFileName(
        largePaneRecording(controller_->openedPath(), controller_->mode(), controller_->swapped()),
        controller_->largePaneEngine()->time());
    QString path = QFileDialog::getSaveFileName(this, QString(), QDir(snapshotDialogFolder(lastSnapshotFolder_)).filePath(suggested),
                                                QStringLiteral("png file (*.png)"));
    if (!path.isEmpty()) {
        lastSnapshotFolder_ = QFileInfo(path).absolutePath();
        if (!path.endsWith(QLatin1String(".png"), Qt::CaseInsensitive))
            path += QStringLiteral(".png");
        controller_->largePaneEngine()->snapshot(path);
    }
    controller_->resumeAfterSnapshot(paused);
}

void MainWindow::copySelection()
{
    QList<int> rows = selectedFlatRows();
    if (rows.isEmpty()) {
        tell(QStringLiteral("Copy"), QStringLiteral("Select the recordings to copy first."));
        return;
    }
    if (rows.size() > kMostRowsCopied) {
        tell(QStringLiteral("Copy"), QStringLiteral("%1 recordings are selected; at most %2 are copied at a time. "
                                                    "Select fewer and copy again.")
                                         .arg(rows.size())
                                         .arg(kMostRowsCopied));
        return;
    }
    std::sort(rows.begin(), rows.end());
    const QString folder = QFileDialog::getExistingDirectory(this, QString(), copyDialogFolder(lastCopyFolder_));
    if (folder.isEmpty())
        return;
    lastCopyFolder_ = folder;
    copyRows(rows, folder);
}

void MainWindow::tell(const QString& title, const QString& text, QMessageBox::Icon icon)
{
    auto* box = new QMessageBox(icon, title, text, QMessageBox::Ok, this);
    box->setObjectName(QStringLiteral("viewerMessage"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    box->open();
}

bool MainWindow::copyRunning() const { return copyThread_ != nullptr; }

void MainWindow::copyRows(const QList<int>& rows, const QString& folder, bool askBeforeReplacing)
{
    if (copyThread_ != nullptr)
        return;
    QList<QByteArray> sources;
    for (const int row : rows) // each row's own file, even when two folders hold the same name
        if (const RecordingRow* r = listModel_.row(row))
            sources << r->nativePath;
    const QList<QByteArray> existing = CopyJob::existingTargets(sources, folder);
    if (!existing.isEmpty() && askBeforeReplacing) {
        const auto answer = QMessageBox::question(
            this, QStringLiteral("Copy"),
            QStringLiteral("%1 of these files already exist in %2. Replace them?").arg(existing.size()).arg(folder),
            QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::No);
        if (answer == QMessageBox::Cancel)
            return;
        if (answer == QMessageBox::No)
            sources.erase(std::remove_if(sources.begin(), sources.end(),
                                         [&](const QByteArray& s) { return existing.contains(CopyJob::targetFor(s, folder)); }),
                          sources.end());
    }
    if (sources.isEmpty()) {
        tell(QStringLiteral("Copy"), QStringLiteral("Nothing was copied: the files are in %1 already.")
                                         .arg(QDir::toNativeSeparators(folder)));
        return;
    }
    const auto wanted = static_cast<int>(sources.size());
    auto* job = new CopyJob(sources, folder);
    copyJob_ = job;
    copyThread_ = new QThread(this);
    job->moveToThread(copyThread_);
    auto* progress = new QProgressDialog(QStringLiteral("Copying..."), QStringLiteral("Cancel"), 0, 100, this);
    progress->setObjectName(QStringLiteral("copyProgress"));
    progress->setWindowModality(Qt::WindowModal);
    progress->setMinimumDuration(300);
    connect(progress, &QProgressDialog::canceled, job, [job] { job->cancel(); }, Qt::DirectConnection);
    connect(job, &CopyJob::progress, progress, [progress](int percent, const QString& file) {
        progress->setLabelText(QStringLiteral("Copying %1").arg(file));
        progress->setValue(percent);
    });
    connect(copyThread_, &QThread::started, job, &CopyJob::run);
    connect(job, &CopyJob::finished, this, [this, job, progress, folder, wanted](int copied, const QString& error) {
        progress->deleteLater();
        copyThread_->quit();
        copyThread_->wait();
        copyThread_->deleteLater();
        copyThread_ = nullptr;
        job->deleteLater();
        const QString where = QDir::toNativeSeparators(folder);
        const QString files = copied == 1 ? QStringLiteral("1 file") : QStringLiteral("%1 files").arg(copied);
        if (!error.isEmpty())
            tell(QStringLiteral("Copy"), QStringLiteral("%1\n%2 of %3 copied to %4.").arg(error, files, QString::number(wanted), where),
                 QMessageBox::Warning);
        else if (copied < wanted)
            tell(QStringLiteral("Copy"), QStringLiteral("Copy cancelled: %1 of %2 copied to %3.").arg(files, QString::number(wanted), where));
        else
            tell(QStringLiteral("Copy"), QStringLiteral("Copied %1 to %2.").arg(files, where));
        emit copyFinished(copied, error);
    });
    copyThread_->start();
}

void MainWindow::paneDoubleClicked(int view)
{
    VideoPane* pane = view == 1 ? frontPane_ : rearPane_;
    LibVlcEngine& engine = view == 1 ? front_ : rear_;
    if (!pane->hasVideo() || engine.state() == MediaState::Ended)
        return;
    if (controller_->mode() == ChannelMode::Both || view == 1)
        toggleFullScreen(view);
}

void MainWindow::toggleFullScreen(int view)
{
    if (!controller_->fullScreen()) {
        savedGeometry_ = geometry();
        screenArea_ = (screen() != nullptr ? screen() : QGuiApplication::primaryScreen())->geometry();
        setMinimumSize(0, 0);
        setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        setGeometry(screenArea_);
        placeFullScreen(screenArea_.width(), screenArea_.height());
        controller_->enterFullScreen(view);
    } else {
        setGeometry(savedGeometry_);
        setFixedSize(1020, 645);
        placeNormal();
        controller_->leaveFullScreen();
    }
    update();
}

void MainWindow::placeNormal()
{
    close_->move(969, 5);
    maximize_->move(936, 5);
    minimize_->move(906, 5);
    seek_->move(42, 570);
    rewind_->move(61, 603);
    play_->move(84, 603);
    pause_->move(84, 603);
    forward_->move(107, 603);
    slower_->move(141, 605);
    rate_->move(157, 606);
    faster_->move(186, 605);
    magnify_->move(443, 594);
    swap_->move(481, 594);
    fullScreen_->move(519, 594);
    volumeIcon_->move(566, 592);
    volume_->move(594, 598);
    for (QWidget* w : {static_cast<QWidget*>(recordTab_), static_cast<QWidget*>(informationTab_), static_cast<QWidget*>(graph_),
                       static_cast<QWidget*>(open_), static_cast<QWidget*>(snapshot_), static_cast<QWidget*>(settings_),
                       static_cast<QWidget*>(clock_)})
        w->show();
    clockNotice_->setVisible(!clockNotice_->text().isEmpty());
    showInformation(informationShown_);
}

void MainWindow::placeFullScreen(int w, int h)
{
    const int d = w / 2;
    const int c = h;
    for (QWidget* hidden : {static_cast<QWidget*>(list_), static_cast<QWidget*>(speed_), static_cast<QWidget*>(hdop_),
                            static_cast<QWidget*>(satellites_), static_cast<QWidget*>(recordTab_),
                            static_cast<QWidget*>(informationTab_), static_cast<QWidget*>(graph_), static_cast<QWidget*>(mapArea_),
                            static_cast<QWidget*>(trueTime_), static_cast<QWidget*>(clockNotice_)})
        hidden->hide();
    close_->move(w - 51, 5);
    maximize_->move(w - 84, 5);
    minimize_->move(w - 114, 5);
    seek_->move(d - 296, c - 75);
    rewind_->move(d - 277, c - 42);
    play_->move(d - 254, c - 42);
    pause_->move(d - 254, c - 42);
    forward_->move(d - 231, c - 42);
    slower_->move(d - 197, c - 40);
    rate_->move(d - 181, c - 39);
    faster_->move(d - 152, c - 40);
    magnify_->move(d + 105, c - 51);
    swap_->move(d + 143, c - 51);
    fullScreen_->move(d + 181, c - 51);
    volumeIcon_->move(d + 228, c - 53);
    volume_->move(d + 256, c - 47);
}

void MainWindow::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    if (!controller_->fullScreen()) {
        p.drawPixmap(0, 0, background_);
        return;
    }
    UiRegistry& ui = UiRegistry::instance();
    p.drawPixmap(rect(), ui.image(11)); // stretched: tiles of its gradient would band
    p.drawPixmap(width() / 2 - 328, height() - 90, ui.image(12));
}

void MainWindow::mousePressEvent(QMouseEvent* event)
{
    // The whole window drags by its background, except in full screen.
    if (event->button() == Qt::LeftButton && !controller_->fullScreen() && windowHandle() != nullptr)
        windowHandle()->startSystemMove();
}

void MainWindow::mouseDoubleClickEvent(QMouseEvent*) { toggleFullScreen(0); }

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress || !isActiveWindow() || QApplication::activeModalWidget() != nullptr
        || QApplication::activePopupWidget() != nullptr)
        return QWidget::eventFilter(watched, event);
    switch (static_cast<QKeyEvent*>(event)->key()) {
    case Qt::Key_Space: controller_->key(TransportKey::Space); break;
    case Qt::Key_Return:
    case Qt::Key_Enter: playSelection(); break;
    case Qt::Key_Escape:
        if (controller_->fullScreen())
            toggleFullScreen(0); // any request leaves
        break;
    case Qt::Key_Up: moveSelection(-1); break;
    case Qt::Key_Down: moveSelection(+1); break;
    case Qt::Key_PageUp: controller_->key(TransportKey::PageUp); break;
    case Qt::Key_PageDown: controller_->key(TransportKey::PageDown); break;
    case Qt::Key_Left: seekCommand([this] { controller_->key(TransportKey::Left); }); break;
    case Qt::Key_Right: seekCommand([this] { controller_->key(TransportKey::Right); }); break;
    case Qt::Key_N: seekCommand([this] { controller_->key(TransportKey::NextEvent); }); break;
    case Qt::Key_P: seekCommand([this] { controller_->key(TransportKey::PreviousEvent); }); break;
    case Qt::Key_I: markExportIn(); break;
    case Qt::Key_O: markExportOut(); break;
    default: break;
    }
    markPlaying();
    return true; // every key press in the main window is ours
}

void MainWindow::moveSelection(int step)
{
    // The view makes its first row current, unselected, when it takes the
    // focus; with nothing selected the keys still start from the first row.
    QModelIndex current = list_->currentIndex();
    if (!list_->selectionModel()->isSelected(current))
        current = QModelIndex();
    if (grouped_) { // through the rows as the tree shows them
        QModelIndex to = !current.isValid() ? tripModel_.index(0, 0)
                                            : (step > 0 ? list_->indexBelow(current) : list_->indexAbove(current));
        if (!to.isValid())
            return;
        list_->selectionModel()->setCurrentIndex(to, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        list_->scrollTo(to);
        return;
    }
    const int rows = listModel_.rowCount();
    if (rows == 0)
        return;
    const int row = current.isValid() ? std::clamp(current.row() + step, 0, rows - 1) : (step > 0 ? 0 : rows - 1);
    const QModelIndex index = listModel_.index(row, 0);
    list_->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    list_->scrollTo(index);
}

void MainWindow::playSelection()
{
    const QModelIndexList selected = list_->selectionModel()->selectedRows();
    if (selected.isEmpty())
        return;
    if (grouped_) {
        const QModelIndex current = list_->currentIndex();
        activateIndex(list_->selectionModel()->isRowSelected(current.row(), current.parent()) ? current.siblingAtColumn(0)
                                                                                               : selected.front());
        return;
    }
    activateRow(std::min_element(selected.begin(), selected.end())->row());
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    readoutTimer_.stop();
    event->accept();
}

} // namespace dravonix
