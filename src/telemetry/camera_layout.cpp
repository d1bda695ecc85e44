#include "telemetry/camera_layout.h"

#include <algorithm>
#include <stdexcept>

namespace dravonix::mp4 {
namespace {

Bytes identityMatrix()
{
    Bytes m;
    for (std::uint32_t v : {0x00010000u, 0u, 0u, 0u, 0x00010000u, 0u, 0u, 0u, 0x40000000u})
        putU32(m, v);
    return m;
}

Bytes zeros(std::size_t n) { return Bytes(n, 0); }

const BoxRef* findBox(const std::vector<BoxRef>& boxes, std::string_view type)
{
    const auto it = std::find_if(boxes.begin(), boxes.end(), [&](const BoxRef& b) { return b.type == type; });
    return it == boxes.end() ? nullptr : &*it;
}

// Moves every chunk offset of a media track by `delta`, since its mdat moves.
void shiftChunkOffsets(Bytes& trak, std::int64_t delta)
{
    std::vector<BoxRef> level = childBoxes(trak, 8, trak.size());
    for (std::string_view type : {"mdia", "minf", "stbl"}) {
        const BoxRef* inner = findBox(level, type);
        if (inner == nullptr)
            throw std::runtime_error("a media track without a sample table");
        level = childBoxes(trak, inner->payload(), inner->end());
    }
    if (findBox(level, "co64") != nullptr)
        throw std::runtime_error("64-bit chunk offsets are not supported");
    const BoxRef* stco = findBox(level, "stco");
    if (stco == nullptr)
        throw std::runtime_error("a media track without chunk offsets");
    const std::uint32_t count = readU32(trak, stco->payload() + 4);
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::size_t at = stco->payload() + 8 + 4 * std::size_t{i};
        writeU32(trak, at, static_cast<std::uint32_t>(std::int64_t{readU32(trak, at)} + delta));
    }
}

struct MovieHeaderFields {
    std::uint32_t timescale = 1000;
    std::size_t nextTrackIdAt = 0;
};

MovieHeaderFields readMovieHeader(const Bytes& mvhd)
{
    const bool v1 = mvhd.at(8) == 1;
    return {readU32(mvhd, v1 ? 28 : 20), v1 ? 8 + 108u : 8 + 96u};
}

} // namespace

Bytes encodeTelemetryRecord(const TelemetryRecord& record)
{
    if (record.nmeaText.size() > kRecordTextSize)
        throw std::invalid_argument("NMEA text longer than a record holds");
    Bytes out;
    out.reserve(kRecordSize);
    putU32Le(out, record.sequence);
    putU32Le(out, record.secondsOfDay);
    putU32Le(out, static_cast<std::uint32_t>(record.accelX));
    putU32Le(out, static_cast<std::uint32_t>(record.accelY));
    putU32Le(out, static_cast<std::uint32_t>(record.accelZ));
    putU32Le(out, 0);
    putU8(out, static_cast<std::uint8_t>(record.unitMarker));
    putText(out, record.nmeaText);
    out.resize(kRecordSize, 0);
    return out;
}

Bytes chunkPayload(const std::vector<TelemetryRecord>& records)
{
    Bytes out;
    out.reserve(records.size() * kChunkSize);
    for (const TelemetryRecord& record : records) {
        putU16(out, static_cast<std::uint16_t>(kRecordSize));
        append(out, encodeTelemetryRecord(record));
    }
    return out;
}

Bytes cameraFtyp(std::string_view majorBrand)
{
    Bytes body;
    putText(body, majorBrand);
    putU32(body, 0);
    for (std::string_view brand : {"avc1", "isom", "iso2", "mp41"})
        putText(body, brand);
    return box("ftyp", body);
}

Bytes movieHeader(std::uint32_t timescale, std::uint32_t duration, std::uint32_t nextTrackId)
{
    Bytes body;
    putU32(body, 0); // creation
    putU32(body, 0); // modification
    putU32(body, timescale);
    putU32(body, duration);
    putU32(body, 0x00010000); // rate 1.0
    putU16(body, 0x0100);     // volume 1.0
    append(body, zeros(10));
    append(body, identityMatrix());
    append(body, zeros(24));
    putU32(body, nextTrackId);
    return fullBox("mvhd", 0, 0, body);
}

Bytes telemetryTrak(std::uint32_t trackId, const std::vector<std::uint32_t>& chunkOffsets,
                    std::uint32_t movieTimescale)
{
    const auto count = static_cast<std::uint32_t>(chunkOffsets.size());
    constexpr std::uint32_t kMediaTimescale = 1000; // one record per second

    Bytes tkhd;
    putU32(tkhd, 0);
    putU32(tkhd, 0);
    putU32(tkhd, trackId);
    putU32(tkhd, 0);
    putU32(tkhd, count * movieTimescale);
    append(tkhd, zeros(8 + 2 + 2 + 2 + 2));
    append(tkhd, identityMatrix());
    putU32(tkhd, 0);
    putU32(tkhd, 0);

    Bytes elst;
    putU32(elst, 1);
    putU32(elst, count * movieTimescale);
    putU32(elst, 0);
    putU32(elst, 0x00010000);

    Bytes mdhd;
    putU32(mdhd, 0);
    putU32(mdhd, 0);
    putU32(mdhd, kMediaTimescale);
    putU32(mdhd, count * kMediaTimescale);
    putU16(mdhd, 0x55c4); // "und"
    putU16(mdhd, 0);

    Bytes hdlr;
    putU32(hdlr, 0);
    putText(hdlr, "meta");
    append(hdlr, zeros(12));
    putText(hdlr, "DravonixTelemetry");
    putU8(hdlr, 0);

    Bytes dref;
    putU32(dref, 1);
    append(dref, fullBox("url ", 0, 1, {}));

    Bytes sampleEntry = zeros(6);
    putU16(sampleEntry, 1); // data reference index
    putU8(sampleEntry, 0);  // content encoding: none
    putText(sampleEntry, "application/x-dravonix-telemetry");
    putU8(sampleEntry, 0);
    Bytes stsd;
    putU32(stsd, 1);
    append(stsd, box("mett", sampleEntry));

    Bytes stts;
    putU32(stts, count == 0 ? 0 : 1);
    if (count != 0) {
        putU32(stts, count);
        putU32(stts, kMediaTimescale);
    }
    Bytes stsc;
    putU32(stsc, count == 0 ? 0 : 1);
    if (count != 0) {
        putU32(stsc, 1);
        putU32(stsc, 1);
        putU32(stsc, 1);
    }
    Bytes stsz;
    putU32(stsz, static_cast<std::uint32_t>(kChunkSize));
    putU32(stsz, count);
    Bytes stco;
    putU32(stco, count);
    for (std::uint32_t offset : chunkOffsets)
        putU32(stco, offset);

    const Bytes stbl = container("stbl", {fullBox("stsd", 0, 0, stsd), fullBox("stts", 0, 0, stts),
                                          fullBox("stsc", 0, 0, stsc), fullBox("stsz", 0, 0, stsz),
                                          fullBox("stco", 0, 0, stco)});
    const Bytes minf =
        container("minf", {fullBox("nmhd", 0, 0, {}), container("dinf", {fullBox("dref", 0, 0, dref)}), stbl});
    const Bytes mdia = container("mdia", {fullBox("mdhd", 0, 0, mdhd), fullBox("hdlr", 0, 0, hdlr), minf});
    return container("trak", {fullBox("tkhd", 0, 1, tkhd), container("edts", {fullBox("elst", 0, 0, elst)}), mdia});
}

Bytes chunkPayload(const std::vector<RecordBytes>& records)
{
    Bytes out;
    out.reserve(records.size() * kChunkSize);
    for (const RecordBytes& record : records) {
        putU16(out, static_cast<std::uint16_t>(kRecordSize));
        out.insert(out.end(), record.begin(), record.end());
    }
    return out;
}

Bytes cameraFtypOfSize(std::size_t size)
{
    Bytes out = cameraFtyp();
    if (size < out.size() || size % 4 != 0)
        throw std::invalid_argument("an ftyp box can't have that size");
    while (out.size() < size)
        putText(out, "mp41");
    writeU32(out, 0, static_cast<std::uint32_t>(out.size()));
    return out;
}

Bytes cameraMovie(const Bytes& moov, std::uint32_t firstChunk, std::size_t records, std::int64_t chunkOffsetShift)
{
    if (moov.size() < 8 || readU32(moov, 0) != moov.size())
        throw std::runtime_error("a broken movie box");
    std::vector<std::uint32_t> offsets;
    for (std::size_t i = 0; i < records; ++i)
        offsets.push_back(static_cast<std::uint32_t>(firstChunk + i * kChunkSize));

    std::vector<Bytes> children;
    std::uint32_t movieTimescale = 1000;
    std::uint32_t trackId = 1;
    bool header = false;
    for (const BoxRef& child : childBoxes(moov, 8, moov.size())) {
        Bytes copy = slice(moov, child);
        if (child.type == "mvhd") {
            const MovieHeaderFields fields = readMovieHeader(copy);
            movieTimescale = fields.timescale;
            trackId = readU32(copy, fields.nextTrackIdAt);
            writeU32(copy, fields.nextTrackIdAt, trackId + 1);
            header = true;
        } else if (child.type == "trak") {
            if (chunkOffsetShift != 0)
                shiftChunkOffsets(copy, chunkOffsetShift);
        } else {
            continue; // user data and the like: the camera writes none
        }
        children.push_back(std::move(copy));
    }
    if (!header)
        throw std::runtime_error("a movie without a header");
    if (children.size() > 4)
        throw std::runtime_error("too many media tracks for the camera's layout");
    while (children.size() < 4)
        children.push_back(box("free", {}));
    children.push_back(telemetryTrak(trackId, offsets, movieTimescale));
    return container("moov", children);
}

Bytes layOutRecording(const Bytes& encoded, const std::vector<TelemetryRecord>& records)
{
    const std::vector<BoxRef> top = childBoxes(encoded, 0, encoded.size());
    const BoxRef* mdat = findBox(top, "mdat");
    const BoxRef* moov = findBox(top, "moov");
    if (findBox(top, "ftyp") == nullptr || mdat == nullptr || moov == nullptr)
        throw std::runtime_error("the encoder's output lacks ftyp, mdat or moov");

    const Bytes ftyp = cameraFtyp();
    const std::size_t mediaBytes = mdat->size - 8;
    const std::size_t newPayloadStart = ftyp.size() + 8;
    const std::int64_t delta = static_cast<std::int64_t>(newPayloadStart) - static_cast<std::int64_t>(mdat->payload());
    const Bytes chunks = chunkPayload(records);
    if (newPayloadStart + mediaBytes + chunks.size() > 0xffffffffu)
        throw std::runtime_error("the recording is too large for 32-bit offsets");

    Bytes mdatPayload(encoded.begin() + static_cast<std::ptrdiff_t>(mdat->payload()),
                      encoded.begin() + static_cast<std::ptrdiff_t>(mdat->end()));
    append(mdatPayload, chunks);

    Bytes out = ftyp;
    append(out, box("mdat", mdatPayload));
    append(out, cameraMovie(slice(encoded, *moov), static_cast<std::uint32_t>(newPayloadStart + mediaBytes),
                            records.size(), delta));
    return out;
}

Bytes syntheticRecording(const std::vector<TelemetryRecord>& records)
{
    const Bytes ftyp = cameraFtyp();
    const std::size_t payloadStart = ftyp.size() + 8;
    std::vector<std::uint32_t> offsets;
    for (std::size_t i = 0; i < records.size(); ++i)
        offsets.push_back(static_cast<std::uint32_t>(payloadStart + i * kChunkSize));
    Bytes out = ftyp;
    append(out, box("mdat", chunkPayload(records)));
    const auto seconds = static_cast<std::uint32_t>(records.size());
    append(out, container("moov", {movieHeader(1000, seconds * 1000, 2), box("free", {}), box("free", {}),
                                   box("free", {}), telemetryTrak(1, offsets, 1000)}));
    return out;
}

} // namespace dravonix::mp4
