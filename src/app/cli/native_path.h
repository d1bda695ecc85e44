#pragma once
// Paths on the command line are the file system's bytes, which need not be
// UTF-8. Each byte that is not part of valid UTF-8 travels through QString as
// the lone surrogate U+DC00 + byte, so a path given to a command reaches the
// file system exactly as it was typed.

#include <QString>

#include <filesystem>
#include <string>
#include <string_view>

namespace dravonix::cli {

QString argumentFromBytes(std::string_view bytes);
std::string bytesFromArgument(QStringView text);
std::filesystem::path nativePath(QStringView argument);

} // namespace dravonix::cli
