#pragma once
// UTF-8 as file names and camera text may (or may not) hold it.

#include <cstddef>
#include <string_view>

namespace dravonix {

// The length of the well-formed UTF-8 sequence that starts at `at` (1 for an
// ASCII byte), or 0 when the bytes there are not UTF-8: a stray continuation
// byte, a cut-off or overlong sequence, a surrogate, a value past U+10FFFF.
std::size_t utf8SequenceLength(std::string_view text, std::size_t at);

} // namespace dravonix
