#include "telemetry/movie_duration.h"
#include "trips/recording_durations.h"

#include "telemetry/mp4_box.h"
#include "telemetry/camera_layout.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <limits>
#include <stop_token>

using namespace dravonix;
using namespace dravonix::mp4;

namespace {

Expected<std::int64_t, Error> durationOf(const Bytes& file)
{
    return readMovieDurationMs(MemoryByteSource(std::as_bytes(std::span(file))));
}

Bytes withMovieHeader(const Bytes& mvhd, bool moovFirst = false)
{
    const Bytes moov = container("moov", {box("free", {}), mvhd});
    Bytes out = cameraFtyp();
    if (moovFirst)
        append(out, moov);
    append(out, box("mdat", Bytes(100, 0)));
    if (!moovFirst)
        append(out, moov);
    return out;
}

Bytes versionOneHeader(std::uint32_t timescale, std::uint64_t duration)
{
    Bytes payload(16, 0); // created, modified
    putU32(payload, timescale);
    putU32(payload, static_cast<std::uint32_t>(duration >> 32));
    putU32(payload, static_cast<std::uint32_t>(duration));
    payload.resize(payload.size() + 80, 0);
    return fullBox("mvhd", 1, 0, payload);
}

} // namespace

TEST(MovieDuration, ReadsTheCameraLayoutAndOtherBoxOrders)
{
    std::vector<TelemetryRecord> records(7);
    const Expected<std::int64_t, Error> camera = durationOf(syntheticRecording(records));
    ASSERT_TRUE(camera) << camera.error().message;
    EXPECT_EQ(*camera, 7000);

    // 90 kHz time scale, header after a "free" box, moov ahead of mdat; 64-bit fields.
    const auto v0 = durationOf(withMovieHeader(movieHeader(90000, 90000 * 61 + 45000, 3), true));
    ASSERT_TRUE(v0);
    EXPECT_EQ(*v0, 61500);
    const auto v1 = durationOf(withMovieHeader(versionOneHeader(600, 600ull * 3600)));
    ASSERT_TRUE(v1);
    EXPECT_EQ(*v1, 3600000);
}

TEST(MovieDuration, RefusesZeroUnknownAndAbsurdDurations)
{
    EXPECT_FALSE(durationOf(withMovieHeader(movieHeader(1000, 0, 2))));
    EXPECT_FALSE(durationOf(withMovieHeader(movieHeader(0, 5000, 2))));
    EXPECT_FALSE(durationOf(withMovieHeader(movieHeader(1000, 0xffffffffu, 2))));
    EXPECT_FALSE(durationOf(withMovieHeader(versionOneHeader(1, 24ull * 3600))));
    EXPECT_FALSE(durationOf(withMovieHeader(versionOneHeader(1000, ~0ull - 1)))); // no overflow into a small number
    EXPECT_TRUE(durationOf(withMovieHeader(versionOneHeader(1, 24ull * 3600 - 1))));
}

TEST(MovieDuration, HostileStructureIsAnErrorNotARead)
{
    // A recording cut off before its movie box (power lost while recording).
    Bytes unfinished = cameraFtyp();
    append(unfinished, box("mdat", Bytes(64, 0)));
    const auto cut = durationOf(unfinished);
    ASSERT_FALSE(cut);
    EXPECT_NE(cut.error().message.find("moov"), std::string::npos);

    // A box claiming more than the file holds, a size below its own header,
    // a header cut short, an empty file.
    Bytes huge = cameraFtyp();
    putU32(huge, 0x7fffffff);
    putText(huge, "mdat");
    EXPECT_FALSE(durationOf(huge));
    Bytes tiny = cameraFtyp();
    putU32(tiny, 4);
    putText(tiny, "moov");
    EXPECT_FALSE(durationOf(tiny));
    const Bytes mvhd = fullBox("mvhd", 0, 0, Bytes(6, 0));
    EXPECT_FALSE(durationOf(withMovieHeader(mvhd)));
    EXPECT_FALSE(durationOf(Bytes{}));
    // Every truncation of a good file (movie box last) fails cleanly.
    const Bytes good = withMovieHeader(movieHeader(1000, 5000, 2));
    for (std::size_t n = 0; n < good.size(); ++n)
        EXPECT_FALSE(durationOf(Bytes(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(n)))) << n;
}

TEST(RecordingDurations, ReportsEachFileAsItIsReadAndStopsWhenAsked)
{
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "dravonix-durations-test";
    std::filesystem::create_directories(dir);
    const Bytes good = syntheticRecording(std::vector<TelemetryRecord>(3));
    const auto write = [&](const char* name, const Bytes& bytes) {
        std::FILE* f = std::fopen((dir / name).c_str(), "wb");
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
        return (dir / name).string();
    };
    const std::vector<std::string> paths{write("a.mp4", good), write("b.mp4", Bytes(40, 7)), dir.string(),
                                         (dir / "missing.mp4").string(), write("c.mp4", good)};
    std::vector<std::string> seen;
    const std::size_t read = readRecordingDurations(paths, [&](std::size_t i, const DurationResult& result) {
        seen.push_back(std::to_string(i) + (result ? "=" + std::to_string(*result) : "!"));
    });
    EXPECT_EQ(read, 5u);
    EXPECT_EQ(seen, (std::vector<std::string>{"0=3000", "1!", "2!", "3!", "4=3000"}));

    std::stop_source stop;
    seen.clear();
    EXPECT_EQ(readRecordingDurations(paths,
                                     [&](std::size_t i, const DurationResult&) {
                                         seen.push_back(std::to_string(i));
                                         if (i == 1)
                                             stop.request_stop();
                                     },
                                     stop.get_token()),
              2u);
    std::filesystem::remove_all(dir);
}

TEST(ReadAheadByteSource, GivesTheSameBytesAsTheSourceBelow)
{
    Bytes file(5000);
    for (std::size_t i = 0; i < file.size(); ++i)
        file[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
    const MemoryByteSource direct(std::as_bytes(std::span(file)));
    const ReadAheadByteSource windowed(direct, 256);
    // Forward, backward, across the window's edge, past the end, larger than the window.
    const std::pair<std::uint64_t, std::size_t> reads[] = {{0, 8},    {4, 8},    {250, 12}, {100, 4},  {4990, 32},
                                                           {5000, 4}, {9999, 4}, {10, 300}, {4800, 60}, {255, 1}};
    for (const auto& [offset, length] : reads) {
        std::vector<std::byte> a(length), b(length);
        const std::size_t gotA = direct.readAt(offset, a);
        const std::size_t gotB = windowed.readAt(offset, b);
        EXPECT_EQ(gotA, gotB) << offset;
        EXPECT_EQ(a, b) << offset;
    }
    // A batch, partly inside the window, partly not.
    std::vector<std::byte> first(8);
    windowed.readAt(1000, first);
    std::vector<std::vector<std::byte>> a(4, std::vector<std::byte>(40)), b = a;
    const std::uint64_t offsets[] = {1000, 1200, 3000, 4980};
    std::vector<ReadRequest> direct4, windowed4;
    for (std::size_t i = 0; i < 4; ++i) {
        direct4.push_back({offsets[i], a[i], 0});
        windowed4.push_back({offsets[i], b[i], 0});
    }
    direct.readMany(direct4);
    windowed.readMany(windowed4);
    for (std::size_t i = 0; i < 4; ++i)
        EXPECT_EQ(windowed4[i].got, direct4[i].got) << offsets[i];
    EXPECT_EQ(a, b);
}

TEST(ReadAheadByteSource, ASmallFileIsReadOnceWhateverIsAskedOfIt)
{
    struct Counting final : ByteSource {
        explicit Counting(std::span<const std::byte> bytes) : memory(bytes) {}
        std::uint64_t size() const override { return memory.size(); }
        std::size_t readAt(std::uint64_t offset, std::span<std::byte> out) const override
        {
            ++calls;
            return memory.readAt(offset, out);
        }
        MemoryByteSource memory;
        mutable int calls = 0;
    };
    const Bytes file(9000, 1);
    const Counting counting(std::as_bytes(std::span(file)));
    const ReadAheadByteSource windowed(counting);
    std::vector<std::byte> header(16), records(8000), past(100);
    EXPECT_EQ(windowed.readAt(0, header), 16u);
    EXPECT_EQ(windowed.readAt(900, records), 8000u); // larger than a small read, but held
    EXPECT_EQ(windowed.readAt(8950, past), 50u);     // the rest of the file
    std::vector<ReadRequest> batch{{32, header, 0}, {4000, past, 0}};
    windowed.readMany(batch);
    EXPECT_EQ(batch[1].got, 100u);
    EXPECT_EQ(counting.calls, 1);
    // What the window holds is lent in place; nothing it doesn't hold whole.
    const std::span<const std::byte> held = windowed.bytesHeld(8990, 10);
    ASSERT_EQ(held.size(), 10u);
    EXPECT_EQ(held.data(), windowed.bytesHeld(0, 1).data() + 8990);
    EXPECT_TRUE(windowed.bytesHeld(8990, 11).empty());
    EXPECT_TRUE(windowed.bytesHeld(9001, 0).empty());
    EXPECT_TRUE(windowed.bytesHeld(2, std::numeric_limits<std::size_t>::max()).empty());
    EXPECT_TRUE(counting.memory.bytesHeld(0, 1).empty()); // a source that lends nothing
    EXPECT_EQ(counting.calls, 1);
}

TEST(MovieDuration, AHeaderClaimingMoreThanEveryTrackIsNotBelieved)
{
    const auto trackHeader = [](std::uint64_t duration, bool wide) {
        Bytes payload(wide ? 16 : 8, 0); // created, modified
        putU32(payload, 1);              // track id
        putU32(payload, 0);
        if (wide)
            putU32(payload, static_cast<std::uint32_t>(duration >> 32));
        putU32(payload, static_cast<std::uint32_t>(duration));
        payload.resize(payload.size() + 60, 0);
        return container("trak", {fullBox("tkhd", wide ? 1 : 0, 3, payload), box("mdia", Bytes(40, 0))});
    };
    const auto movie = [](const Bytes& mvhd, const std::vector<Bytes>& tracks) {
        std::vector<Bytes> children{mvhd};
        children.insert(children.end(), tracks.begin(), tracks.end());
        Bytes out = cameraFtyp();
        append(out, box("mdat", Bytes(100, 0)));
        append(out, container("moov", children));
        return out;
    };
    // A four-second recording whose movie header was made to say 23 hours.
    const auto patched = durationOf(movie(movieHeader(1000, 23u * 3600 * 1000, 3), {trackHeader(4000, false), trackHeader(3967, true)}));
    ASSERT_TRUE(patched);
    EXPECT_EQ(*patched, 4000);
    // Within a second of the longest track the header stands, as does one without track headers.
    const auto close = durationOf(movie(movieHeader(1000, 4900, 3), {trackHeader(4000, false)}));
    ASSERT_TRUE(close);
    EXPECT_EQ(*close, 4900);
    const auto unknownTracks = durationOf(movie(movieHeader(1000, 61000, 3), {trackHeader(0xffffffffu, false)}));
    ASSERT_TRUE(unknownTracks);
    EXPECT_EQ(*unknownTracks, 61000);
    // A track's 64-bit duration a hair short of the largest number: adding a second to it must not wrap.
    const auto hugeTrack = durationOf(movie(movieHeader(1000, 62790, 3), {trackHeader(0xfffffffffffffff0ull, true)}));
    ASSERT_TRUE(hugeTrack);
    EXPECT_EQ(*hugeTrack, 62790);
}
