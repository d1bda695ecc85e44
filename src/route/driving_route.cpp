#include "route/driving_route.h"
#include "toolkit/text_format.h"

#include "resources/strings.h"
#include "toolkit/input_file.h"

#include <algorithm>

#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace dravonix {
namespace {


void put(std::uint8_t* p, std::uint32_t v, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}


std::string statusText(std::uint8_t status) { return status == 1 ? "A" : (status == 2 ? "F" : "V"); }

// Tenths of a volt as "%2d.%1d"; a negative reading keeps its sign in front
// rather than inside the decimals.
std::string batteryText(std::int16_t tenths)
{
    const int magnitude = std::abs(int{tenths});
    if (tenths < 0)
        return formatText("-%d.%1d", magnitude / 10, magnitude % 10);
    return formatText("%2d.%1d", magnitude / 10, magnitude % 10);
}

double degreeMinutes(std::uint16_t whole, std::uint16_t fraction) { return whole + fraction * 0.0001; }

} // namespace

DrivingRouteRecord DrivingRouteRecord::decode(const std::uint8_t* b)
{
    DrivingRouteRecord r;
    r.order = static_cast<std::uint16_t>(littleEndian(b, 2));
    r.weekday = b[2];
    r.status = b[3];
    r.yearSince1900 = b[4];
    r.month = b[5];
    r.day = b[6];
    r.hour = b[7];
    r.minute = b[8];
    r.second = b[9];
    r.latitudeWhole = static_cast<std::uint16_t>(littleEndian(b + 10, 2));
    r.latitudeFraction = static_cast<std::uint16_t>(littleEndian(b + 12, 2));
    r.longitudeWhole = static_cast<std::uint16_t>(littleEndian(b + 14, 2));
    r.longitudeFraction = static_cast<std::uint16_t>(littleEndian(b + 16, 2));
    r.currentSpeed = static_cast<std::uint16_t>(littleEndian(b + 18, 2));
    r.mileageTenths = littleEndian(b + 20, 4);
    r.unused24 = littleEndian(b + 24, 4);
    r.topSpeed = static_cast<std::uint16_t>(littleEndian(b + 28, 2));
    r.latitudeHemisphere = static_cast<char>(b[30]);
    r.longitudeHemisphere = static_cast<char>(b[31]);
    r.accelX = static_cast<std::int16_t>(littleEndian(b + 32, 2));
    r.accelY = static_cast<std::int16_t>(littleEndian(b + 34, 2));
    r.accelZ = static_cast<std::int16_t>(littleEndian(b + 36, 2));
    r.batteryTenths = static_cast<std::int16_t>(littleEndian(b + 38, 2));
    return r;
}

std::array<std::uint8_t, kRouteRecordSize> DrivingRouteRecord::encode() const
{
    std::array<std::uint8_t, kRouteRecordSize> b{};
    put(&b[0], order, 2);
    b[2] = weekday;
    b[3] = status;
    b[4] = yearSince1900;
    b[5] = month;
    b[6] = day;
    b[7] = hour;
    b[8] = minute;
    b[9] = second;
    put(&b[10], latitudeWhole, 2);
    put(&b[12], latitudeFraction, 2);
    put(&b[14], longitudeWhole, 2);
    put(&b[16], longitudeFraction, 2);
    put(&b[18], currentSpeed, 2);
    put(&b[20], mileageTenths, 4);
    put(&b[24], unused24, 4);
    put(&b[28], topSpeed, 2);
    b[30] = static_cast<std::uint8_t>(latitudeHemisphere);
    b[31] = static_cast<std::uint8_t>(longitudeHemisphere);
    put(&b[32], static_cast<std::uint16_t>(accelX), 2);
    put(&b[34], static_cast<std::uint16_t>(accelY), 2);
    put(&b[36], static_cast<std::uint16_t>(accelZ), 2);
    put(&b[38], static_cast<std::uint16_t>(batteryTenths), 2);
    return b;
}

double DrivingRouteRecord::signedLatitude() const
{
    const double value = degreeMinutes(latitudeWhole, latitudeFraction);
    return latitudeHemisphere == 'N' || latitudeHemisphere == 0 ? value : -value;
}

double DrivingRouteRecord::signedLongitude() const
{
    const double value = degreeMinutes(longitudeWhole, longitudeFraction);
    return longitudeHemisphere == 'E' || longitudeHemisphere == 0 ? value : -value;
}

std::optional<std::filesystem::path> findDrivingRouteFile(const std::vector<std::string>& roots)
{
    for (const std::string& root : roots) {
        const std::filesystem::path candidate = root + kRouteFileBelowRoot;
        std::error_code ec;
        if (std::filesystem::exists(candidate, ec))
            return candidate;
    }
    return std::nullopt;
}

Expected<DrivingRouteFile, std::string> loadDrivingRouteFile(const std::filesystem::path& path,
                                                             std::uint64_t maxRecords)
{
    const auto in = InputFile::open(path);
    if (!in)
        return unexpected(in.error().message);
    std::array<std::uint8_t, kRouteHeaderSize> header{};
    const auto got = in->readAt(0, std::as_writable_bytes(std::span(header)));
    if (!got)
        return unexpected(got.error().message);
    if (*got < header.size())
        return unexpected(std::string("is shorter than its 12-byte header"));
    DrivingRouteFile file;
    file.countA = littleEndian(&header[0], 4);
    file.headerWord4 = littleEndian(&header[4], 4);
    file.countB = littleEndian(&header[8], 4);
    // A header may claim billions of records: read what the file's size
    // holds, in blocks, so memory follows the file and not the header.
    const std::uint64_t present = (in->size() - kRouteHeaderSize) / kRouteRecordSize;
    file.recordsInFile = std::min<std::uint64_t>(file.announcedCount(), present);
    const auto wanted = static_cast<std::size_t>(std::min(file.recordsInFile, maxRecords));
    file.records.reserve(wanted);
    constexpr std::size_t kBlockRecords = 4096;
    std::vector<std::uint8_t> block;
    while (file.records.size() < wanted) {
        const std::size_t count = std::min(kBlockRecords, wanted - file.records.size());
        block.resize(count * kRouteRecordSize);
        const std::uint64_t at = kRouteHeaderSize + std::uint64_t{file.records.size()} * kRouteRecordSize;
        const auto read = in->readAt(at, std::as_writable_bytes(std::span(block)));
        if (!read)
            return unexpected(read.error().message);
        const std::size_t whole = *read / kRouteRecordSize;
        for (std::size_t i = 0; i < whole; ++i)
            file.records.push_back(DrivingRouteRecord::decode(&block[i * kRouteRecordSize]));
        if (whole < count)
            break; // the file shrank since it was opened
    }
    return file;
}

std::vector<std::uint8_t> encodeDrivingRouteFile(const DrivingRouteFile& file)
{
    std::vector<std::uint8_t> out(kRouteHeaderSize);
    put(&out[0], file.countA, 4);
    put(&out[4], file.headerWord4, 4);
    put(&out[8], file.countB, 4);
    for (const DrivingRouteRecord& r : file.records) {
        const auto bytes = r.encode();
        out.insert(out.end(), bytes.begin(), bytes.end());
    }
    return out;
}

std::array<std::string, kRouteColumns> routeColumnTitles()
{
    std::array<std::string, kRouteColumns> titles;
    for (std::size_t i = 0; i < kRouteColumnTitleIds.size(); ++i)
        titles[i] = std::string(englishString(kRouteColumnTitleIds[i]));
    return titles;
}

std::array<std::string, kRouteColumns> routeRowCells(const DrivingRouteRecord& r, std::size_t rowIndex)
{
    static constexpr std::array<const char*, 7> days{"SUN", "MON", "TUE", "WED", "THU", "FRI", "SAT"};
    return {
        formatText("%zu", rowIndex + 1),
        formatText("%d", int{r.order}),
        formatText("%4d/%02d/%02d", r.yearSince1900 + 1900, int{r.month}, int{r.day}),
        formatText("%02d:%02d:%02d", int{r.hour}, int{r.minute}, int{r.second}),
        r.weekday < days.size() ? days[r.weekday] : "",
        formatText("%04d.%04d", int{r.latitudeWhole}, int{r.latitudeFraction}),
        formatText("%05d.%04d", int{r.longitudeWhole}, int{r.longitudeFraction}),
        formatText("%.1f", r.mileageTenths / 10.0),
        formatText("%d", int{r.currentSpeed}),
        formatText("%d", int{r.topSpeed}),
        statusText(r.status),
        formatText("%+.2f", r.accelX / 256.0),
        formatText("%+.2f", r.accelY / 256.0),
        formatText("%+.2f", r.accelZ / 256.0),
        batteryText(r.batteryTenths),
    };
}

void writeRouteCsv(const std::vector<DrivingRouteRecord>& records, std::ostream& out, const RouteTitles& titles)
{
    const auto writeLine = [&out](const std::array<std::string, kRouteColumns>& cells) {
        for (std::size_t i = 0; i < cells.size(); ++i)
            out << cells[i] << (i + 1 < cells.size() ? ',' : '\n');
    };
    writeLine(titles);
    for (std::size_t i = 0; i < records.size(); ++i)
        writeLine(routeRowCells(records[i], i));
}

WriteOutcome exportRouteCsv(const std::vector<DrivingRouteRecord>& records, const std::filesystem::path& target,
                            const RouteTitles& titles)
{
    if (records.empty()) {
        WriteOutcome refused;
        refused.message = kNoRouteRecords;
        return refused;
    }
    std::ostringstream text;
    writeRouteCsv(records, text, titles);
    const std::string bytes = text.str();
    return writeFileAtomically(target, std::as_bytes(std::span(bytes.data(), bytes.size())));
}

} // namespace dravonix
