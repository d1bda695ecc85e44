#pragma once
// The viewer's main window: a fixed 1020 x 645 skinned, caption-less window
// with the two video panes, the transport row, the tool buttons, the
// recording list and the telemetry views. It shows what the playback
// controller decides and passes the user's commands to it.

#include "app/viewer/export_dialog.h"
#include "app/viewer/recording_list_model.h"
#include "app/viewer/trip_list_model.h"
#include "app/viewer/video_pane.h"
#include "playback/libvlc_engine.h"
#include "playback/export_marks.h"
#include "playback/playback_controller.h"
#include "telemetry/telemetry_track.h"
#include "toolkit/ui/skin_button.h"
#include "toolkit/ui/skin_slider.h"
#include "trips/card_trips.h"
#include "views/gsensor_graph_model.h"
#include "views/gsensor_graph_widget.h"
#include "views/map_view.h"
#include "views/trip_route.h"

#include <QFutureWatcher>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
#include <QWidget>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <stop_token>
#include <vector>

namespace dravonix {

class FirstPaintLog;

// How far the open recording found the camera's clock from GPS time, and the
// card's zone it was taken in; worked out off the UI thread.
struct ClockMeasurement {
    quint64 generation = 0;
    int zoneMinutes = 0;
    std::optional<ClockOffset> offset;
};

// A scan's rows, or why the folder could not be listed.
struct FolderRows {
    std::vector<RecordingRow> rows;
    std::optional<ScanError> error;
};

// The trips of a listing, worked out on a worker; null when stopped or failed.
struct TripsDelivery {
    unsigned generation = 0;
    std::shared_ptr<const CardTrips> trips;
};

// One trip's merged samples, read on a worker for the trip being played.
struct TripSamplesDelivery {
    const TripPlayback* trip = nullptr;
    std::vector<TripSample> samples;
};

class MainWindow : public QWidget, public PlaybackView {
    Q_OBJECT
public:
    explicit MainWindow(const QStringList& engineOptions = {}, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Scans a folder off the UI thread and fills the list when it is done.
    void openFolder(const QString& folder);
    // The same for a folder given as the file system's bytes (from the command line).
    void openNativeFolder(const QByteArray& folder);
    bool scanning() const { return scan_.isRunning(); }
    // The folder whose recordings the list shows; empty before the first.
    const QByteArray& listedFolder() const { return listedFolder_; }

    PlaybackController& controller() { return *controller_; }
    RecordingListModel& listModel() { return listModel_; }
    QTreeView& listView() { return *list_; }
    LibVlcEngine& frontEngine() { return front_; }
    LibVlcEngine& rearEngine() { return rear_; }
    VideoPane& frontPane() { return *frontPane_; }
    VideoPane& rearPane() { return *rearPane_; }
    GSensorGraphWidget& graph() { return *graph_; }
    QLabel& speedLabel() { return *speed_; }
    QLabel& trueTimeLabel() { return *trueTime_; }
    QLabel& clockNoticeLabel() { return *clockNotice_; }
    MapView& mapView() { return *mapArea_; }
    bool informationShown() const { return informationShown_; }
    TripListModel& tripModel() { return tripModel_; }

    // The list grouped by trip (remembered between runs) or flat, as today.
    void setGroupedByTrip(bool grouped);
    bool groupedByTrip() const { return grouped_; }
    // True while the durations and trips of the listing are being read.
    bool readingTrips() const { return tripsRead_.isRunning(); }
    // Plays a trip of the grouped list from a moment of it.
    void playTrip(std::size_t trip, std::int64_t fromMs = 0);
    // Plays what a row of the list as shown stands for: a trip from its
    // start, a recording of a trip from where it comes in the trip, any
    // other recording alone.
    void activateIndex(const QModelIndex& index);
    // The route of the trip playing, for the map: its placed fixes with
    // speed and trip time, thinned to at most 2,000 points; empty before the
    // trip's samples are read or outside a trip.
    std::vector<TripRoutePoint> tripRouteForMap() const;

    // Commands, also for tests.
    void activateRow(int row);
    void showInformation(bool information);
    void toggleFullScreen(int view);
    void snapshotTo(const QString& path); // the snapshot without its dialog
    void copyRows(const QList<int>& rows, const QString& folder, bool askBeforeReplacing = true);
    void copySelection(); // asks for the folder
    bool copyRunning() const;
    // The camera's clock against GPS time for what plays (a trip reports its
    // own): a notice when it is off by more than the blur, and the offer in
    // the Device Time dialog. None hides the notice.
    void showClockOffset(std::optional<ClockOffset> offset, int zoneMinutes);
    std::optional<double> clockOffsetSeconds() const { return clockOffset_; }
    bool measuringClock() const { return clockJob_.isRunning(); }
    // The Device Time dialog, with the measured offset when there is one.
    void openDeviceTime();
    // Export: the in and out marks (I and O, or the buttons) on what plays,
    // and the Export dialog for the marked stretch (all of it without marks).
    void markExportIn();
    void markExportOut();
    void openExport();
    const ExportMarks& exportMarks() const { return exportMarks_; }
    // Reading the trips: the recordings measured so far and how many there
    // are (0 until they are collected; a front-rear pair counts once).
    std::pair<std::size_t, std::size_t> tripsMeasured() const { return {tripsMeasured_->load(), tripsToMeasure_->load()}; }
    // What plays, on the camera's clock; none before a named recording plays.
    std::optional<PlayedSpan> playedSpan() const;
    // The folder whose recordings an export reads: the one listed when what
    // plays was started from the list.
    QByteArray exportSourceFolder() const;
    // The export the dialog runs; tests give their own.
    void setExportRunner(ExportRunner runner) { exportRunner_ = std::move(runner); }

    // PlaybackView
    void seekBarChanged() override;
    void volumeSliderChanged() override;
    void graphChanged() override;
    void showPlayButton(bool playVisible) override;
    void setRateLabel(const QString& text) override;
    void setPaneVideo(bool frontEngine, bool hasVideo) override;
    void layoutPanes(PaneLayout layout) override;
    void resetReadout() override;
    void setReadoutTimer(bool running) override;
    void selectListRow(int row) override;
    void magnifierChanged() override;
    void trackLoaded() override;
    void tripFileOpened() override;
    void showOpenProblem(const QString& text) override;
    void showPlaybackProblem(bool frontEngine, const QString& text) override;

signals:
    void folderListed(int rows);
    void folderRefused(const QString& message);
    void copyFinished(int copied, const QString& error);
    void tripsRead(int trips);
    void tripSamplesRead(int samples);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    SkinButton* button(int skinId, int tooltipId, QRect place);
    QToolButton* textButton(const QString& text, const QString& tip, QRect place);
    std::optional<CameraMs> cameraTimeNow() const;
    std::int64_t seekPositionOf(CameraMs time) const;
    void showExportMarks();
    void placeNormal();
    void placeFullScreen(int w, int h);
    void readoutTick();
    void chooseFolder();
    void snapshot();
    void paneDoubleClicked(int view);
    void moveSelection(int step);
    void playSelection();
    void showCurrentPosition();
    void updateTrueTime();
    void measureClock();
    // Runs a seek the user gave; with the viewer's log on, logs when it was
    // given and when the large pane then shows a new picture.
    void seekCommand(const std::function<void()>& command);
    // Starts reading the listing's durations and trips (grouped lists only).
    void readTrips();
    void spanTripRows();
    void tripsArrived(TripsDelivery delivery);
    void tripSamplesArrived(TripSamplesDelivery delivery);
    // The list's playing colour on the recording playing, and the event
    // marks and playing trip row on the trip playing.
    void markPlaying();
    // The index the list shows for a flat row, and the flat rows selected.
    QModelIndex shownIndex(int flatRow) const;
    QList<int> selectedFlatRows() const;
    // A message that doesn't stop the window: the user closes it when read.
    void tell(const QString& title, const QString& text, QMessageBox::Icon icon = QMessageBox::Information);

    TelemetryTrack store_;
    GSensorGraphModel graphModel_{store_};
    LibVlcEngine front_;
    LibVlcEngine rear_;
    RecordingListModel listModel_;
    TripListModel tripModel_{listModel_};
    std::unique_ptr<PlaybackController> controller_;

    QPixmap background_;
    VideoPane* frontPane_ = nullptr;
    VideoPane* rearPane_ = nullptr;
    GSensorGraphWidget* graph_ = nullptr;
    QTreeView* list_ = nullptr;
    MapView* mapArea_ = nullptr;
    QLabel* speed_ = nullptr;
    QLabel* trueTime_ = nullptr;
    QToolButton* markIn_ = nullptr;
    QToolButton* markOut_ = nullptr;
    QToolButton* export_ = nullptr;
    ExportMarks exportMarks_;
    ExportRunner exportRunner_;
    QString lastExportFolder_;
    QLabel* clockNotice_ = nullptr;
    QLabel* hdop_ = nullptr;
    QLabel* satellites_ = nullptr;
    QLabel* rate_ = nullptr;
    SkinSlider* seek_ = nullptr;
    SkinSlider* volume_ = nullptr;
    SkinButton* close_ = nullptr;
    SkinButton* minimize_ = nullptr;
    SkinButton* maximize_ = nullptr;
    SkinButton* open_ = nullptr;
    SkinButton* snapshot_ = nullptr;
    SkinButton* settings_ = nullptr;
    SkinButton* clock_ = nullptr;
    SkinButton* recordTab_ = nullptr;
    SkinButton* informationTab_ = nullptr;
    SkinButton* rewind_ = nullptr;
    SkinButton* play_ = nullptr;
    SkinButton* pause_ = nullptr;
    SkinButton* forward_ = nullptr;
    SkinButton* slower_ = nullptr;
    SkinButton* faster_ = nullptr;
    SkinButton* magnify_ = nullptr;
    SkinButton* swap_ = nullptr;
    SkinButton* fullScreen_ = nullptr;
    SkinButton* volumeIcon_ = nullptr;

    QTimer readoutTimer_;
    QFutureWatcher<FolderRows> scan_;
    QFutureWatcher<ClockMeasurement> clockJob_;
    quint64 clockGeneration_ = 0;
    std::optional<CameraMs> recordingStart_; // from the open recording's name
    std::optional<int> zoneMinutes_;         // the card's, once looked up
    std::optional<double> clockOffset_;
    int clockZone_ = 0;
    bool grouped_ = false;
    QFutureWatcher<TripsDelivery> tripsRead_;
    unsigned tripsGeneration_ = 0;
    std::stop_source tripsStop_;
    std::shared_ptr<std::atomic<std::size_t>> tripsMeasured_ = std::make_shared<std::atomic<std::size_t>>(0);
    std::shared_ptr<std::atomic<std::size_t>> tripsToMeasure_ = std::make_shared<std::atomic<std::size_t>>(0);
    QTimer tripsProgress_;
    QLabel* tripsStatus_ = nullptr;
    QFutureWatcher<TripSamplesDelivery> tripSamplesRead_;
    std::vector<TripSample> tripSamples_; // of the trip playing
    const TripPlayback* markedTrip_ = nullptr;
    FirstPaintLog* listPainted_ = nullptr;
    FirstPaintLog* seekPainted_ = nullptr;
    QString lastFolder_;
    QString lastCopyFolder_;
    QString lastSnapshotFolder_;
    QByteArray scanFolder_;
    QByteArray listedFolder_;
    QByteArray playbackFolder_; // listed when what plays was started
    bool informationShown_ = false;
    QRect savedGeometry_;
    QRect screenArea_; // the monitor the full-screen view covers
    QPointer<QObject> copyJob_;
    QThread* copyThread_ = nullptr;
};

} // namespace dravonix
