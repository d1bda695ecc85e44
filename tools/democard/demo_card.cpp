#include "demo_card.h"

#include "config/device_config.h"
#include "config/device_time.h"
#include "drive.h"
#include "route/driving_route.h"
#include "nmea_text.h"
#include "run_program.h"
#include "telemetry/camera_layout.h"

#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace fs = std::filesystem;
using namespace std::chrono;

namespace dravonix::demo {
using namespace dravonix::mp4;

namespace {

constexpr const char* kFontFolder = "/usr/share/fonts/truetype/dejavu/";

std::string stamp(sys_seconds t, const char* pattern)
{
    const auto day = floor<days>(t);
    const year_month_day date(day);
    const hh_mm_ss time(t - day);
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, pattern, int(date.year()), unsigned(date.month()), unsigned(date.day()),
                  static_cast<int>(time.hours().count()), static_cast<int>(time.minutes().count()),
                  static_cast<int>(time.seconds().count()));
    return buffer;
}

std::string font(const char* file)
{
    const std::string path = std::string(kFontFolder) + file;
    return fs::exists(path) ? "fontfile=" + path : "font=Sans";
}

// A road seen from the car: sky, asphalt, lane marks that move while driving,
// the channel and file name, and a running clock with the frame number so
// that the two channels can be seen to play in step.
std::string sceneFilter(const PlannedRecording& r, char channel, int width)
{
    const bool front = channel == 'F';
    const int big = width >= 1920 ? 56 : 38;
    const std::string sky = front ? "0x7d9cc4" : "0x8a97ad";
    const std::string laneSpeed = r.driveOffset < 0 ? "0" : (front ? "700" : "-700");
    std::string f = "color=c=" + sky + ":s=" + std::to_string(width) + "x" + std::to_string(width * 9 / 16)
                    + ":r=30,";
    f += "drawbox=x=0:y=ih*0.55:w=iw:h=ih*0.45:color=0x3a3d42:t=fill,";
    f += "drawbox=x=0:y=ih*0.55-6:w=iw:h=12:color=0x5d7a3a:t=fill,";
    for (int k = 0; k < 3; ++k)
        f += "drawbox=x=iw/2-12:y=ih*0.55+mod(t*" + laneSpeed + "+" + std::to_string(k * 160)
             + "+ih*4\\,ih*0.45):w=24:h=90:color=0xe8e8e8:t=fill,";
    const std::string title = std::string(front ? "FRONT" : "REAR") + "  " + r.fileName(channel).substr(0, r.fileName(channel).size() - 6);
    f += "drawtext=" + font("DejaVuSans-Bold.ttf") + ":text='" + title + "':x=40:y=40:fontsize="
         + std::to_string(big) + ":fontcolor=white:box=1:boxcolor=black@0.55:boxborderw=12,";
    f += "drawtext=" + font("DejaVuSansMono-Bold.ttf") + ":text='%{pts\\:gmtime\\:"
         + std::to_string(r.start.time_since_epoch().count()) + "}  frame %{n}':x=w-tw-40:y=h-th-40:fontsize="
         + std::to_string(big * 6 / 7) + ":fontcolor=yellow:box=1:boxcolor=black@0.55:boxborderw=12";
    return f;
}

void encode(const PlannedRecording& r, char channel, int seconds, std::uint32_t seed, const fs::path& out,
            const std::string& bitrate = {})
{
    const bool front = channel == 'F';
    const std::string grain = bitrate.empty() ? "" : ",noise=alls=14:allf=t";
    std::vector<std::string> argv{"ffmpeg", "-hide_banner", "-nostdin", "-loglevel", "error", "-y",
                                  "-f", "lavfi", "-i", sceneFilter(r, channel, front ? 1920 : 1280) + grain
                                                           + ",trim=duration=" + std::to_string(seconds)};
    if (front) {
        argv.insert(argv.end(), {"-f", "lavfi", "-i",
                                 "anoisesrc=color=brown:amplitude=0.06:sample_rate=48000:seed=" + std::to_string(seed)
                                     + ":duration=" + std::to_string(seconds)});
    }
    argv.insert(argv.end(), {"-c:v", "libx264", "-preset", "veryfast", "-pix_fmt", "yuv420p", "-g", "30", "-fflags",
                             "+bitexact", "-flags:v", "+bitexact", "-map_metadata", "-1"});
    if (bitrate.empty())
        argv.insert(argv.end(), {"-crf", "26"});
    else
        argv.insert(argv.end(), {"-b:v", bitrate, "-maxrate", bitrate, "-bufsize", bitrate});
    if (front)
        argv.insert(argv.end(), {"-c:a", "aac", "-b:a", "96k", "-flags:a", "+bitexact"});
    argv.insert(argv.end(), {"-f", "mp4", out.string()}); // whatever the name ends with
    runProgram(argv);
}

Bytes readAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path.string());
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Written beside the file and renamed over it: a file of the card is either
// whole or absent, even when the tool is stopped half-way.
void writeAll(const fs::path& path, const Bytes& bytes)
{
    fs::path part = path;
    part += ".part";
    std::ofstream out(part, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out)
        throw std::runtime_error("cannot write " + part.string());
    fs::rename(part, path);
}

std::vector<TelemetryRecord> recordsFor(const PlannedRecording& r, const std::vector<DriveSecond>& drive,
                                        int seconds, std::uint32_t seed, std::chrono::seconds gpsBehindCamera = {})
{
    std::vector<DriveSecond> slice;
    if (r.driveOffset < 0) {
        slice = parkedAt(drive.back(), seconds, seed);
    } else {
        slice.assign(drive.begin() + r.driveOffset, drive.begin() + r.driveOffset + seconds);
    }
    if (r.impact)
        addImpact(slice, seconds / 2);
    std::vector<TelemetryRecord> records;
    for (int i = 0; i < seconds; ++i) {
        const DriveSecond& s = slice[static_cast<std::size_t>(i)];
        const sys_seconds utc = r.start + std::chrono::seconds(i) - gpsBehindCamera;
        TelemetryRecord record;
        record.sequence = static_cast<std::uint32_t>(i);
        record.secondsOfDay = static_cast<std::uint32_t>((utc - floor<days>(utc)).count());
        record.accelX = static_cast<std::int32_t>(std::lround(s.accelForwardG * 256.0));
        record.accelY = static_cast<std::int32_t>(std::lround(s.accelLeftG * 256.0));
        record.accelZ = static_cast<std::int32_t>(std::lround(s.accelUpG * 256.0));
        record.unitMarker = '0';
        record.nmeaText = recordText(s, utc, i);
        records.push_back(std::move(record));
    }
    return records;
}

// The route log the camera keeps beside the recordings: one record every
// five seconds of the drive.
DrivingRouteFile routeLog(const std::vector<DriveSecond>& drive, sys_seconds start)
{
    DrivingRouteFile file;
    double mileageKm = 0.0;
    double topKmh = 0.0;
    for (std::size_t s = 0; s < drive.size(); ++s) {
        const DriveSecond& at = drive[s];
        mileageKm += at.speedMps / 1000.0;
        topKmh = std::max(topKmh, at.speedMps * 3.6);
        if (s % 5 != 0)
            continue;
        const sys_seconds when = start + seconds(s);
        const auto day = floor<days>(when);
        const year_month_day date(day);
        const hh_mm_ss time(when - day);
        const auto minutesOf = [](double degrees, std::uint16_t& whole, std::uint16_t& fraction) {
            const double magnitude = std::abs(degrees);
            const int d = static_cast<int>(magnitude);
            const long tenThousandths = std::lround((magnitude - d) * 60.0 * 10000.0);
            whole = static_cast<std::uint16_t>(d * 100 + tenThousandths / 10000);
            fraction = static_cast<std::uint16_t>(tenThousandths % 10000);
        };
        DrivingRouteRecord r;
        r.order = static_cast<std::uint16_t>(file.records.size() + 1);
        r.weekday = static_cast<std::uint8_t>(weekday(day).c_encoding());
        r.status = at.fixLost ? 3 : 1;
        r.yearSince1900 = static_cast<std::uint8_t>(int(date.year()) - 1900);
        r.month = static_cast<std::uint8_t>(unsigned(date.month()));
        r.day = static_cast<std::uint8_t>(unsigned(date.day()));
        r.hour = static_cast<std::uint8_t>(time.hours().count());
        r.minute = static_cast<std::uint8_t>(time.minutes().count());
        r.second = static_cast<std::uint8_t>(time.seconds().count());
        minutesOf(at.latitude, r.latitudeWhole, r.latitudeFraction);
        minutesOf(at.longitude, r.longitudeWhole, r.longitudeFraction);
        r.latitudeHemisphere = at.latitude < 0 ? 'S' : 'N';
        r.longitudeHemisphere = at.longitude < 0 ? 'W' : 'E';
        r.currentSpeed = static_cast<std::uint16_t>(at.speedMps * 3.6);
        r.topSpeed = static_cast<std::uint16_t>(topKmh);
        r.mileageTenths = static_cast<std::uint32_t>(mileageKm * 10.0);
        r.accelX = static_cast<std::int16_t>(std::lround(at.accelForwardG * 256.0));
        r.accelY = static_cast<std::int16_t>(std::lround(at.accelLeftG * 256.0));
        r.accelZ = static_cast<std::int16_t>(std::lround(at.accelUpG * 256.0));
        r.batteryTenths = static_cast<std::int16_t>(124 + s % 4);
        file.records.push_back(r);
    }
    file.countA = file.countB = static_cast<std::uint32_t>(file.records.size());
    return file;
}

void writeCardFiles(const fs::path& root, const std::vector<DriveSecond>& drive, sys_seconds start)
{
    DeviceConfig config;
    writeAll(root / "config.bin", Bytes(config.bytes().begin(), config.bytes().end()));
    const auto day = floor<days>(start);
    const year_month_day date(day);
    const hh_mm_ss time(start - day);
    writeAll(root / "timeset.cfg",
             [&] {
                 const std::string text = formatDeviceTime({int(date.year()), int(unsigned(date.month())),
                                                            int(unsigned(date.day())), int(time.hours().count()),
                                                            int(time.minutes().count()), int(time.seconds().count())});
                 return Bytes(text.begin(), text.end());
             }());
    fs::create_directories(root / "DrvInfo");
    const std::vector<std::uint8_t> route = encodeDrivingRouteFile(routeLog(drive, start));
    writeAll(root / kRouteFileBelowRoot, Bytes(route.begin(), route.end()));
}

} // namespace

std::string PlannedRecording::fileName(char channel) const
{
    return prefix + stamp(start, "%04d%02u%02u_%02d%02d%02d_") + channel + ".mp4";
}

std::vector<PlannedRecording> planDemoCard(std::uint32_t seed, int secondsPerRecording)
{
    const int d = secondsPerRecording;
    const sys_days day = sys_days(2023y / June / 15) + days(seed % 200);
    const sys_seconds t0 = day + hours(7 + seed % 10) + minutes((seed * 7) % 60);
    const sys_seconds parked = t0 + 5 * seconds(d) + minutes(17);
    return {
        {"Normal", "alwa_", t0, true, true, 0, false},
        {"Normal", "alwa_", t0 + seconds(d), true, true, d, false},
        {"Event", "event_", t0 + seconds(d + d / 2), true, true, d + d / 2, true},
        {"Normal", "alwa_", t0 + seconds(2 * d), true, false, 2 * d, false},
        {"Manual", "user_", t0 + seconds(3 * d), true, true, 3 * d, false},
        {"Normal", "alwa_", t0 + seconds(4 * d), false, true, 4 * d, false},
        {"Parking", "motion_", parked, true, true, -1, false},
        {"Parking", "motion_", parked + minutes(6), true, false, -1, false},
    };
}

int twoTripImpactSecond(int secondsPerRecording) { return secondsPerRecording * 7 / 4; }

std::vector<PlannedRecording> planTwoTripCard(std::uint32_t seed, int secondsPerRecording)
{
    const int d = secondsPerRecording;
    const sys_days day = sys_days(2023y / December / 20) + days(seed % 10);
    // The second drive starts two recordings before midnight.
    const sys_seconds second = day + days(1) - seconds(2 * d);
    const sys_seconds first = second - minutes(25) - seconds(5 * d + 3);
    const int later = 5 * d + 3; // drive seconds the first trip used
    return {
        {"Normal", "alwa_", first, true, true, 0, false},
        {"Normal", "alwa_", first + seconds(d), true, true, d, false},
        {"Event", "event_", first + seconds(d + d / 2), true, true, d + d / 2, false},
        {"Normal", "alwa_", first + seconds(2 * d), true, true, 2 * d, false},
        {"Manual", "user_", first + seconds(2 * d + d / 2), true, false, 2 * d + d / 2, false},
        {"Normal", "alwa_", first + seconds(3 * d), true, true, 3 * d, false},
        {"Normal", "alwa_", first + seconds(4 * d + 3), true, true, 4 * d + 3, false}, // after a 3 s gap
        {"Parking", "motion_", first + seconds(5 * d + 3) + minutes(10), true, true, -1, false},
        {"Normal", "alwa_", second, true, true, later, false},
        {"Normal", "alwa_", second + seconds(d), true, true, later + d, false},
        {"Normal", "alwa_", second + seconds(2 * d), true, true, later + 2 * d, false},
        {"Normal", "alwa_", second + seconds(3 * d), false, true, later + 3 * d, false},
    };
}

int longDriveImpactSecond(int secondsPerRecording, int count)
{
    return (count / 2) * secondsPerRecording + secondsPerRecording / 2;
}

std::vector<PlannedRecording> planLongDrive(std::uint32_t seed, int secondsPerRecording, int count)
{
    const int d = secondsPerRecording;
    const sys_days day = sys_days(2024y / March / 4) + days(seed % 20);
    const sys_seconds t0 = day + hours(8) + minutes(seed % 30);
    std::vector<PlannedRecording> plan;
    for (int i = 0; i < count; ++i)
        plan.push_back({"Normal", "alwa_", t0 + seconds(i * d), true, true, i * d, false});
    const int impact = longDriveImpactSecond(d, count);
    const int eventFrom = std::max(0, impact - d / 2);
    // The drive itself carries the collision, as the Always file under it feels it too.
    plan.push_back({"Event", "event_", t0 + seconds(eventFrom), true, true, eventFrom, false});
    return plan;
}

void writeDemoCard(const DemoCardOptions& options)
{
    const int d = options.secondsPerRecording;
    if (d < 2)
        throw std::invalid_argument("recordings need at least 2 seconds");
    const bool longDrive = options.longDrive > 0;
    const std::vector<PlannedRecording> fullPlan =
        longDrive ? planLongDrive(options.seed, d, options.longDrive)
                  : (options.twoTrips ? planTwoTripCard(options.seed, d) : planDemoCard(options.seed, d));
    std::vector<PlannedRecording> plan = fullPlan;
    const PlannedRecording first = plan.front();
    if (options.recordings >= 0 && static_cast<std::size_t>(options.recordings) < plan.size())
        plan.resize(static_cast<std::size_t>(options.recordings));
    std::vector<DriveSecond> drive =
        simulateDrive({options.seed, longDrive ? options.longDrive * d : (options.twoTrips ? 9 * d + 3 : 5 * d), 37.374054,
                       126.642653});
    // The collision is part of the drive, so every file recording it feels it.
    if (longDrive)
        addImpact(drive, longDriveImpactSecond(d, options.longDrive));
    else if (options.twoTrips)
        addImpact(drive, twoTripImpactSecond(d));
    const std::chrono::seconds gpsBehind = options.clockAheadSeconds ? hours(9) + seconds(*options.clockAheadSeconds)
                                           : options.twoTrips ? hours(9) + seconds(kTwoTripClockAhead)
                                                              : hours(9);

    fs::create_directories(options.out);

    int total = 1; // the stray clip
    for (const PlannedRecording& r : plan)
        total += int(r.front) + int(r.rear);
    int made = 0;
    const auto madeOne = [&](const fs::path& file, bool kept) {
        ++made;
        if (options.progress)
            std::fprintf(stderr, "  recording %2d of %d: %s%s\n", made, total, fs::relative(file, options.out).string().c_str(),
                         kept ? " (already there)" : "");
    };

    std::uint32_t fileSeed = options.seed * 1000;
    // Not named like a recording: a viewer listing the card meanwhile skips it.
    const fs::path scratch = options.out / ".encoding.part";
    for (const PlannedRecording& r : plan) {
        const std::vector<TelemetryRecord> records = recordsFor(r, drive, d, options.seed + fileSeed, gpsBehind);
        fs::create_directories(options.out / r.folder);
        for (const char channel : {'F', 'R'}) {
            if ((channel == 'F' && !r.front) || (channel == 'R' && !r.rear))
                continue;
            const fs::path target = options.out / r.folder / r.fileName(channel);
            ++fileSeed; // the same seeds whichever files are kept
            const bool kept = options.keepExisting && fs::exists(target);
            if (!kept) {
                encode(r, channel, d, fileSeed, scratch, channel == 'F' ? options.frontBitrate : options.rearBitrate);
                writeAll(target, layOutRecording(readAll(scratch), records));
            }
            madeOne(target, kept);
        }
    }
    writeCardFiles(options.out, drive, first.start);
    // A file the camera didn't name: a plain video without a telemetry track.
    const fs::path stray = options.out / "clip_from_phone.mp4";
    // Its seed follows every file of the whole plan, however much of it was made.
    fileSeed = options.seed * 1000;
    for (const PlannedRecording& r : fullPlan)
        fileSeed += std::uint32_t(r.front) + std::uint32_t(r.rear);
    ++fileSeed;
    const bool kept = options.keepExisting && fs::exists(stray);
    if (!kept) {
        encode(first, 'F', 2, fileSeed, scratch);
        fs::rename(scratch, stray);
    }
    fs::remove(scratch);
    madeOne(stray, kept);
}

} // namespace dravonix::demo
