#pragma once
// SHA-256 of files, and the lines of a sums file that `sha256sum -c` checks.

#include "toolkit/error.h"
#include "toolkit/expected.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

namespace dravonix {

// Lower-case hex. Reads the file once; stops with an error once `cancel` is
// set. `onBytes` is told how many bytes each read gave.
Expected<std::string, Error> sha256OfFile(const std::string& path, const std::atomic<bool>& cancel,
                                          const std::function<void(std::uint64_t)>& onBytes = {});

// "HASH  NAME\n" in sha256sum's text mode; a name holding a backslash or a
// line end is escaped and the line starts with a backslash, as sha256sum does.
std::string sumsLine(const std::string& hexDigest, const std::string& name);

} // namespace dravonix
