#include "views/map_view.h"

#include "views/map_call.h"
#include "views/map_tiles.h"

#include <QCloseEvent>

#include <algorithm>
#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QKeyEvent>
#include <QVBoxLayout>
#include <QWebChannel>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestInterceptor>
#include <QWebEngineView>

namespace dravonix {
namespace {

// Tile servers want to know who asks: the home page goes with every https
// request. Not with plain http (a local tile server): the engine cancels a
// request whose Referer is https while the request itself is not.
class TileRequestInterceptor final : public QWebEngineUrlRequestInterceptor {
public:
    using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;
    void interceptRequest(QWebEngineUrlRequestInfo& info) override
    {
        if (info.requestUrl().scheme() == QLatin1String("https"))
            info.setHttpHeader("Referer", mapReferer().toUtf8());
    }
};

// One named profile: tiles are cached on disk between runs, within a bound,
// and the tile server learns which program asks.
QWebEngineProfile* mapProfile()
{
    static QWebEngineProfile* profile = [] {
        auto* p = new QWebEngineProfile(QStringLiteral("dravonix-map"), QCoreApplication::instance());
        p->setHttpUserAgent(mapUserAgent());
        p->setHttpCacheType(QWebEngineProfile::DiskHttpCache);
        p->setHttpCacheMaximumSize(static_cast<int>(kTileCacheBytes));
        p->setUrlRequestInterceptor(new TileRequestInterceptor(p));
        return p;
    }();
    return profile;
}

// The tile URL template, set before the page's own scripts run.
QWebEngineScript tileSourceScript()
{
    QString quoted = QString::fromUtf8(QJsonDocument(QJsonArray{mapTileUrlTemplate()}).toJson(QJsonDocument::Compact));
    quoted = quoted.mid(1, quoted.size() - 2); // the one string of the array, escaped for script
    QWebEngineScript script;
    script.setName(QStringLiteral("dravonix-tile-source"));
    script.setInjectionPoint(QWebEngineScript::DocumentCreation);
    script.setWorldId(QWebEngineScript::MainWorld);
    script.setSourceCode(QStringLiteral("window.dravonixTileUrl = %1;").arg(quoted));
    return script;
}

} // namespace

MapView::MapView(Page page, bool korean, QWidget* parent) : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    view_ = new QWebEngineView(this);
    auto* webPage = new QWebEnginePage(mapProfile(), view_);
    webPage->scripts().insert(tileSourceScript());
    view_->setPage(webPage);
    view_->setAcceptDrops(false); // files dropped on the map are not opened
    webPage->settings()->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, true);
    auto* channel = new QWebChannel(webPage);
    auto* bridge = new MapPageBridge(channel);
    channel->registerObject(QStringLiteral("bridge"), bridge);
    webPage->setWebChannel(channel);
    connect(bridge, &MapPageBridge::clicked, this, &MapView::pageClicked);
    layout->addWidget(view_);
    connect(view_, &QWebEngineView::loadFinished, this, [this](bool ok) {
        loaded_ = ok;
        if (!ok)
            return;
        if (!pendingTrack_.isEmpty())
            callPageFunction(QStringLiteral("setTrack"), {pendingTrack_});
        if (tripRouteShown_)
            sendTripRoute();
        emit pageLoaded();
    });
    const QString name = QStringLiteral("%1_%2.html").arg(page == Page::Main ? QStringLiteral("main") : QStringLiteral("position"),
                                                           korean ? QStringLiteral("ko") : QStringLiteral("en"));
    view_->setUrl(QUrl(QStringLiteral("qrc:/map/") + name));
}

QString MapView::pageUrl() const { return view_->url().toString(); }

void MapView::callPageFunction(const QString& name, const QStringList& arguments)
{
    if (!loaded_)
        return; // the page isn't there yet: the map just doesn't move
    view_->page()->runJavaScript(pageCallScript(name, arguments));
}

void MapView::showPosition(double rawLongitude, double rawLatitude, bool withFirstFlag)
{
    const auto texts = positionArguments(rawLongitude, rawLatitude);
    if (!texts)
        return;
    QStringList arguments{texts->first, texts->second};
    if (withFirstFlag) {
        arguments << (firstCall_ && loaded_ ? QStringLiteral("1") : QStringLiteral("0"));
        if (loaded_)
            firstCall_ = false;
    }
    callPageFunction(QStringLiteral("setLatLag"), arguments);
}

void MapView::setTrack(const std::vector<std::pair<double, double>>& latitudeLongitude)
{
    pendingTrack_ = trackArgument(latitudeLongitude);
    if (loaded_)
        callPageFunction(QStringLiteral("setTrack"), {pendingTrack_});
}

void MapView::showTripRoute(const std::vector<TripRoutePoint>& points)
{
    tripRoute_ = points;
    tripRouteShown_ = true;
    sendTripRoute();
}

void MapView::clearTripRoute()
{
    tripRoute_.clear();
    tripRouteShown_ = false;
    callPageFunction(QStringLiteral("clearTripRoute"), {});
}

void MapView::setMilesPerHour(bool milesPerHour)
{
    if (milesPerHour == milesPerHour_)
        return;
    milesPerHour_ = milesPerHour;
    if (tripRouteShown_)
        sendTripRoute();
}

void MapView::sendTripRoute()
{
    callPageFunction(QStringLiteral("setTripRoute"), {QString::fromStdString(tripRouteArgument(tripRoute_, milesPerHour_))});
}

void MapView::pageClicked(double latitude, double longitude, double toleranceMetres)
{
    if (!tripRouteShown_)
        return;
    // The page's numbers are checked like any input: a tolerance beyond a
    // few kilometres means a zoom where a click picks nothing in particular.
    if (const auto at = nearestRouteTime(tripRoute_, latitude, longitude, std::min(toleranceMetres, 5000.0)))
        emit routeClicked(*at);
}

MapWindow::MapWindow(double latitude, double longitude, bool korean, QWidget* owner)
    : QWidget(owner, Qt::Window), latitude_(latitude), longitude_(longitude)
{
    setWindowTitle(QStringLiteral("Position"));
    map_ = new MapView(MapView::Page::Position, korean, this);
    map_->setGeometry(0, 0, 471, 681);
    resize(471, 729);
    // The page starts at its own centre: whatever position this window was
    // given before the page was there is sent once it is.
    connect(map_, &MapView::pageLoaded, this, [this] { map_->showPosition(longitude_, latitude_, false); });
}

void MapWindow::showPosition(double rawLongitude, double rawLatitude)
{
    longitude_ = rawLongitude;
    latitude_ = rawLatitude;
    map_->showPosition(rawLongitude, rawLatitude, false);
}

void MapWindow::closeEvent(QCloseEvent* event)
{
    // The owner decides: it destroys the window when told.
    event->ignore();
    emit closeRequested();
}

void MapWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape)
        emit closeRequested();
    else
        QWidget::keyPressEvent(event);
}

} // namespace dravonix
