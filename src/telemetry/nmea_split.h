#pragma once
// The record scanner's pieces, shared by the decoder of single sentences and
// texts and the decoder of a track's texts one after another.

#include "telemetry/gps_fix.h"

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string_view>

namespace dravonix::nmea {

// Enough for every field the decoders look at (GSA's last satellite is
// field 14); later fields are counted but not kept.
constexpr std::size_t kKeptFields = 20;

struct SplitSentence {
    // Left uninitialised: only the first `count` are ever read, and clearing
    // them for every sentence cost as much as splitting it.
    struct Field {
        const char* data;
        std::size_t size;
    };
    Field fields[kKeptFields];
    std::size_t count = 0;

    // A field the sentence doesn't have counts as empty.
    std::string_view operator[](std::size_t i) const
    {
        return i < count && i < kKeptFields ? std::string_view(fields[i].data, fields[i].size) : std::string_view();
    }
};

// The sentences decodeSentence understands, by name ("$GPRMC" and "$GNRMC"
// alike; GGA's combined name counts satellites too).
enum class SentenceKind : std::uint8_t { Other, Rmc, Gga, CombinedGga, Gsa, Gns };
SentenceKind sentenceKind(std::string_view name);

// Applies a split sentence as decodeSentence does; true when it was one of
// the kinds understood (at this detail) and was applied. A sentence that is
// not applied leaves the fix as it was.
bool applySentence(const SplitSentence& f, GpsFix& fix, FixDetail detail = FixDetail::Full);
// The same for a sentence whose kind was told from its name already.
bool applySentence(SentenceKind kind, const SplitSentence& f, GpsFix& fix, FixDetail detail);
// The fields applySentence reads at each detail: Motion reads none past
// RMC's speed (field 7).
constexpr std::size_t fieldsRead(FixDetail detail) { return detail == FixDetail::Motion ? 8 : kKeptFields; }

// What a character means to the record scanner; most are plain text.
enum : std::uint8_t { kText, kStart, kComma, kStar, kEnd };

constexpr std::array<std::uint8_t, 256> kCharacterRoles = [] {
    std::array<std::uint8_t, 256> roles{};
    roles['$'] = kStart;
    roles[','] = kComma;
    roles['*'] = kStar;
    roles['\0'] = kEnd;
    roles['\n'] = kEnd;
    roles['\r'] = kEnd;
    return roles;
}();

// Calls `at` with the position of every character below '-', in order:
// the delimiters are all among them, and in NMEA text little else is. Eight
// characters are tested at once; a record is mostly fields, so most words
// hold one or two.
template <typename At>
void forEachDelimiterCandidate(std::span<const char> text, At&& at)
{
    std::size_t i = 0;
    if constexpr (std::endian::native == std::endian::little) {
        constexpr std::uint64_t kHigh = 0x8080808080808080ULL;
        constexpr std::uint64_t kBound = 0x2D2D2D2D2D2D2D2DULL;
        for (; i + 8 <= text.size(); i += 8) {
            std::uint64_t word = 0;
            std::memcpy(&word, text.data() + i, 8);
            // Per byte, with its top bit set aside: (128 + b - 45) keeps the
            // top bit exactly when b >= 45, and never borrows from the next.
            std::uint64_t below = ~((word | kHigh) - kBound) & ~word & kHigh;
            for (; below != 0; below &= below - 1)
                at(i + static_cast<std::size_t>(std::countr_zero(below) / 8));
        }
    }
    for (; i < text.size(); ++i)
        at(i);
}
static_assert([] {
    for (std::size_t c = '-'; c < kCharacterRoles.size(); ++c)
        if (kCharacterRoles[c] != kText)
            return false;
    return true;
}());

// Calls `onSentence` with each sentence of a record's text, split: the
// sentences forEachSentence finds, as decodeSentence splits them, found and
// split in one pass (a record's text is read for every second of every
// recording of a card).
template <typename OnSentence>
void forEachSplitSentence(std::span<const char> text, OnSentence&& onSentence)
{
    const char* const data = text.data();
    SplitSentence f;
    std::size_t start = 0;      // of the sentence
    std::size_t fieldStart = 0; // of the field being read
    int stars = 0;
    const auto restart = [&](std::size_t at) {
        start = at;
        fieldStart = at;
        f.count = 0;
        stars = 0;
    };
    const auto endField = [&](std::size_t at) {
        if (f.count < kKeptFields)
            f.fields[f.count] = {data + fieldStart, at - fieldStart};
        ++f.count;
        fieldStart = at + 1;
    };
    forEachDelimiterCandidate(text, [&](std::size_t i) {
        switch (kCharacterRoles[static_cast<unsigned char>(data[i])]) {
        case kText:
            break;
        case kStart:
            restart(i);
            break;
        case kComma:
            if (stars == 0)
                endField(i);
            break;
        case kStar:
            if (stars++ == 0)
                endField(i);
            break;
        default: // the end of a line
            if (i - start >= 2 && data[start] == '$' && data[start + 1] == 'G' && stars == 1)
                onSentence(f);
            restart(i + 1);
            break;
        }
    });
}

} // namespace dravonix::nmea
