// The driving-route log as the card hands it over: loaded from a file, every
// cell of its table, the CSV writer. What was loaded must encode back to the
// bytes it came from, and every CSV line must have the table's columns.
#include "memory_file.h"
#include "route/driving_route.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <sstream>

using namespace dravonix;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static fuzz::MemoryFile file;
    const auto loaded = loadDrivingRouteFile(file.holding(std::span(data, size)));
    if (!loaded) {
        if (size >= kRouteHeaderSize)
            std::abort(); // a whole header always loads
        return 0;
    }
    const DrivingRouteFile& route = *loaded;
    if (route.records.size() > route.announcedCount() || route.records.size() > (size - kRouteHeaderSize) / kRouteRecordSize)
        std::abort();
    const std::vector<std::uint8_t> encoded = encodeDrivingRouteFile(route);
    if (encoded.size() > size || std::memcmp(encoded.data(), data, encoded.size()) != 0)
        std::abort();

    for (std::size_t i = 0; i < route.records.size(); ++i) {
        const DrivingRouteRecord& record = route.records[i];
        for (const std::string& cell : routeRowCells(record, i))
            if (cell.find_first_of(",\n") != std::string::npos)
                std::abort(); // would break the CSV's columns
        (void)record.signedLatitude();
        (void)record.signedLongitude();
    }
    std::ostringstream csv;
    writeRouteCsv(route.records, csv);
    const std::string text = csv.str();
    if (std::count(text.begin(), text.end(), '\n') != static_cast<std::ptrdiff_t>(route.records.size() + 1))
        std::abort();
    if (std::count(text.begin(), text.end(), ',') != static_cast<std::ptrdiff_t>((route.records.size() + 1) * (kRouteColumns - 1)))
        std::abort();
    return 0;
}
