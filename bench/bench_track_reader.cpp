// The telemetry track of a 60-minute recording: 3,600 records spread over a
// sparse 3.6 GB file as the video would spread them, read with a warm cache.
#include "telemetry/track_reader.h"

#include "telemetry/camera_layout.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <stdexcept>
#include <unistd.h>

namespace {

namespace mp4 = dravonix::mp4;

void writeAt(int fd, const mp4::Bytes& bytes, std::uint64_t offset)
{
    if (::pwrite(fd, bytes.data(), bytes.size(), static_cast<off_t>(offset)) != static_cast<ssize_t>(bytes.size()))
        throw std::runtime_error("cannot write the benchmark recording");
}

// Records either spread through the video, a megabyte (one second of
// video) apart, or written together at the end of the media data.
std::filesystem::path sixtyMinuteRecording(bool interleaved)
{
    constexpr std::uint32_t kRecords = 3600;
    const std::uint64_t kVideoPerSecond = interleaved ? 1 << 20 : mp4::kChunkSize;
    const auto path = std::filesystem::temp_directory_path() / "dravonix-bench-60min.mp4";
    std::vector<mp4::TelemetryRecord> records(kRecords);
    for (std::uint32_t i = 0; i < kRecords; ++i)
        records[i].nmeaText = "$GNRMC,081005.000,A,3722.4432,N,12638.5592,E,22.4,84.4,150623,,,A*6A\r\n"
                              "$GNGGA,081005,3722.4432,N,12638.5592,E,1,09,0.9*47\r\n";
    const mp4::Bytes ftyp = mp4::cameraFtyp();
    const std::uint64_t payload = ftyp.size() + 8;
    const std::uint64_t mdatSize = 8 + kRecords * kVideoPerSecond;
    std::vector<std::uint32_t> offsets;
    for (std::uint32_t i = 0; i < kRecords; ++i)
        offsets.push_back(static_cast<std::uint32_t>(payload + i * kVideoPerSecond + kVideoPerSecond - mp4::kChunkSize));

    const int fd = ::open(path.c_str(), O_CREAT | O_TRUNC | O_WRONLY, 0644);
    if (fd < 0)
        throw std::runtime_error("cannot create the benchmark recording");
    writeAt(fd, ftyp, 0);
    mp4::Bytes mdatHeader;
    mp4::putU32(mdatHeader, static_cast<std::uint32_t>(mdatSize));
    mp4::putText(mdatHeader, "mdat");
    writeAt(fd, mdatHeader, ftyp.size());
    for (std::uint32_t i = 0; i < kRecords; ++i)
        writeAt(fd, mp4::chunkPayload({records[i]}), offsets[i]);
    const mp4::Bytes moov = mp4::container(
        "moov", {mp4::movieHeader(1000, kRecords * 1000, 3), mp4::box("free", {}), mp4::box("free", {}),
                 mp4::box("free", {}), mp4::telemetryTrak(2, offsets, 1000)});
    writeAt(fd, moov, ftyp.size() + mdatSize);
    ::close(fd);
    return path;
}

} // namespace

static void BM_ReadTrackOf60MinuteRecording(benchmark::State& state)
{
    const auto path = sixtyMinuteRecording(state.range(0) != 0);
    dravonix::TelemetryTrack track; // the viewer keeps one store and clears it per recording
    for (auto _ : state) {
        track.clear();
        const auto result = dravonix::readTelemetryTrack(path, track);
        if (!result.ok() || track.sampleCount() != 3600) {
            state.SkipWithError(("unexpected read: " + result.reason).c_str());
            break;
        }
        benchmark::DoNotOptimize(track.fixes().data());
    }
    std::filesystem::remove(path);
}
BENCHMARK(BM_ReadTrackOf60MinuteRecording)->ArgName("interleaved")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
