#include "telemetry/movie_duration.h"

#include <algorithm>
#include <array>
#include <optional>
#include <cstring>
#include <string>
#include <variant>
#include <vector>

namespace dravonix {
namespace {

// Boxes looked at before giving up: the camera writes three at the top and
// the header first in "moov"; a file of thousands of tiny boxes is not ours.
constexpr int kMaxBoxesPerLevel = 64;

std::uint64_t bigEndian(const std::byte* p, int bytes)
{
    std::uint64_t v = 0;
    for (int i = 0; i < bytes; ++i)
        v = (v << 8) | std::to_integer<std::uint64_t>(p[i]);
    return v;
}

struct BoxHeader {
    std::uint64_t start = 0;
    std::uint64_t size = 0;
    std::uint64_t headerSize = 8;
    char type[4]{};

    std::uint64_t end() const { return start + size; }
    bool is(const char (&name)[5]) const { return std::memcmp(type, name, 4) == 0; }
};

Error failure(std::string message) { return Error{std::move(message), 0}; }

// The header of the box at `start`, which must lie within [start, parentEnd).
// `lookahead` receives the bytes read after the 8-byte header, so a box's
// first child or its fields need no second read.
Expected<BoxHeader, Error> readBox(const ByteSource& source, std::uint64_t start, std::uint64_t parentEnd,
                                   std::array<std::byte, 64>& lookahead, std::size_t& lookaheadSize)
{
    if (start >= parentEnd || parentEnd - start < 8)
        return unexpected(failure("the box at offset " + std::to_string(start) + " lies outside its parent"));
    const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(lookahead.size(), parentEnd - start));
    const std::size_t got = source.readAt(start, std::span(lookahead).first(want));
    if (source.readError() != 0)
        return unexpected(Error{"cannot read the box at offset " + std::to_string(start) + ": "
                                    + std::strerror(source.readError()),
                                source.readError()});
    if (got < 8)
        return unexpected(failure("the box at offset " + std::to_string(start) + " is cut off"));
    BoxHeader box;
    box.start = start;
    box.size = bigEndian(lookahead.data(), 4);
    std::memcpy(box.type, lookahead.data() + 4, 4);
    if (box.size == 1) { // 64-bit size after the type
        if (got < 16)
            return unexpected(failure("the box at offset " + std::to_string(start) + " is cut off"));
        box.size = bigEndian(lookahead.data() + 8, 8);
        box.headerSize = 16;
    } else if (box.size == 0) { // runs to the end of its parent
        box.size = parentEnd - start;
    }
    if (box.size < box.headerSize || box.size > parentEnd - start)
        return unexpected(failure("the box at offset " + std::to_string(start) + " has an impossible size"));
    lookaheadSize = got;
    return box;
}

// The longest duration the track headers ("tkhd", each a track's first
// child) give, in the movie's time scale; none without a readable one. Only
// the tracks the first kTrackHeadersRead bytes of the movie box reach are
// looked at, read at once: the camera's come first, before any sample table.
constexpr std::uint64_t kTrackHeadersRead = 256 * 1024;

std::optional<std::uint64_t> longestTrackUnits(const ByteSource& source, const BoxHeader& moov)
{
    const std::uint64_t bodyStart = moov.start + moov.headerSize;
    std::vector<std::byte> body(static_cast<std::size_t>(std::min(moov.end() - bodyStart, kTrackHeadersRead)));
    const std::size_t got = source.readAt(bodyStart, body);
    if (source.readError() != 0)
        return std::nullopt;
    std::optional<std::uint64_t> longest;
    std::size_t at = 0;
    for (int i = 0; i < kMaxBoxesPerLevel && at + 8 <= got; ++i) {
        const std::uint64_t size = bigEndian(body.data() + at, 4);
        if (size < 8 || size > moov.end() - (bodyStart + at))
            break; // an odd box (64-bit sizes included) ends the look
        if (std::memcmp(body.data() + at + 4, "trak", 4) == 0 && at + 16 <= got
            && std::memcmp(body.data() + at + 12, "tkhd", 4) == 0) {
            // version(1) flags(3); v0: created(4) modified(4) id(4) reserved(4) duration(4);
            // v1: created(8) modified(8) id(4) reserved(4) duration(8).
            const std::size_t fields = at + 16;
            const bool wide = fields < got && std::to_integer<int>(body[fields]) == 1;
            const std::size_t place = fields + (wide ? 28 : 20);
            const std::size_t width = wide ? 8 : 4;
            const std::size_t tkhdStart = at + 8;
            const std::uint64_t tkhdSize = bigEndian(body.data() + tkhdStart, 4);
            if (place + width <= got && place + width <= tkhdStart + tkhdSize && place + width <= at + size) {
                const std::uint64_t units = bigEndian(body.data() + place, static_cast<int>(width));
                const bool unknown = units == (wide ? ~std::uint64_t{0} : 0xffffffffu);
                if (units != 0 && !unknown)
                    longest = std::max(longest.value_or(0), units);
            }
        }
        at += static_cast<std::size_t>(size);
    }
    return longest;
}

} // namespace

Expected<std::int64_t, Error> readMovieDurationMs(const ByteSource& source)
{
    const std::uint64_t fileEnd = source.size();
    std::array<std::byte, 64> bytes{};
    std::size_t got = 0;

    std::uint64_t at = 0;
    std::optional<BoxHeader> moov;
    for (int i = 0; i < kMaxBoxesPerLevel && at < fileEnd; ++i) {
        auto box = readBox(source, at, fileEnd, bytes, got);
        if (!box)
            return unexpected(box.error());
        if (box->is("moov")) {
            moov = *box;
            break;
        }
        at = box->end();
    }
    if (!moov)
        return unexpected(failure("no movie box (\"moov\"): the recording was not finished"));

    // The movie header is normally moov's first child, already in `bytes`.
    at = moov->start + moov->headerSize;
    for (int i = 0; i < kMaxBoxesPerLevel && at < moov->end(); ++i) {
        auto box = readBox(source, at, moov->end(), bytes, got);
        if (!box)
            return unexpected(box.error());
        if (!box->is("mvhd")) {
            at = box->end();
            continue;
        }
        // version(1) flags(3), then v0: created(4) modified(4) timescale(4) duration(4);
        // v1: created(8) modified(8) timescale(4) duration(8).
        const std::size_t h = static_cast<std::size_t>(box->headerSize);
        if (got < h + 1)
            return unexpected(failure("the movie header is cut off"));
        const bool wide = std::to_integer<int>(bytes[h]) == 1;
        const std::size_t need = h + (wide ? 32 : 20);
        if (box->size < need || got < need)
            return unexpected(failure("the movie header is cut off"));
        const std::uint64_t timescale = bigEndian(bytes.data() + h + (wide ? 20 : 12), 4);
        const std::uint64_t units = bigEndian(bytes.data() + h + (wide ? 24 : 16), wide ? 8 : 4);
        if (timescale == 0)
            return unexpected(failure("the movie header has a time scale of 0"));
        if (units == 0)
            return unexpected(failure("the movie header gives a duration of 0"));
        if (units == (wide ? ~std::uint64_t{0} : 0xffffffffu))
            return unexpected(failure("the movie header leaves the duration unknown"));
        // Compared before multiplying, so a huge count can't overflow.
        if (units / timescale >= static_cast<std::uint64_t>(kMaxMovieDurationMs / 1000))
            return unexpected(failure("the movie header gives an absurd duration"));
        // The movie lasts as long as its longest track. A header claiming more
        // than every track by over a second has been damaged (or made up),
        // and would stretch the recording over what follows it.
        const std::optional<std::uint64_t> longest = longestTrackUnits(source, *moov);
        // (Compared by difference: a track's 64-bit duration plus a second could wrap.)
        const std::uint64_t trusted = longest && *longest < units && units - *longest > timescale ? *longest : units;
        const auto ms = static_cast<std::int64_t>(trusted * 1000 / timescale);
        if (ms == 0)
            return unexpected(failure("the movie header gives a duration below a millisecond"));
        return ms;
    }
    return unexpected(failure("the movie box holds no movie header (\"mvhd\")"));
}

Expected<std::int64_t, Error> readMovieDurationMs(const std::filesystem::path& file)
{
    auto opened = openFileByteSource(file);
    if (auto* error = std::get_if<OpenError>(&opened))
        return unexpected(failure(error->reason));
    return readMovieDurationMs(*std::get<std::unique_ptr<ByteSource>>(opened));
}

} // namespace dravonix
