#include "telemetry/track_reader.h"

#include "telemetry/record_text_decoder.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>
#include <string_view>
#include <variant>
#include <utility>
#include <vector>

namespace dravonix {
namespace {

struct Box {
    std::uint64_t start = 0;
    std::uint64_t size = 0;
    std::array<char, 4> type{};

    std::uint64_t end() const { return start + size; }
    std::uint64_t firstChild() const { return start + 8; }
    std::string_view typeText() const { return {type.data(), type.size()}; }
};

std::uint32_t bigEndian32(const std::byte* p)
{
    return (std::to_integer<std::uint32_t>(p[0]) << 24) | (std::to_integer<std::uint32_t>(p[1]) << 16)
           | (std::to_integer<std::uint32_t>(p[2]) << 8) | std::to_integer<std::uint32_t>(p[3]);
}

std::int32_t littleEndian32(const std::byte* p)
{
    const std::uint32_t u = std::to_integer<std::uint32_t>(p[0]) | (std::to_integer<std::uint32_t>(p[1]) << 8)
                            | (std::to_integer<std::uint32_t>(p[2]) << 16)
                            | (std::to_integer<std::uint32_t>(p[3]) << 24);
    return static_cast<std::int32_t>(u);
}

std::string printable(std::string_view type)
{
    std::string out;
    for (char c : type)
        out += (c >= 0x20 && c < 0x7f) ? c : '?';
    return out;
}

// Walks the fixed path; every box must lie inside its parent.
class BoxWalker {
public:
    explicit BoxWalker(const ByteSource& source) : source_(source) {}

    std::optional<Box> boxAt(std::uint64_t start, std::uint64_t parentEnd, std::string& why) const
    {
        std::array<std::byte, 8> header{};
        if (start > parentEnd || parentEnd - start < header.size()
            || source_.readAt(start, header) != header.size()) {
            if (source_.readError() != 0)
                why = "cannot read the box header at offset " + std::to_string(start) + ": "
                      + std::strerror(source_.readError());
            else
                why = "a box header at offset " + std::to_string(start) + " lies outside its parent or the file";
            return std::nullopt;
        }
        Box box;
        box.start = start;
        box.size = bigEndian32(header.data());
        std::memcpy(box.type.data(), header.data() + 4, 4);
        if (box.size < 8) {
            why = "the box at offset " + std::to_string(start) + " has size " + std::to_string(box.size)
                  + ", below its own header";
            return std::nullopt;
        }
        if (box.size > parentEnd - start) {
            why = "the box \"" + printable(box.typeText()) + "\" at offset " + std::to_string(start)
                  + " runs past the end of its parent or the file";
            return std::nullopt;
        }
        return box;
    }

    // The box at 1-based `position` among the children that start at `first`.
    std::optional<Box> child(std::uint64_t first, std::uint64_t parentEnd, int position, std::string& why) const
    {
        std::optional<Box> box = boxAt(first, parentEnd, why);
        for (int i = 1; box && i < position; ++i)
            box = boxAt(box->end(), parentEnd, why);
        return box;
    }

    std::optional<std::uint32_t> word(std::uint64_t at) const
    {
        std::array<std::byte, 4> bytes{};
        if (source_.readAt(at, bytes) != bytes.size())
            return std::nullopt;
        return bigEndian32(bytes.data());
    }

private:
    const ByteSource& source_;
};

// Reads the records of a block of chunks. Chunks lying close together are
// read as one run (the camera may write its records side by side); the runs
// go to the source as one batch, which on Linux is one system call per few
// hundred reads however far apart the chunks lie.
class ChunkBlockReader {
public:
    static constexpr std::size_t kBlock = 1024;     // chunks per batch: bounds the memory used
    static constexpr std::uint64_t kGap = 4096;     // read through gaps up to this
    static constexpr std::uint64_t kRunLimit = 64 * 1024;

    explicit ChunkBlockReader(const ByteSource& source) : source_(source) {}

    // Reads the chunks at `offsets`; record(i) is then the i-th chunk's bytes,
    // or empty when the chunk couldn't be read whole.
    void read(std::span<const std::uint32_t> offsets)
    {
        order_.resize(offsets.size());
        for (std::size_t i = 0; i < offsets.size(); ++i)
            order_[i] = i;
        std::sort(order_.begin(), order_.end(), [&](std::size_t a, std::size_t b) { return offsets[a] < offsets[b]; });

        runs_.clear();
        runOf_.assign(offsets.size(), 0);
        for (const std::size_t i : order_) {
            const std::uint64_t start = offsets[i];
            const std::uint64_t end = start + kChunkSize;
            if (runs_.empty() || start > runs_.back().end + kGap || end - runs_.back().start > kRunLimit)
                runs_.push_back({start, end});
            else
                runs_.back().end = std::max(runs_.back().end, end);
            runOf_[i] = runs_.size() - 1;
        }
        std::size_t total = 0;
        for (const Run& run : runs_)
            total += static_cast<std::size_t>(run.end - run.start);
        buffer_.resize(total);
        requests_.clear();
        std::size_t at = 0;
        for (const Run& run : runs_) {
            const auto length = static_cast<std::size_t>(run.end - run.start);
            requests_.push_back({run.start, std::span(buffer_).subspan(at, length), 0});
            at += length;
        }
        source_.readMany(requests_);
        offsets_ = offsets;
    }

    std::span<const std::byte> record(std::size_t i) const
    {
        const ReadRequest& request = requests_[runOf_[i]];
        const std::uint64_t within = offsets_[i] - request.offset;
        if (within + kChunkSize > request.got)
            return {}; // the record lies partly outside the file
        return request.out.subspan(static_cast<std::size_t>(within) + kChunkLeadSize, kTelemetryRecordSize);
    }

private:
    static constexpr std::size_t kChunkSize = kChunkLeadSize + kTelemetryRecordSize;
    struct Run {
        std::uint64_t start;
        std::uint64_t end;
    };

    const ByteSource& source_;
    std::vector<std::size_t> order_;
    std::vector<Run> runs_;
    std::vector<std::size_t> runOf_;
    std::vector<std::byte> buffer_;
    std::vector<ReadRequest> requests_;
    std::span<const std::uint32_t> offsets_;
};

TrackReadResult findChunkTable(const ByteSource& source, Box& stco)
{
    const BoxWalker walk(source);
    const std::uint64_t fileEnd = source.size();
    std::string why;
    if (fileEnd == 0)
        return TrackReadResult::failure("the file is empty");

    const std::optional<Box> ftyp = walk.boxAt(0, fileEnd, why);
    if (!ftyp)
        return TrackReadResult::failure(why);
    if (ftyp->typeText() != "ftyp")
        return TrackReadResult::failure("not an MP4 recording: the first box is \"" + printable(ftyp->typeText())
                                        + "\", not \"ftyp\"");
    std::array<std::byte, 4> brand{};
    if (ftyp->size < 12 || source.readAt(8, brand) != brand.size())
        return TrackReadResult::failure("the \"ftyp\" box has no major brand");
    const std::string_view brandText(reinterpret_cast<const char*>(brand.data()), brand.size());
    if (brandText != "avc1")
        return TrackReadResult::failure("the major brand is \"" + printable(brandText) + "\", not \"avc1\"");

    const std::optional<Box> moov = walk.child(0, fileEnd, 3, why);
    if (!moov)
        return TrackReadResult::failure(why);
    if (moov->typeText() != "moov")
        return TrackReadResult::failure("the third box is \"" + printable(moov->typeText()) + "\", not \"moov\"");

    // moov box 5 is the telemetry track; then track 3, media 3, media information 3.
    std::optional<Box> level = *moov;
    for (const int position : {5, 3, 3, 3}) {
        level = walk.child(level->firstChild(), level->end(), position, why);
        if (!level)
            return TrackReadResult::failure("no telemetry track: " + why);
    }
    const std::optional<Box> table = walk.child(level->firstChild(), level->end(), 5, why);
    if (!table)
        return TrackReadResult::failure("no telemetry track: " + why);
    if (table->typeText() != "stco")
        return TrackReadResult::failure("no telemetry track: its fifth sample-table box is \""
                                        + printable(table->typeText()) + "\", not \"stco\"");
    if (table->size < 16)
        return TrackReadResult::failure("the chunk offset table is too short for its entry count");
    stco = *table;
    return {};
}

// Where the source already holds every chunk in memory (all of a small
// file), calls onRecord with each record in place and says true; else does
// nothing and says false. A chunk running past the file's end is skipped.
template <typename OnRecord>
bool forEachRecordHeld(const ByteSource& source, std::span<const std::uint32_t> offsets, OnRecord& onRecord)
{
    constexpr std::size_t kChunkSize = kChunkLeadSize + kTelemetryRecordSize;
    const std::uint64_t size = source.size();
    const auto inFile = [&](std::uint32_t offset) { return offset + std::uint64_t{kChunkSize} <= size; };
    // Mostly the source holds all of the file: one look, not one a chunk.
    if (const std::span<const std::byte> whole = source.bytesHeld(0, static_cast<std::size_t>(size));
        !whole.empty() && whole.size() == size) {
        for (const std::uint32_t offset : offsets)
            if (inFile(offset))
                onRecord(whole.subspan(offset + kChunkLeadSize, kTelemetryRecordSize));
        return true;
    }
    for (const std::uint32_t offset : offsets)
        if (inFile(offset) && source.bytesHeld(offset, kChunkSize).empty())
            return false;
    for (const std::uint32_t offset : offsets)
        if (inFile(offset))
            onRecord(source.bytesHeld(offset, kChunkSize).subspan(kChunkLeadSize, kTelemetryRecordSize));
    return true;
}

// Calls onRecord with each whole record's 153 bytes, in chunk order, after
// onEntries with how many there can be at most.
template <typename OnRecord, typename OnEntries>
TrackReadResult forEachRecord(const ByteSource& source, OnRecord&& onRecord, OnEntries&& onEntries)
{
    Box stco;
    if (TrackReadResult found = findChunkTable(source, stco); !found.ok())
        return found;

    const BoxWalker walk(source);
    const auto readFailure = [&](const std::string& what) {
        return TrackReadResult::failure("cannot read " + what + ": " + std::strerror(source.readError()));
    };
    const std::optional<std::uint32_t> declared = walk.word(stco.start + 12);
    if (!declared)
        return source.readError() != 0 ? readFailure("the chunk offset table")
                                       : TrackReadResult::failure("the chunk offset table is truncated");
    // The count can't claim more entries than the box holds.
    const std::uint64_t listed = std::min<std::uint64_t>(*declared, (stco.size - 16) / 4);
    if (listed > kMaxTrackRecords)
        return TrackReadResult::failure("the track lists " + std::to_string(listed) + " records, more than the "
                                        + std::to_string(kMaxTrackRecords)
                                        + " of a day at one a second: not one of the camera's recordings");
    // Nor are there more records than the file has room for side by side: a
    // table whose entries all lead to one record would turn a small file
    // into a large track.
    const std::uint64_t entries = std::min<std::uint64_t>(listed, source.size() / kTelemetryRecordSize);

    std::vector<std::byte> table(static_cast<std::size_t>(entries) * 4);
    if (source.readAt(stco.start + 16, table) != table.size())
        return source.readError() != 0 ? readFailure("the chunk offset table")
                                       : TrackReadResult::failure("the chunk offset table is truncated");

    onEntries(static_cast<std::size_t>(entries));
    std::vector<std::uint32_t> offsets;
    ChunkBlockReader reader(source);
    for (std::size_t first = 0; first < entries; first += ChunkBlockReader::kBlock) {
        const std::size_t count = std::min<std::size_t>(ChunkBlockReader::kBlock, static_cast<std::size_t>(entries) - first);
        offsets.resize(count);
        for (std::size_t i = 0; i < count; ++i)
            offsets[i] = bigEndian32(table.data() + 4 * (first + i));
        if (forEachRecordHeld(source, offsets, onRecord))
            continue;
        reader.read(offsets);
        if (source.readError() != 0)
            return readFailure("the telemetry records");
        for (std::size_t i = 0; i < count; ++i) {
            const std::span<const std::byte> record = reader.record(i);
            if (!record.empty()) // a record that can't be read whole is skipped
                onRecord(record);
        }
    }
    return {};
}

template <typename OnRecord>
TrackReadResult forEachRecord(const ByteSource& source, OnRecord&& onRecord)
{
    return forEachRecord(source, std::forward<OnRecord>(onRecord), [](std::size_t) {});
}

} // namespace

TrackReadResult readTelemetryTrack(const ByteSource& source, TelemetryTrack& store)
{
    const std::size_t before = store.sampleCount();
    TrackReadResult result = forEachRecord(source, [&](std::span<const std::byte> record) {
        std::array<char, kNmeaTextSize> text{};
        std::memcpy(text.data(), record.data() + 25, kNmeaTextSize);
        store.appendSample(littleEndian32(record.data() + 8), littleEndian32(record.data() + 12),
                           littleEndian32(record.data() + 16), static_cast<char>(record[24]), text);
    });
    if (!result.ok())
        store.truncate(before);
    return result;
}

TrackReadResult readTrackPoints(const ByteSource& source, TrackPoints& points, FixDetail detail)
{
    points.clear();
    GpsFix running;
    RecordTextDecoder decoder(detail);
    static_assert(kNmeaTextSize == RecordTextDecoder::kShapedSize);
    TrackReadResult result = forEachRecord(source, [&](std::span<const std::byte> record) {
        const std::span<const char, kNmeaTextSize> text(reinterpret_cast<const char*>(record.data() + 25),
                                                        kNmeaTextSize);
        decoder.decode(text, running);
        // Made in place once: a point is written for every second of a card.
        points.push_back({{static_cast<float>(littleEndian32(record.data() + 8)) / 256.0f,
                           static_cast<float>(littleEndian32(record.data() + 12)) / 256.0f,
                           static_cast<float>(littleEndian32(record.data() + 16)) / 256.0f},
                          running});
    }, [&](std::size_t entries) { points.reserve(entries); });
    if (!result.ok())
        points.clear();
    return result;
}

TrackPoints pointsOf(const TelemetryTrack& track)
{
    TrackPoints points(track.sampleCount());
    for (std::size_t i = 0; i < points.size(); ++i) {
        const TelemetrySample& s = track.samples()[i];
        points[i] = {{s.accelX, s.accelY, s.accelZ}, track.fixes()[i]};
    }
    return points;
}

TrackReadResult readTelemetryRecords(const std::filesystem::path& file, std::vector<RawTelemetryRecord>& records)
{
    auto opened = openFileByteSource(file);
    if (auto* error = std::get_if<OpenError>(&opened))
        return TrackReadResult::failure(error->reason);
    const ReadAheadByteSource source(*std::get<std::unique_ptr<ByteSource>>(opened));
    const std::size_t before = records.size();
    TrackReadResult result = forEachRecord(source, [&](std::span<const std::byte> record) {
        RawTelemetryRecord& raw = records.emplace_back();
        std::memcpy(raw.data(), record.data(), raw.size());
    });
    if (!result.ok())
        records.resize(before);
    return result;
}

TrackReadResult readTelemetryTrack(const std::filesystem::path& file, TelemetryTrack& store)
{
    auto opened = openFileByteSource(file);
    if (auto* error = std::get_if<OpenError>(&opened))
        return TrackReadResult::failure(error->reason);
    return readTelemetryTrack(ReadAheadByteSource(*std::get<std::unique_ptr<ByteSource>>(opened)), store);
}

} // namespace dravonix
