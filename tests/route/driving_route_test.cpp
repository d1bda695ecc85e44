#include "route/driving_route.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

using namespace dravonix;
namespace fs = std::filesystem;

namespace {

DrivingRouteRecord sample()
{
    DrivingRouteRecord r;
    r.order = 1;
    r.weekday = 6;
    r.status = 1;
    r.yearSince1900 = 115;
    r.month = 3;
    r.day = 14;
    r.hour = 9;
    r.minute = 5;
    r.second = 0;
    r.latitudeWhole = 3733;
    r.latitudeFraction = 1234;
    r.longitudeWhole = 12701;
    r.longitudeFraction = 56;
    r.currentSpeed = 52;
    r.mileageTenths = 123456;
    r.topSpeed = 88;
    r.accelX = 5;
    r.accelY = -33;
    r.accelZ = 256;
    r.batteryTenths = 124;
    return r;
}

fs::path writeRoute(const std::string& name, std::uint32_t a, std::uint32_t b, std::size_t records, std::size_t extraBytes = 0)
{
    DrivingRouteFile file;
    file.countA = a;
    file.countB = b;
    for (std::size_t i = 0; i < records; ++i) {
        DrivingRouteRecord r = sample();
        r.order = static_cast<std::uint16_t>(i + 1);
        file.records.push_back(r);
    }
    std::vector<std::uint8_t> bytes = encodeDrivingRouteFile(file);
    bytes.resize(bytes.size() + extraBytes, 0xEE);
    const fs::path path = fs::temp_directory_path() / name;
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return path;
}

} // namespace

TEST(DrivingRoute, CellsAsTheTableShowsThem)
{
    const auto cells = routeRowCells(sample(), 0);
    const std::array<std::string, kRouteColumns> expected{"1", "1", "2015/03/14", "09:05:00", "SAT", "3733.1234", "12701.0056", "12345.6", "52", "88", "A", "+0.02", "-0.13", "+1.00", "12.4"};
    EXPECT_EQ(cells, expected);

    DrivingRouteRecord r = sample();
    r.status = 2;
    r.weekday = 7;
    r.accelX = -128;
    r.batteryTenths = 5;
    const auto odd = routeRowCells(r, 41);
    EXPECT_EQ(odd[0], "42");
    EXPECT_EQ(odd[10], "F");
    EXPECT_EQ(odd[4], "");
    EXPECT_EQ(odd[11], "-0.50");
    EXPECT_EQ(odd[14], " 0.5");
    r.status = 0;
    r.batteryTenths = -5;
    EXPECT_EQ(routeRowCells(r, 0)[10], "V");
    EXPECT_EQ(routeRowCells(r, 0)[14], "-0.5");
    r.status = 3;
    EXPECT_EQ(routeRowCells(r, 0)[10], "V");
}

TEST(DrivingRoute, RecordsRoundTripThroughTheirBytes)
{
    DrivingRouteRecord r = sample();
    r.latitudeHemisphere = 'S';
    r.longitudeHemisphere = 'W';
    r.unused24 = 0xCAFEBABE;
    const auto bytes = r.encode();
    const DrivingRouteRecord back = DrivingRouteRecord::decode(bytes.data());
    EXPECT_EQ(back.encode(), bytes);
    EXPECT_DOUBLE_EQ(back.signedLatitude(), -3733.1234);
    EXPECT_DOUBLE_EQ(back.signedLongitude(), -12701.0056);
    EXPECT_EQ(bytes[30], 'S');
    EXPECT_EQ(bytes[38], 124);
}

TEST(DrivingRoute, HeaderCountsAndShortFiles)
{
    EXPECT_EQ(loadDrivingRouteFile(writeRoute("r1.drv", 10, 0, 10))->records.size(), 10u);
    EXPECT_EQ(loadDrivingRouteFile(writeRoute("r2.drv", 10, 4, 10))->records.size(), 4u);
    EXPECT_EQ(loadDrivingRouteFile(writeRoute("r3.drv", 4, 10, 10))->records.size(), 4u);
    // A header claiming four billion records reads what is there.
    const auto huge = loadDrivingRouteFile(writeRoute("r4.drv", 0xFFFFFFFF, 0, 3, 39));
    ASSERT_TRUE(huge);
    EXPECT_EQ(huge->records.size(), 3u);
    EXPECT_EQ(huge->announcedCount(), 0xFFFFFFFFu);
    EXPECT_EQ(huge->recordsInFile, 3u);
    // At most as many as asked for; the file's count is still told.
    const auto limited = loadDrivingRouteFile(writeRoute("r6.drv", 10, 0, 10), 4);
    ASSERT_TRUE(limited);
    EXPECT_EQ(limited->records.size(), 4u);
    EXPECT_EQ(limited->recordsInFile, 10u);

    const fs::path tiny = fs::temp_directory_path() / "r5.drv";
    std::ofstream(tiny, std::ios::binary) << "abc";
    EXPECT_FALSE(loadDrivingRouteFile(tiny));
    EXPECT_EQ(loadDrivingRouteFile(fs::temp_directory_path() / "missing.drv").error(),
              "cannot open: No such file or directory");
    EXPECT_EQ(loadDrivingRouteFile(fs::temp_directory_path()).error(), "is a folder");
    // Endless or blocking inputs are refused before anything is read.
    const fs::path random = fs::temp_directory_path() / "random.drv";
    fs::remove(random);
    fs::create_symlink("/dev/urandom", random);
    EXPECT_EQ(loadDrivingRouteFile(random).error(), "is a character device, not a file");
    fs::remove(random);
}

TEST(DrivingRoute, CsvHasTitlesThenOneLinePerRecord)
{
    std::vector<DrivingRouteRecord> records{sample(), sample(), sample()};
    std::ostringstream out;
    writeRouteCsv(records, out);
    const std::string csv = out.str();
    EXPECT_EQ(csv.substr(0, csv.find('\n') + 1),
              "No.,Order,Date,Time,Day,Latitude,Longitude,Mileage,Current Speed,Top Speed,Value,X,Y,Z,BAT\n");
    EXPECT_NE(csv.find("\n1,1,2015/03/14,09:05:00,SAT,3733.1234,12701.0056,12345.6,52,88,A,+0.02,-0.13,+1.00,12.4\n"),
              std::string::npos);
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 4);
    EXPECT_EQ(csv.find('\r'), std::string::npos);
    EXPECT_EQ(csv.back(), '\n');

    const fs::path target = fs::temp_directory_path() / "dravonix_drv.csv";
    std::ofstream(target) << "an older, longer export that must be replaced whole\n\n\n\n\n\n";
    ASSERT_TRUE(exportRouteCsv(records, target).ok);
    std::ifstream in(target, std::ios::binary);
    EXPECT_EQ(std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>()), csv);
}

TEST(DrivingRoute, ExportTakesTheShownTitlesAndRefusesAnEmptyTable)
{
    RouteTitles titles = routeColumnTitles();
    titles[0] = "번호"; // a translated title goes out as UTF-8
    std::ostringstream out;
    writeRouteCsv({sample()}, out, titles);
    EXPECT_EQ(out.str().substr(0, out.str().find(',')), "번호");

    const fs::path target = fs::temp_directory_path() / "dravonix_drv_empty.csv";
    std::ofstream(target) << "older\n";
    const WriteOutcome refused = exportRouteCsv({}, target);
    EXPECT_FALSE(refused.ok);
    EXPECT_EQ(refused.message, kNoRouteRecords);
    std::ifstream in(target);
    EXPECT_EQ(std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>()), "older\n");
    fs::remove(target);
}
