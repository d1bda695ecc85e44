#pragma once
// How the command line's list writes paths and names, so that one recording
// stays one line and its exact bytes can be had back from the text. A
// backslash is written "\\"; tab, newline and carriage return "\t", "\n" and
// "\r"; every other control character (C0, DEL, and C1 U+0080..U+009F, byte
// by byte) and every byte that is not part of valid UTF-8 "\xHH" with two
// upper-case hex digits. All else passes unchanged, so a plain name reads as
// it is and `printf '%b'` turns the text back into the bytes.

#include <QByteArray>
#include <QByteArrayView>

#include <string>

namespace dravonix {

QByteArray escapeListText(QByteArrayView bytes);
// The same, added to the end of `out`.
void appendListText(std::string& out, QByteArrayView bytes);

} // namespace dravonix
