#include "telemetry/track_reader.h"

#include "telemetry/camera_layout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

using namespace dravonix;
namespace mp4 = dravonix::mp4;

namespace {

std::vector<mp4::TelemetryRecord> threeRecords()
{
    std::vector<mp4::TelemetryRecord> records(3);
    records[0].accelX = 256;
    records[0].accelY = -128;
    records[0].accelZ = 0;
    records[0].unitMarker = '1';
    records[0].nmeaText = "$GNRMC,010203.000,A,,,,,10.0,,010124,,*00\r\n$GNGGA,1,3722.0,N,12638.0,E,1,07,0.8*00\r\n";
    records[1].nmeaText = "$GNRMC,010204.000,A,,,,,11.0,,010124,,*00\r\n";
    records[2].nmeaText = "$GNRMC,010205.000,A,,,,,12.0,,010124,,*00\r\n";
    return records;
}

TrackReadResult read(const mp4::Bytes& bytes, TelemetryTrack& track)
{
    const MemoryByteSource source(std::as_bytes(std::span(bytes)));
    return readTelemetryTrack(source, track);
}

// Byte position of the first box of this type (its size field).
std::size_t boxOffset(const mp4::Bytes& bytes, std::string_view type)
{
    const auto it = std::search(bytes.begin(), bytes.end(), type.begin(), type.end());
    EXPECT_NE(it, bytes.end()) << type;
    return static_cast<std::size_t>(it - bytes.begin()) - 4;
}

// A recording assembled from parts, so each test can break one of them.
mp4::Bytes assemble(const mp4::Bytes& ftyp, const std::vector<mp4::TelemetryRecord>& records, int fillerBoxes = 3)
{
    const std::size_t payloadStart = ftyp.size() + 8;
    std::vector<std::uint32_t> offsets;
    for (std::size_t i = 0; i < records.size(); ++i)
        offsets.push_back(static_cast<std::uint32_t>(payloadStart + i * mp4::kChunkSize));
    std::vector<mp4::Bytes> moov{mp4::movieHeader(1000, 3000, 2)};
    for (int i = 0; i < fillerBoxes; ++i)
        moov.push_back(mp4::box("free", {}));
    moov.push_back(mp4::telemetryTrak(1, offsets, 1000));
    mp4::Bytes out = ftyp;
    mp4::append(out, mp4::box("mdat", mp4::chunkPayload(records)));
    mp4::append(out, mp4::container("moov", moov));
    return out;
}

void expectFailure(const mp4::Bytes& bytes, const std::string& reasonPart)
{
    TelemetryTrack track;
    const TrackReadResult result = read(bytes, track);
    EXPECT_EQ(result.code, kEFail);
    EXPECT_NE(result.reason.find(reasonPart), std::string::npos) << result.reason;
    EXPECT_EQ(track.sampleCount(), 0u);
}

} // namespace

TEST(TrackReader, ReadsEveryChunkOfTheCameraLayout)
{
    TelemetryTrack track;
    const TrackReadResult result = read(mp4::syntheticRecording(threeRecords()), track);
    ASSERT_TRUE(result.ok()) << result.reason;
    ASSERT_EQ(track.sampleCount(), 3u);
    EXPECT_EQ(track.sampleAt(0)->accelX, 1.0f);
    EXPECT_EQ(track.sampleAt(0)->accelY, -0.5f);
    EXPECT_EQ(track.sampleAt(0)->accelZ, 0.0f);
    EXPECT_EQ(track.sampleAt(0)->speedUnitMarker, '1');
    EXPECT_DOUBLE_EQ(track.fixAt(0)->latitudeRaw, 3722.0);
    EXPECT_DOUBLE_EQ(track.fixAt(2)->speedKnots, 12.0);
    EXPECT_DOUBLE_EQ(track.fixAt(2)->latitudeRaw, 3722.0);
}

TEST(TrackReader, RefusesOtherBrandsAndOtherLayouts)
{
    expectFailure(assemble(mp4::cameraFtyp("isom"), threeRecords()), "major brand");
    expectFailure(assemble(mp4::cameraFtyp(), threeRecords(), 2), "no telemetry track");
    expectFailure(assemble(mp4::cameraFtyp(), threeRecords(), 4), "no telemetry track");

    mp4::Bytes otherTable = mp4::syntheticRecording(threeRecords());
    const std::size_t stco = boxOffset(otherTable, "stco");
    std::copy_n("co64", 4, otherTable.begin() + static_cast<std::ptrdiff_t>(stco + 4));
    expectFailure(otherTable, "is \"co64\", not \"stco\"");

    // moov straight after ftyp: the third box is something else or missing.
    mp4::Bytes moovSecond = mp4::cameraFtyp();
    mp4::append(moovSecond, mp4::container("moov", {mp4::movieHeader(1000, 0, 2)}));
    mp4::append(moovSecond, mp4::box("mdat", {}));
    expectFailure(moovSecond, "third box is \"mdat\"");

    mp4::Bytes noFtyp = mp4::box("free", mp4::Bytes(8, 0));
    expectFailure(noFtyp, "first box");
}

TEST(TrackReader, RefusesBoxSizesThatCannotBeTrue)
{
    const mp4::Bytes good = mp4::syntheticRecording(threeRecords());

    mp4::Bytes tooSmall = good;
    mp4::writeU32(tooSmall, boxOffset(tooSmall, "mdia"), 4);
    expectFailure(tooSmall, "below its own header");

    mp4::Bytes zero = good;
    mp4::writeU32(zero, boxOffset(zero, "mdat"), 0);
    expectFailure(zero, "size 0");

    mp4::Bytes pastParent = good;
    mp4::writeU32(pastParent, boxOffset(pastParent, "stsz"), 0x7fffffff);
    expectFailure(pastParent, "runs past");

    mp4::Bytes pastFile = good;
    const std::size_t moov = boxOffset(pastFile, "moov");
    mp4::writeU32(pastFile, moov, mp4::readU32(pastFile, moov) + 1);
    expectFailure(pastFile, "runs past");
}

TEST(TrackReader, EntryCountIsBoundedByTheTable)
{
    mp4::Bytes bytes = mp4::syntheticRecording(threeRecords());
    mp4::writeU32(bytes, boxOffset(bytes, "stco") + 12, 0xffffffffu);
    TelemetryTrack track;
    ASSERT_TRUE(read(bytes, track).ok());
    EXPECT_EQ(track.sampleCount(), 3u);

    mp4::writeU32(bytes, boxOffset(bytes, "stco") + 12, 0);
    TelemetryTrack empty;
    ASSERT_TRUE(read(bytes, empty).ok());
    EXPECT_EQ(empty.sampleCount(), 0u);
}

TEST(TrackReader, NoMoreRecordsThanTheFileHasRoomFor)
{
    // Thousands of entries, all leading to the first record: read as many
    // as the file could hold side by side, not thousands.
    const std::vector<mp4::TelemetryRecord> one{threeRecords().front()};
    const mp4::Bytes single = mp4::syntheticRecording(one);
    const std::uint32_t first = mp4::readU32(single, boxOffset(single, "stco") + 16);
    std::vector<mp4::Bytes> moov{mp4::movieHeader(1000, 3000, 2), mp4::box("free", {}), mp4::box("free", {}),
                                 mp4::box("free", {}), mp4::telemetryTrak(1, std::vector<std::uint32_t>(5000, first), 1000)};
    mp4::Bytes bytes(single.begin(), single.begin() + static_cast<std::ptrdiff_t>(boxOffset(single, "moov")));
    mp4::append(bytes, mp4::container("moov", moov));
    TelemetryTrack track;
    ASSERT_TRUE(read(bytes, track).ok());
    EXPECT_EQ(track.sampleCount(), bytes.size() / kTelemetryRecordSize);
    EXPECT_LT(track.sampleCount(), 200u);
}

TEST(TrackReader, ChunksOutsideTheFileAreSkippedAndTheRestRead)
{
    mp4::Bytes bytes = mp4::syntheticRecording(threeRecords());
    const std::size_t firstOffset = boxOffset(bytes, "stco") + 16;
    mp4::writeU32(bytes, firstOffset, 0xfffffff0u);
    mp4::writeU32(bytes, firstOffset + 8, static_cast<std::uint32_t>(bytes.size() - 100)); // record cut by the end
    TelemetryTrack track;
    ASSERT_TRUE(read(bytes, track).ok());
    ASSERT_EQ(track.sampleCount(), 1u);
    EXPECT_DOUBLE_EQ(track.fixAt(0)->speedKnots, 11.0);
}

TEST(TrackReader, EveryTruncationFailsOrReadsLessWithoutHarm)
{
    const mp4::Bytes good = mp4::syntheticRecording(threeRecords());
    for (std::size_t length = 0; length < good.size(); ++length) {
        const mp4::Bytes cut(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(length));
        TelemetryTrack track;
        const TrackReadResult result = read(cut, track);
        // The moov box is last, so any cut loses the layout.
        EXPECT_FALSE(result.ok()) << length;
        EXPECT_EQ(track.sampleCount(), 0u);
    }
}

TEST(TrackReader, GarbageNeverReadsAsATrack)
{
    std::mt19937 rng(7);
    for (int round = 0; round < 200; ++round) {
        mp4::Bytes noise(static_cast<std::size_t>(rng() % 4096));
        for (auto& b : noise)
            b = static_cast<std::uint8_t>(rng());
        TelemetryTrack track;
        EXPECT_FALSE(read(noise, track).ok());
    }
    TelemetryTrack zeros;
    EXPECT_FALSE(read(mp4::Bytes(100000, 0), zeros).ok());
}

TEST(TrackReader, FilesThatCannotBeReadFailWithTheirReason)
{
    const auto folder = std::filesystem::temp_directory_path() / "dravonix-reader-test";
    std::filesystem::create_directories(folder / "x.mp4");
    TelemetryTrack track;
    TrackReadResult result = readTelemetryTrack(folder / "x.mp4", track);
    EXPECT_EQ(result.code, kEFail);
    EXPECT_NE(result.reason.find("folder"), std::string::npos);

    result = readTelemetryTrack(folder / "missing.mp4", track);
    EXPECT_EQ(result.code, kEFail);
    EXPECT_NE(result.reason.find("cannot open"), std::string::npos);

    const mp4::Bytes bytes = mp4::syntheticRecording(threeRecords());
    {
        std::ofstream out(folder / "good.mp4", std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    EXPECT_TRUE(readTelemetryTrack(folder / "good.mp4", track).ok());
    EXPECT_EQ(track.sampleCount(), 3u);
    std::filesystem::remove_all(folder);
}

TEST(TrackReader, MemorySourceReadsNothingIntoAnEmptyBuffer)
{
    const std::byte one[1]{};
    const MemoryByteSource source(one);
    EXPECT_EQ(source.readAt(0, {}), 0u);
    std::byte out[4]{};
    EXPECT_EQ(source.readAt(0, out), 1u);
    EXPECT_EQ(source.readAt(1, out), 0u);
}

TEST(TrackReader, RecordsFarApartAndOutOfOrderReadTheSameAsTogether)
{
    // Chunks spread through the media data, in reverse order, 100 KB apart.
    const auto records = threeRecords();
    const mp4::Bytes ftyp = mp4::cameraFtyp();
    const std::size_t payload = ftyp.size() + 8;
    constexpr std::size_t kGap = 100 * 1024;
    mp4::Bytes media(3 * kGap, 0xAB);
    std::vector<std::uint32_t> offsets;
    for (std::size_t i = 0; i < 3; ++i) {
        const std::size_t at = (2 - i) * kGap + 7;
        const mp4::Bytes chunk = mp4::chunkPayload({records[i]});
        std::copy(chunk.begin(), chunk.end(), media.begin() + static_cast<std::ptrdiff_t>(at));
        offsets.push_back(static_cast<std::uint32_t>(payload + at));
    }
    mp4::Bytes file = ftyp;
    mp4::append(file, mp4::box("mdat", media));
    mp4::append(file, mp4::container("moov", {mp4::movieHeader(1000, 3000, 2), mp4::box("free", {}),
                                                mp4::box("free", {}), mp4::box("free", {}),
                                                mp4::telemetryTrak(1, offsets, 1000)}));
    TelemetryTrack spread;
    ASSERT_TRUE(read(file, spread).ok());
    TelemetryTrack together;
    ASSERT_TRUE(read(mp4::syntheticRecording(records), together).ok());
    ASSERT_EQ(spread.sampleCount(), 3u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(spread.sampleAt(i)->accelX, together.sampleAt(i)->accelX);
        EXPECT_EQ(spread.sampleAt(i)->nmeaText, together.sampleAt(i)->nmeaText);
        EXPECT_EQ(*spread.fixAt(i), *together.fixAt(i));
    }
}

namespace {

// Memory with a bad spot: reads that touch [failFrom, failFrom + 16) fail with EIO.
class FailingSource final : public ByteSource {
public:
    FailingSource(const mp4::Bytes& bytes, std::uint64_t failFrom) : bytes_(bytes), failFrom_(failFrom) {}
    std::uint64_t size() const override { return bytes_.size(); }
    std::size_t readAt(std::uint64_t offset, std::span<std::byte> out) const override
    {
        if (offset + out.size() > failFrom_ && offset < failFrom_ + 16) {
            noteReadError(EIO);
            return 0;
        }
        std::memcpy(out.data(), bytes_.data() + offset, out.size());
        return out.size();
    }

private:
    const mp4::Bytes& bytes_;
    std::uint64_t failFrom_;
};

} // namespace

TEST(TrackReader, ReadErrorsAreReportedNotTakenForTheEndOfTheFile)
{
    const mp4::Bytes bytes = mp4::syntheticRecording(threeRecords());
    struct Case {
        std::uint64_t failFrom;
        const char* reasonPart;
    };
    const std::size_t mdat = boxOffset(bytes, "mdat");
    const std::size_t stco = boxOffset(bytes, "stco");
    for (const Case& c : {Case{0, "cannot read the box header at offset 0: Input/output error"},
                          Case{stco + 16, "cannot read the chunk offset table: Input/output error"},
                          Case{mdat + 8 + 200, "cannot read the telemetry records: Input/output error"}}) {
        const FailingSource source(bytes, c.failFrom);
        TelemetryTrack track;
        track.appendSample(1, 2, 3, '0', std::array<char, kNmeaTextSize>{});
        const TrackReadResult result = readTelemetryTrack(source, track);
        EXPECT_FALSE(result.ok());
        EXPECT_NE(result.reason.find(c.reasonPart), std::string::npos) << result.reason;
        EXPECT_EQ(track.sampleCount(), 1u) << "what the store held stays, nothing is added";
    }
}

TEST(TrackReader, AnEmptyFileSaysSo)
{
    expectFailure({}, "the file is empty");
}

TEST(TrackReader, TracksLongerThanADayAreRefusedBeforeAnythingIsAllocated)
{
    // A table that really holds a day and one record's entries (all pointing at
    // one record): bounded by the box, still too many for a recording.
    std::vector<mp4::TelemetryRecord> one(1);
    const mp4::Bytes ftyp = mp4::cameraFtyp();
    const std::vector<std::uint32_t> offsets(kMaxTrackRecords + 1, static_cast<std::uint32_t>(ftyp.size() + 8));
    std::vector<mp4::Bytes> moov{mp4::movieHeader(1000, 3000, 2)};
    for (int i = 0; i < 3; ++i)
        moov.push_back(mp4::box("free", {}));
    moov.push_back(mp4::telemetryTrak(1, offsets, 1000));
    mp4::Bytes bytes = ftyp;
    mp4::append(bytes, mp4::box("mdat", mp4::chunkPayload(one)));
    mp4::append(bytes, mp4::container("moov", moov));
    expectFailure(bytes, "the track lists 86401 records, more than the 86400 of a day");

    // A day's worth exactly is still read (as many of them as the file
    // has room for: they all lead to the one record).
    std::vector<std::uint32_t> day(kMaxTrackRecords, static_cast<std::uint32_t>(ftyp.size() + 8));
    moov.back() = mp4::telemetryTrak(1, day, 1000);
    mp4::Bytes dayBytes = ftyp;
    mp4::append(dayBytes, mp4::box("mdat", mp4::chunkPayload(one)));
    mp4::append(dayBytes, mp4::container("moov", moov));
    TelemetryTrack track;
    ASSERT_TRUE(read(dayBytes, track).ok());
    EXPECT_EQ(track.sampleCount(), dayBytes.size() / kTelemetryRecordSize);
}

TEST(TrackReader, OnlyRegularFilesAreOpenedAndNothingBlocks)
{
    const auto folder = std::filesystem::temp_directory_path() / ("dravonix-reader-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    const auto fifo = folder / "alwa_20230622_144905_F.mp4";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    TelemetryTrack track;
    // Would wait for a writer for ever if opened for a plain read.
    EXPECT_EQ(readTelemetryTrack(fifo, track).reason, "is a FIFO, not a file");
    EXPECT_EQ(readTelemetryTrack(std::filesystem::path("/dev/zero"), track).reason, "is a character device, not a file");
    EXPECT_EQ(readTelemetryTrack(folder, track).reason, "is a folder");
    std::filesystem::remove_all(folder);
}
