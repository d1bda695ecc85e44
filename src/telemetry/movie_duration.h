#pragma once
// A recording's length as its movie header ("mvhd") states it. Only box
// headers on the way to the header are read, a few small reads per file, so a
// card of tens of thousands of recordings can be measured quickly.

#include "telemetry/byte_source.h"
#include "toolkit/error.h"
#include "toolkit/expected.h"

#include <cstdint>
#include <filesystem>

namespace dravonix {

// The camera never records a file longer than this; a header claiming more
// is garbage and counts as unreadable.
inline constexpr std::int64_t kMaxMovieDurationMs = 24LL * 60 * 60 * 1000;

// Milliseconds, truncated, above 0 and below kMaxMovieDurationMs. A missing
// or broken header, a zero duration, an unknown (all ones) duration and an
// absurd one are errors that say which.
Expected<std::int64_t, Error> readMovieDurationMs(const ByteSource& source);
// The file is opened once, read through the same walk and closed.
Expected<std::int64_t, Error> readMovieDurationMs(const std::filesystem::path& file);

} // namespace dravonix
