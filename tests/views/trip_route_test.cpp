// The trip's route as the map draws it: speed bands and their legend in
// either unit, runs that change colour where the speed does, points that
// can't be drawn left out, a bounded number sent, and a click mapped back
// to the moment of the nearest point.
#include "views/trip_route.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace dravonix;

TEST(TripRoute, BandsAndLegendFollowTheUnit)
{
    const auto kmh = speedBands(false);
    ASSERT_EQ(kmh.size(), 5u);
    EXPECT_EQ(kmh[0].label, "0\xe2\x80\x93" "30 km/h");
    EXPECT_EQ(kmh[4].label, "120+ km/h");
    EXPECT_FALSE(kmh[4].to);
    EXPECT_EQ(speedBandOf(kmh, 29.9, false), 0u);
    EXPECT_EQ(speedBandOf(kmh, 30.0, false), 1u);
    EXPECT_EQ(speedBandOf(kmh, 250.0, false), 4u);
    EXPECT_EQ(speedBandOf(kmh, std::nan(""), false), 0u);
    EXPECT_EQ(speedBandOf(kmh, -5.0, false), 0u);

    const auto mph = speedBands(true);
    EXPECT_EQ(mph[1].label, "20\xe2\x80\x93" "40 mph");
    EXPECT_EQ(mph[4].label, "80+ mph");
    // 50 km/h is 31 mph: the second band in either unit, for different reasons.
    EXPECT_EQ(speedBandOf(mph, 50.0, true), 1u);
    EXPECT_EQ(speedBandOf(mph, 65.0, true), 2u); // 40.4 mph
    EXPECT_EQ(speedBandOf(kmh, 65.0, false), 2u);
    EXPECT_EQ(speedBandOf(mph, 60.0, true), 1u); // 37.3 mph, while 60 km/h is already the third band
    EXPECT_EQ(speedBandOf(kmh, 60.0, false), 2u);
}

TEST(TripRoute, RunsChangeColourWhereTheSpeedDoesWithoutGaps)
{
    const std::vector<TripRoutePoint> points = {
        {37.50, 127.00, 10, 0},
        {37.51, 127.00, 20, 1000},
        {0.0, 0.0, 50, 1500},                        // no position yet: left out
        {std::nan(""), 127.0, 50, 1600},             // garbage: left out
        {37.52, 127.00, 50, 2000},
        {37.53, 127.00, 55, 3000},
        {37.54, 127.00, 10, 4000},
    };
    const auto runs = routeRuns(points, speedBands(false), false);
    ASSERT_EQ(runs.size(), 3u);
    EXPECT_EQ(runs[0].band, 0u);
    EXPECT_EQ(runs[1].band, 1u);
    EXPECT_EQ(runs[2].band, 0u);
    // Each run ends on the point where the next begins.
    EXPECT_EQ(runs[0].latitudeLongitude.size(), 3u);
    EXPECT_EQ(runs[0].latitudeLongitude.back(), runs[1].latitudeLongitude.front());
    EXPECT_EQ(runs[1].latitudeLongitude.back(), runs[2].latitudeLongitude.front());
    EXPECT_DOUBLE_EQ(runs[2].latitudeLongitude.front().first, 37.54);

    EXPECT_TRUE(routeRuns({}, speedBands(false), false).empty());
    EXPECT_TRUE(routeRuns({{0.0, 0.0, 10, 0}, {91.0, 10.0, 10, 1}}, speedBands(false), false).empty());
}

TEST(TripRoute, ALongTripIsThinnedKeepingItsEnds)
{
    std::vector<TripRoutePoint> day;
    for (int i = 0; i < 86400; ++i)
        day.push_back({37.0 + i * 1e-5, 127.0, (i / 600) % 2 == 0 ? 20.0 : 100.0, i * 1000LL});
    const auto runs = routeRuns(day, speedBands(false), false, 4000);
    std::size_t sent = 0;
    for (const RouteRun& run : runs)
        sent += run.latitudeLongitude.size();
    EXPECT_LE(sent, 2 * 4000u);
    EXPECT_GT(runs.size(), 100u); // the colour changes survive the thinning
    EXPECT_DOUBLE_EQ(runs.front().latitudeLongitude.front().first, 37.0);
    EXPECT_DOUBLE_EQ(runs.back().latitudeLongitude.back().first, 37.0 + 86399 * 1e-5);
}

TEST(TripRoute, AClickPicksTheNearestPointsMomentWithinTheTolerance)
{
    const std::vector<TripRoutePoint> points = {
        {37.5000, 127.0000, 30, 0},
        {37.5010, 127.0000, 30, 5000},   // ~111 m north
        {37.5020, 127.0000, 30, 10000},
        {37.5010, 127.0000, 30, 60000},  // the same place again, later: the first one counts
        {0.0, 0.0, 0, 99999},            // never picked
    };
    EXPECT_EQ(nearestRouteTime(points, 37.5011, 127.0001, 30.0), 5000);
    EXPECT_EQ(nearestRouteTime(points, 37.50195, 127.0, 30.0), 10000);
    EXPECT_FALSE(nearestRouteTime(points, 37.5011, 127.0030, 30.0)); // ~260 m east of the route
    EXPECT_FALSE(nearestRouteTime(points, 0.0, 0.0, 30.0));
    EXPECT_FALSE(nearestRouteTime(points, std::nan(""), 127.0, 30.0));
    EXPECT_FALSE(nearestRouteTime(points, 37.5, 127.0, std::nan("")));
    EXPECT_FALSE(nearestRouteTime({}, 37.5, 127.0, 1000.0));

    // Across the date line the two sides are neighbours.
    const std::vector<TripRoutePoint> pacific = {{-17.0, 179.9999, 20, 1000}, {-17.0, 170.0, 20, 2000}};
    EXPECT_EQ(nearestRouteTime(pacific, -17.0, -179.9999, 50.0), 1000);
}

TEST(TripRoute, ThePagesArgumentIsJson)
{
    const std::string json = tripRouteArgument({{-37.5, 127.25, 10, 0}, {-37.6, 127.5, 100, 1000}}, false);
    EXPECT_EQ(json, "{\"runs\":[{\"c\":\"#2b83ba\",\"p\":[[-37.500000,127.250000],[-37.600000,127.500000]]},"
                    "{\"c\":\"#fdae61\",\"p\":[[-37.600000,127.500000]]}],"
                    "\"legend\":[{\"c\":\"#2b83ba\",\"t\":\"0\xe2\x80\x93" "30 km/h\",\"s\":\"0\"},"
                    "{\"c\":\"#1a9e77\",\"t\":\"30\xe2\x80\x93" "60 km/h\",\"s\":\"30\"},"
                    "{\"c\":\"#a6d96a\",\"t\":\"60\xe2\x80\x93" "90 km/h\",\"s\":\"60\"},"
                    "{\"c\":\"#fdae61\",\"t\":\"90\xe2\x80\x93" "120 km/h\",\"s\":\"90\"},"
                    "{\"c\":\"#d7191c\",\"t\":\"120+ km/h\",\"s\":\"120+\"}],"
                    "\"unit\":\"km/h\",\"title\":\"Speed (km/h)\"}");
    EXPECT_NE(tripRouteArgument({}, true).find("\"unit\":\"mph\""), std::string::npos);
}
