// The map page from our resources in a real web engine, with no network:
// it loads, moves its one marker, centres on it and draws a route.
#include "views/map_call.h"
#include "views/map_view.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineView>

#include "../qt_wait.h"

#include <gtest/gtest.h>

using namespace dravonix;

namespace {


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
