#include "app/cli/commands.h"
#include "app/cli/native_path.h"
#include "catalogue/folder_scan.h"
#include "catalogue/list_escape.h"
#include "toolkit/prefetch.h"

#include <QFile>

#include <algorithm>
#include <cstdio>
#include <iterator>

namespace dravonix::cli {
namespace {

const char* const kListHelp =
    "usage: dravonix list FOLDER\n"
    "\n"
    "One line per recording, in the viewer's list order, with tab-separated fields:\n"
    "kind, date, time, file name, sort key, channel, full path.\n"
    "\n"
    "Names are written so that a line is always one recording and the exact bytes\n"
    "of a path can be had back: \\\\ for a backslash, \\t \\n \\r for tab, newline and\n"
    "carriage return, \\xHH for any other control character and for every byte that\n"
    "is not valid UTF-8. All else is written as it is; `printf '%b'` undoes it.\n";

char* putDigits(char* out, unsigned value, int width)
{
    char digits[10];
    int n = 0;
    do {
        digits[n++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0 || n < width);
    while (n > 0)
        *out++ = digits[--n];
    return out;
}

// Text the program makes itself (kinds, keys, letters): no escaping needed
// unless it holds a character the names brought in.
void appendText(std::string& line, QStringView text)
{
    char plain[64] = {};
    const bool simple = text.size() <= qsizetype(sizeof plain)
                        && std::all_of(text.begin(), text.end(), [](QChar c) {
                               return c.unicode() >= 0x20 && c.unicode() < 0x7F && c != QLatin1Char('\\');
                           });
    if (!simple) {
        appendListText(line, text.toUtf8());
        return;
    }
    for (qsizetype i = 0; i < text.size(); ++i)
        plain[i] = static_cast<char>(text[i].unicode());
    line.append(plain, static_cast<std::size_t>(text.size()));
}

void appendRow(std::string& line, const RecordingRow& row, const std::string& kindText)
{
    const RecordingName& name = row.name;
    line += kindText;
    // "\tyyyy-MM-dd\tHH:mm:ss\t", each part empty where the name has no such date or time
    char stamp[48];
    char* end = stamp;
    *end++ = '\t';
    if (listDate(name)) {
        end = putDigits(end, name.year, 4);
        *end++ = '-';
        end = putDigits(end, name.month, 2);
        *end++ = '-';
        end = putDigits(end, name.day, 2);
    }
    *end++ = '\t';
    if (listTime(name)) {
        end = putDigits(end, name.hour, 2);
        *end++ = ':';
        end = putDigits(end, name.minute, 2);
        *end++ = ':';
        end = putDigits(end, name.second, 2);
    }
    *end++ = '\t';
    line.append(stamp, static_cast<std::size_t>(end - stamp));
    const QByteArray& path = row.nativePath;
    appendListText(line, QByteArrayView(path).sliced(path.lastIndexOf('/') + 1));
    line += '\t';
    char16_t key[kSortKeyCapacity]; // made again from the fields: cheaper than reading the row's text
    appendText(line, QStringView(key, writeSortKey(name, key)));
    line += '\t';
    if (name.channelLetter != 0)
        appendText(line, QStringView(&name.channelLetter, 1));
    line += '\t';
    appendListText(line, path);
    line += '\n';
}

} // namespace

int fail(const QString& message)
{
    std::fprintf(stderr, "dravonix: %s\n", qUtf8Printable(message));
    return 1;
}

int runList(const QStringList& args)
{
    QCommandLineParser parser;
    const QCommandLineOption help = parser.addHelpOption();
    const bool parsed = parseArguments(parser, args);
    const QStringList folders = parser.positionalArguments();
    if (parsed && parser.isSet(help) && folders.isEmpty()) {
        std::fputs(kListHelp, stdout);
        return 0;
    }
    if (!parsed || parser.isSet(help) || folders.size() != 1) {
        std::fputs(kListHelp, stderr);
        return 2;
    }
    const QString& folder = folders.front();
    auto scan = listRecordings(QByteArray::fromStdString(bytesFromArgument(folder)));
    if (!scan)
        return fail(QStringLiteral("%1: %2").arg(folder, scanErrorText(scan.error())));
    // The process ends after the listing: handing a card's worth of texts
    // back to the allocator one by one costs more than listing them.
    static RecordingList* keptUntilExit = nullptr;
    keptUntilExit = new RecordingList(std::move(*scan));
    const std::vector<RecordingRow>& rows = keptUntilExit->rows;
    const int unreadableFolders = keptUntilExit->unreadableFolders;

    const RecordingKind kinds[] = {RecordingKind::Unknown, RecordingKind::Always, RecordingKind::Event,
                                   RecordingKind::User, RecordingKind::Park};
    std::string kindTexts[std::size(kinds)];
    for (const RecordingKind kind : kinds)
        kindTexts[static_cast<std::size_t>(kind)] = escapeListText(kindListText(kind).toUtf8()).toStdString();

    // Written in blocks: one write per line would cost more than the listing.
    std::string out;
    out.reserve(1 << 16);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const RecordingRow& row = rows[i];
        if (i + 4 < rows.size()) // each path sits elsewhere in memory
            prefetch(rows[i + 4].nativePath.constData());
        appendRow(out, row, kindTexts[static_cast<std::size_t>(row.name.kind)]);
        if (out.size() >= (1 << 16) - 4096) {
            std::fwrite(out.data(), 1, out.size(), stdout);
            out.clear();
        }
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
    std::fflush(stdout);
    if (unreadableFolders > 0)
        std::fprintf(stderr, "dravonix: %d folder(s) below %s could not be read\n", unreadableFolders,
                     qUtf8Printable(folder));
    return 0;
}

} // namespace dravonix::cli
