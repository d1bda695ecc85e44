// The map page from our resources in a real web engine, with no network:
// it loads, moves its one marker, centres on it and draws a route. Its tiles
// come from the server the settings name, asked for with the program's
// home page as Referer; without tiles it says that the map is offline.
#include "views/map_call.h"
#include "views/map_tiles.h"
#include "views/map_view.h"
#include "toolkit/product.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QBuffer>
#include <QEventLoop>
#include <QImage>
#include <QSettings>
#include <QProcess>
#include <QSslKey>
#include <QSslServer>
#include <QTcpServer>
#include <QWebEngineCertificateError>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineView>

#include "../qt_wait.h"

#include <gtest/gtest.h>

using namespace dravonix;

namespace {

// A tile server on this machine, over http, or https with a certificate
// made for the test: every request gets a small PNG that must not be cached,
// and its request head is kept.
class TileServer {
public:
    explicit TileServer(bool https = false)
    {
        if (https && !useCertificate()) {
            server_ = std::make_unique<QTcpServer>(); // not listening: the test is skipped
            return;
        }
        QImage tile(256, 256, QImage::Format_RGB32);
        tile.fill(QColor(0xcc, 0xe4, 0xc8));
        QBuffer buffer(&png_);
        buffer.open(QIODevice::WriteOnly);
        tile.save(&buffer, "PNG");
        if (!server_)
            server_ = std::make_unique<QTcpServer>();
        server_->listen(QHostAddress::LocalHost);
        QObject::connect(server_.get(), &QTcpServer::pendingConnectionAvailable, [this] {
            while (QTcpSocket* socket = server_->nextPendingConnection()) {
                QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] { answer(socket); });
                answer(socket);
            }
        });
    }
    bool listening() const { return server_->isListening(); }
    QString urlTemplate() const
    {
        return QStringLiteral("%1://127.0.0.1:%2/{z}/{x}/{y}.png").arg(https_ ? "https" : "http").arg(server_->serverPort());
    }
    const QList<QByteArray>& requests() const { return requests_; }

private:
    bool useCertificate()
    {
        const QString key = folder_.filePath(QStringLiteral("key.pem"));
        const QString certificate = folder_.filePath(QStringLiteral("certificate.pem"));
        QProcess openssl;
        openssl.start(QStringLiteral("openssl"),
                      {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "1", "-subj", "/CN=127.0.0.1", "-addext",
                       "subjectAltName=IP:127.0.0.1", "-keyout", key, "-out", certificate});
        if (!openssl.waitForFinished(30000) || openssl.exitCode() != 0)
            return false;
        QFile keyFile(key);
        QFile certificateFile(certificate);
        if (!keyFile.open(QIODevice::ReadOnly) || !certificateFile.open(QIODevice::ReadOnly))
            return false;
        QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
        configuration.setPrivateKey(QSslKey(keyFile.readAll(), QSsl::Rsa));
        configuration.setLocalCertificate(QSslCertificate(certificateFile.readAll()));
        auto tls = std::make_unique<QSslServer>();
        tls->setSslConfiguration(configuration);
        server_ = std::move(tls);
        https_ = true;
        return true;
    }

    void answer(QTcpSocket* socket)
    {
        QByteArray& head = pending_[socket];
        head += socket->readAll();
        if (!head.contains("\r\n\r\n"))
            return;
        requests_ << head;
        pending_.remove(socket);
        socket->write("HTTP/1.1 200 OK\r\nContent-Type: image/png\r\nCache-Control: no-store\r\nContent-Length: "
                      + QByteArray::number(png_.size()) + "\r\nConnection: close\r\n\r\n" + png_);
        socket->disconnectFromHost();
    }

    QTemporaryDir folder_;
    std::unique_ptr<QTcpServer> server_;
    bool https_ = false;
    QByteArray png_;
    QHash<QTcpSocket*, QByteArray> pending_;
    QList<QByteArray> requests_;
};

QByteArray header(const QByteArray& head, const QByteArray& name)
{
    for (const QByteArray& line : head.split('\n'))
        if (line.toLower().startsWith(name.toLower() + ':'))
            return line.mid(name.size() + 1).trimmed();
    return {};
}

// The viewer's settings in a folder of the test's own.
struct TestSettings {
    QTemporaryDir folder;
    explicit TestSettings(const QString& tileUrl)
    {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder.path());
        QSettings settings(QString::fromLatin1(product::kSettingsOrganization), QString::fromLatin1(product::kSettingsApplication));
        settings.setValue(QLatin1String(kTileUrlSetting), tileUrl);
    }
};

// With DRAVONIX_SCREENSHOTS set, the map is saved there as a PNG.
void screenshot(QWidget& widget, const char* name)
{
    const QString folder = qEnvironmentVariable("DRAVONIX_SCREENSHOTS");
    if (folder.isEmpty())
        return;
    QDir().mkpath(folder);
    widget.grab().save(QDir(folder).filePath(QString::fromLatin1(name) + ".png"));
}

bool offlineShown(MapView& map) { return evaluate(map, "!document.getElementById('offline').hidden").toBool(); }


bool loadedMap(MapView& map)
{
    return waitFor([&] { return map.loaded() && evaluate(map, "map !== null && markers.length").toInt() == 1; }, 30000);
}

} // namespace

TEST(MapCall, PositionTextsAreDegreesWithSixDecimals)
{
    const auto texts = positionArguments(12639.0, -3722.44);
    ASSERT_TRUE(texts);
    EXPECT_EQ(texts->first, "126.650000");
    EXPECT_EQ(texts->second, "-37.374000");
    EXPECT_FALSE(positionArguments(0.0, 3722.44));
    EXPECT_FALSE(positionArguments(12639.0, 0.0));
    EXPECT_EQ(pageCallScript("setLatLag", {"126.650000", "-37.374000", "1"}), "setLatLag('126.650000','-37.374000','1')");
    EXPECT_EQ(pageCallScript("f", {"it's\\\n"}), "f('it\\'s\\\\\\n')");
    EXPECT_EQ(trackArgument({{37.5, 126.5}, {37.5, 126.5}, {37.6, 126.7}}), "37.500000,126.500000;37.600000,126.700000");
}

TEST(MapView, LoadsFromResourcesWithoutNetworkAndMovesItsMarker)
{
    MapView map(MapView::Page::Main, false);
    map.resize(322, 236);
    map.show();
    EXPECT_TRUE(map.pageUrl().endsWith("main_en.html"));
    map.showPosition(12639.0, -3722.44, true); // before the page: dropped
    ASSERT_TRUE(loadedMap(map)) << "the page did not load";
    EXPECT_NEAR(evaluate(map, "markers[0].getLatLng().lat").toDouble(), 37.374054, 1e-9);
    EXPECT_NEAR(evaluate(map, "map.getZoom()").toDouble(), 15, 0);

    map.showPosition(12639.0, -3722.44, true);
    ASSERT_TRUE(waitFor([&] { return std::abs(evaluate(map, "markers[0].getLatLng().lat").toDouble() + 37.374) < 1e-9; }, 5000));
    EXPECT_EQ(evaluate(map, "markers.length").toInt(), 1);
    EXPECT_NEAR(evaluate(map, "markers[0].getLatLng().lng").toDouble(), 126.65, 1e-9);
    EXPECT_NEAR(evaluate(map, "map.getCenter().lat").toDouble(), -37.374, 1e-6);
    EXPECT_NEAR(evaluate(map, "map.getCenter().lng").toDouble(), 126.65, 1e-6);
    EXPECT_EQ(evaluate(map, "markers[0].options.title").toString(), "-37.374,126.65");
    EXPECT_EQ(evaluate(map, "map.getZoom()").toInt(), 15);

    map.showPosition(0.0, 3722.44, true); // no position: nothing sent
    map.setTrack({{37.37, 126.64}, {37.38, 126.65}, {37.39, 126.66}});
    ASSERT_TRUE(waitFor([&] { return evaluate(map, "track ? track.getLatLngs().length : 0").toInt() == 3; }, 5000));
    EXPECT_NEAR(evaluate(map, "markers[0].getLatLng().lat").toDouble(), -37.374, 1e-9);
    EXPECT_TRUE(evaluate(map, "window.lastError").isNull());
}

TEST(MapView, ThePositionWindowKeepsItsPositionAndAsksToClose)
{
    MapWindow window(3733.1234, 12701.0056, false);
    EXPECT_EQ(window.size(), QSize(471, 729));
    EXPECT_EQ(window.map().geometry().size(), QSize(471, 681));
    EXPECT_TRUE(window.map().pageUrl().endsWith("position_en.html"));
    window.show();
    ASSERT_TRUE(loadedMap(window.map()));
    window.showPosition(-12701.0056, 3733.1234);
    EXPECT_DOUBLE_EQ(window.keptLongitude(), -12701.0056);
    ASSERT_TRUE(waitFor([&] { return evaluate(window.map(), "markers[0].getLatLng().lng").toDouble() < -127.0; }, 5000));
    bool asked = false;
    QObject::connect(&window, &MapWindow::closeRequested, [&] { asked = true; });
    window.close();
    EXPECT_TRUE(asked);
    EXPECT_TRUE(window.isVisible()); // the owner destroys it, not the close box
}

TEST(MapView, ANewPositionWindowShowsItsPositionNotThePagesCentre)
{
    MapWindow window(-3733.1234, -12701.0056, false);
    window.show();
    ASSERT_TRUE(waitFor([&] { return window.map().loaded(); }, 30000));
    ASSERT_TRUE(waitFor([&] { return evaluate(window.map(), "markers.length ? markers[0].getLatLng().lat : 0").toDouble() < 0; }, 5000));
    EXPECT_NEAR(evaluate(window.map(), "markers[0].getLatLng().lat").toDouble(), -(37 + 33.1234 / 60), 1e-6);
    EXPECT_NEAR(evaluate(window.map(), "markers[0].getLatLng().lng").toDouble(), -(127 + 1.0056 / 60), 1e-6);
    EXPECT_NEAR(evaluate(window.map(), "map.getCenter().lat").toDouble(), -(37 + 33.1234 / 60), 1e-6);
    EXPECT_EQ(evaluate(window.map(), "markers.length").toInt(), 1);

    // A position asked for before the page is there arrives too.
    MapWindow early(3733.1234, 12701.0056, false);
    early.showPosition(-12639.0, 3722.44);
    early.show();
    ASSERT_TRUE(waitFor([&] { return early.map().loaded(); }, 30000));
    ASSERT_TRUE(waitFor([&] { return evaluate(early.map(), "markers.length ? markers[0].getLatLng().lng : 0").toDouble() < 0; }, 5000));
    EXPECT_NEAR(evaluate(early.map(), "markers[0].getLatLng().lng").toDouble(), -126.65, 1e-6);
}

TEST(MapView, TheKoreanPageOnAKoreanSystem)
{
    const bool korean = qEnvironmentVariable("LC_ALL").startsWith("ko") || qEnvironmentVariable("LANG").startsWith("ko");
    EXPECT_EQ(koreanInterface(), korean);
    MapView map(MapView::Page::Main, koreanInterface());
    EXPECT_TRUE(map.pageUrl().endsWith(korean ? "main_ko.html" : "main_en.html"));
}

TEST(MapTiles, TheTileUrlSettingIsUsedOnlyWhenItIsATileUrl)
{
    for (const char* good : {"https://tile.openstreetmap.org/{z}/{x}/{y}.png", "http://127.0.0.1:8080/{z}/{x}/{y}.png",
                             "https://{s}.tiles.example.org/osm/{z}/{x}/{y}.png?key=abc", "file:///srv/tiles/{z}/{x}/{y}.png"})
        EXPECT_TRUE(usableTileUrlTemplate(QString::fromLatin1(good))) << good;
    for (const char* bad : {"", "https://tile.openstreetmap.org/{z}/{x}.png", "javascript:alert(1)//{z}/{x}/{y}",
                            "ftp://tiles.example.org/{z}/{x}/{y}.png", "http:///{z}/{x}/{y}.png", "tiles/{z}/{x}/{y}.png"})
        EXPECT_FALSE(usableTileUrlTemplate(QString::fromLatin1(bad))) << bad;

    {
        TestSettings settings(QStringLiteral("javascript:alert(1)//{z}/{x}/{y}"));
        EXPECT_EQ(mapTileUrlTemplate(), QString::fromLatin1(kDefaultTileUrl));
    }
    TestSettings settings(QStringLiteral(" http://127.0.0.1:8080/{z}/{x}/{y}.png "));
    EXPECT_EQ(mapTileUrlTemplate(), QStringLiteral("http://127.0.0.1:8080/{z}/{x}/{y}.png"));
}

TEST(MapTiles, TilesComeFromTheConfiguredServerWithTheHomePageAsReferer)
{
    TileServer server(true);
    if (!server.listening())
        GTEST_SKIP() << "no openssl to make the test server's certificate";
    TestSettings settings(server.urlTemplate());
    MapView map(MapView::Page::Main, false);
    // Only this test's own certificate is taken.
    QObject::connect(map.webView()->page(), &QWebEnginePage::certificateError, [](QWebEngineCertificateError error) {
        if (error.url().host() == QLatin1String("127.0.0.1"))
            error.acceptCertificate();
    });
    map.resize(322, 236);
    map.show();
    ASSERT_TRUE(loadedMap(map));
    ASSERT_TRUE(waitFor([&] { return !server.requests().isEmpty(); }, 20000)) << "no tile was asked for";
    const QByteArray head = server.requests().front();
    EXPECT_TRUE(head.startsWith("GET /15/")) << head.toStdString();
    EXPECT_EQ(header(head, "Referer"), QByteArray(product::kHomePage)) << head.toStdString();
    EXPECT_TRUE(header(head, "User-Agent").startsWith(QByteArray("Dravonix/") + product::kVersion)) << head.toStdString();
    ASSERT_TRUE(waitFor([&] { return evaluate(map, "document.querySelectorAll('.leaflet-tile-loaded').length").toInt() > 0; },
                        20000));
    EXPECT_FALSE(offlineShown(map));
}

TEST(MapTiles, ALocalServerOverPlainHttpServesTiles)
{
    TileServer server;
    TestSettings settings(server.urlTemplate());
    MapView map(MapView::Page::Main, false);
    map.resize(322, 236);
    map.show();
    ASSERT_TRUE(loadedMap(map));
    ASSERT_TRUE(waitFor([&] { return evaluate(map, "document.querySelectorAll('.leaflet-tile-loaded').length").toInt() > 0; },
                        20000));
    ASSERT_FALSE(server.requests().isEmpty());
    EXPECT_TRUE(server.requests().front().startsWith("GET /15/"));
    EXPECT_FALSE(offlineShown(map));
}

TEST(MapTiles, AMapWithoutTilesSaysItIsOffline)
{
    QTcpServer closed; // a port that was free a moment ago and has nobody now
    closed.listen(QHostAddress::LocalHost);
    const quint16 port = closed.serverPort();
    closed.close();
    TestSettings settings(QStringLiteral("http://127.0.0.1:%1/{z}/{x}/{y}.png").arg(port));
    MapView map(MapView::Page::Main, false);
    map.resize(322, 236);
    map.show();
    ASSERT_TRUE(loadedMap(map));
    ASSERT_TRUE(waitFor([&] { return offlineShown(map); }, 20000));
    EXPECT_EQ(evaluate(map, "document.getElementById('offline').textContent").toString(), QStringLiteral("Map unavailable offline"));
    EXPECT_TRUE(evaluate(map, "window.lastError").isNull());
}

namespace {

// A real click, as the page sees one, on the element at a place of the map.
QString clickScript(double latitude, double longitude, int dx = 0)
{
    return QStringLiteral("(function () {"
                          " var p = map.latLngToContainerPoint(L.latLng(%1, %2));"
                          " var box = map.getContainer().getBoundingClientRect();"
                          " var x = box.left + p.x + %3, y = box.top + p.y;"
                          " var target = document.elementFromPoint(x, y);"
                          " ['mousedown', 'mouseup', 'click'].forEach(function (type) {"
                          "   target.dispatchEvent(new MouseEvent(type, { bubbles: true, cancelable: true, clientX: x, clientY: y,"
                          "                                              button: 0, view: window })); });"
                          " return target.tagName; })()")
        .arg(latitude, 0, 'f', 6)
        .arg(longitude, 0, 'f', 6)
        .arg(dx);
}

// The legend's words in order: each band's lowest speed, then the unit.
QString legendText(MapView& map)
{
    return evaluate(map, "Array.prototype.map.call(document.querySelectorAll('.speed-legend span, .speed-legend em'),"
                         " function (e) { return e.textContent; }).join(' ')").toString();
}

std::vector<TripRoutePoint> sampleTrip()
{
    // Two minutes north and then east, speeding up through every band.
    std::vector<TripRoutePoint> points;
    for (int i = 0; i < 120; ++i) {
        const double lat = 37.37 + std::min(i, 60) * 0.0001;
        const double lng = 126.64 + std::max(i - 60, 0) * 0.00013;
        points.push_back({lat, lng, i * 1.1, i * 1000LL});
    }
    points[30].latitude = points[30].longitude = 0.0; // a second without a position
    return points;
}

} // namespace

TEST(MapView, DrawsATripRouteByColourWithALegendAndAClickSeeksThere)
{
    MapView map(MapView::Page::Main, false);
    map.resize(322, 236);
    map.show();
    QList<qint64> clicked;
    QObject::connect(&map, &MapView::routeClicked, [&](qint64 at) { clicked << at; });
    map.showTripRoute(sampleTrip()); // before the page: drawn once it is there
    ASSERT_TRUE(loadedMap(map));
    ASSERT_TRUE(waitFor([&] { return evaluate(map, "tripRoute ? tripRoute.getLayers().length : 0").toInt() == 5; }, 5000));
    EXPECT_EQ(evaluate(map, "tripRoute.getLayers()[0].options.color").toString(), "#2b83ba");
    EXPECT_EQ(evaluate(map, "tripRoute.getLayers()[4].options.color").toString(), "#d7191c");
    EXPECT_EQ(legendText(map), QStringLiteral("0 30 60 90 120+ km/h"));
    EXPECT_EQ(evaluate(map, "document.querySelector('.speed-legend span').title").toString(), QStringLiteral("0\u201330 km/h"));
    EXPECT_EQ(evaluate(map, "document.querySelector('.speed-legend i').style.background").toString(), "rgb(43, 131, 186)");
    // The view holds the whole route.
    EXPECT_TRUE(evaluate(map, "map.getBounds().contains(tripRoute.getBounds())").toBool());
    // The bridge is there once the page's channel is up.
    ASSERT_TRUE(waitFor([&] { return evaluate(map, "bridge !== null").toBool(); }, 5000));
    waitFor([] { return false; }, 500); // for the picture: the page paints a moment later
    screenshot(map, "trip-route");

    // On the line at second 80, a few pixels beside it, and far off it.
    evaluate(map, clickScript(37.376, 126.64 + 20 * 0.00013));
    ASSERT_TRUE(waitFor([&] { return !clicked.isEmpty(); }, 5000));
    EXPECT_EQ(clicked.takeFirst(), 80000);
    evaluate(map, clickScript(37.37 + 10 * 0.0001, 126.64, 5));
    ASSERT_TRUE(waitFor([&] { return !clicked.isEmpty(); }, 5000));
    EXPECT_EQ(clicked.takeFirst(), 10000);
    evaluate(map, clickScript(37.37 + 10 * 0.0001, 126.64, 60));
    waitFor([] { return false; }, 500);
    EXPECT_TRUE(clicked.isEmpty());

    // In miles an hour the legend follows; a single recording brings its own track back.
    map.setTrack({{37.37, 126.64}, {37.38, 126.65}});
    EXPECT_FALSE(evaluate(map, "map.hasLayer(track)").toBool());
    map.setMilesPerHour(true);
    ASSERT_TRUE(waitFor([&] { return legendText(map).endsWith("80+ mph"); }, 5000));
    map.clearTripRoute();
    ASSERT_TRUE(waitFor([&] { return evaluate(map, "tripRoute === null && map.hasLayer(track)").toBool(); }, 5000));
    EXPECT_EQ(evaluate(map, "document.querySelectorAll('.speed-legend').length").toInt(), 0);
    evaluate(map, clickScript(37.376, 126.64 + 20 * 0.00013));
    waitFor([] { return false; }, 300);
    EXPECT_TRUE(clicked.isEmpty());
    EXPECT_TRUE(evaluate(map, "window.lastError").isNull());
}
