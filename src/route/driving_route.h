#pragma once
// The camera's driving-route log (DrvInfo/dravonix_000.drv): a 12-byte header
// and 40-byte records, little-endian, and the texts its table shows.

#include "toolkit/atomic_file.h"
#include "toolkit/expected.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace dravonix {

inline constexpr std::size_t kRouteHeaderSize = 12;
inline constexpr std::size_t kRouteRecordSize = 40;
inline constexpr int kRouteColumns = 15;
inline constexpr const char* kRouteFileBelowRoot = "DrvInfo/dravonix_000.drv";

struct DrivingRouteRecord {
    std::uint16_t order = 0;
    std::uint8_t weekday = 0; // 0 Sunday
    std::uint8_t status = 0;  // 1 "A", 2 "F", other "V"
    std::uint8_t yearSince1900 = 0;
    std::uint8_t month = 0;
    std::uint8_t day = 0;
    std::uint8_t hour = 0;
    std::uint8_t minute = 0;
    std::uint8_t second = 0;
    std::uint16_t latitudeWhole = 0;    // degrees x 100 + whole minutes
    std::uint16_t latitudeFraction = 0; // 0.0001 minute
    std::uint16_t longitudeWhole = 0;
    std::uint16_t longitudeFraction = 0;
    std::uint16_t currentSpeed = 0;
    std::uint32_t mileageTenths = 0;
    std::uint32_t unused24 = 0;
    std::uint16_t topSpeed = 0;
    char latitudeHemisphere = 0; // 'N', 'S' or 0
    char longitudeHemisphere = 0;
    std::int16_t accelX = 0; // 1/256 g
    std::int16_t accelY = 0;
    std::int16_t accelZ = 0;
    std::int16_t batteryTenths = 0;

    static DrivingRouteRecord decode(const std::uint8_t* bytes);
    std::array<std::uint8_t, kRouteRecordSize> encode() const;

    // The position as the map takes it: degree-minutes, signed by hemisphere.
    double signedLatitude() const;
    double signedLongitude() const;
};

struct DrivingRouteFile {
    std::uint32_t countA = 0;
    std::uint32_t headerWord4 = 0;
    std::uint32_t countB = 0;
    std::vector<DrivingRouteRecord> records;
    // The whole records the header announces that the file holds, read or not.
    std::uint64_t recordsInFile = 0;

    // The records the header announces: A, or B when B is not 0 and below A.
    std::uint32_t announcedCount() const { return countB != 0 && countB < countA ? countB : countA; }
};

// The first of the volume roots (each ending in a separator), in order, that
// holds the route log below it.
std::optional<std::filesystem::path> findDrivingRouteFile(const std::vector<std::string>& roots);

// Reads the header and the whole records it announces that the file holds,
// at most `maxRecords` of them; a file that can't be read or is shorter than
// its header is an error.
Expected<DrivingRouteFile, std::string> loadDrivingRouteFile(const std::filesystem::path& path,
                                                             std::uint64_t maxRecords = UINT64_MAX);
// The most records the viewer's table takes: a log of gigabytes on a card
// would take many times that in memory, and the table keeps a copy.
inline constexpr std::uint64_t kMaxShownRouteRecords = std::uint64_t{4} << 20;
std::vector<std::uint8_t> encodeDrivingRouteFile(const DrivingRouteFile& file);

// The table: column titles by string id, and each row's cells.
inline constexpr std::array<int, kRouteColumns> kRouteColumnTitleIds{238, 239, 234, 240, 235, 241, 242, 236,
                                                                     244, 237, 243, 306, 307, 308, 309};
std::array<std::string, kRouteColumns> routeColumnTitles();
std::array<std::string, kRouteColumns> routeRowCells(const DrivingRouteRecord& record, std::size_t rowIndex);

// The table as CSV: "," between fields, "\n" after every line, no quoting,
// UTF-8 without a byte-order mark. `titles` are the column titles the table
// shows (translated ones included).
using RouteTitles = std::array<std::string, kRouteColumns>;
void writeRouteCsv(const std::vector<DrivingRouteRecord>& records, std::ostream& out,
                   const RouteTitles& titles = routeColumnTitles());
// Replaces `target` whole, or leaves it as it was. A table without records is
// refused: a file of titles alone would pass for an export of the log.
WriteOutcome exportRouteCsv(const std::vector<DrivingRouteRecord>& records, const std::filesystem::path& target,
                            const RouteTitles& titles = routeColumnTitles());
inline constexpr const char* kNoRouteRecords = "the route log holds no records";

} // namespace dravonix
