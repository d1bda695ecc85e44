#include "app/cli/commands.h"
#include "app/cli/native_path.h"
#include "catalogue/folder_scan.h"
#include "catalogue/list_escape.h"

#include <QFile>

#include <cstdio>

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

void writeField(QByteArray& line, QByteArrayView bytes)
{
    line += escapeListText(bytes);
    line += '\t';
}

} // namespace

int fail(const QString& message)
{
    std::fprintf(stderr, "dravonix: %s\n", qUtf8Printable(message));
    return 1;
}

int runList(const QStringList& args)
{
    if (args.size() == 1 && (args.front() == QLatin1String("--help") || args.front() == QLatin1String("-h"))) {
        std::fputs(kListHelp, stdout);
        return 0;
    }
    if (args.size() != 1) {
        std::fputs(kListHelp, stderr);
        return 2;
    }
    const auto scan = scanNativeFolder(QByteArray::fromStdString(bytesFromArgument(args.front())));
    if (!scan)
        return fail(QStringLiteral("%1: %2").arg(args.front(), scanErrorText(scan.error())));
    std::vector<RecordingRow> rows = makeRecordingRows(scan->files);
    sortRecordingRows(rows);

    QByteArray line;
    for (const RecordingRow& row : rows) {
        const auto date = listDate(row.name);
        const auto time = listTime(row.name);
        const QByteArray& path = row.nativePath;
        line.clear();
        writeField(line, kindListText(row.name.kind).toUtf8());
        writeField(line, date ? date->toString(QStringLiteral("yyyy-MM-dd")).toUtf8() : QByteArray());
        writeField(line, time ? time->toString(QStringLiteral("HH:mm:ss")).toUtf8() : QByteArray());
        writeField(line, path.mid(path.lastIndexOf('/') + 1));
        writeField(line, row.name.sortKey.toUtf8());
        writeField(line, row.name.channelLetter != 0 ? QString(QChar(row.name.channelLetter)).toUtf8() : QByteArray());
        line += escapeListText(path);
        line += '\n';
        std::fwrite(line.constData(), 1, static_cast<std::size_t>(line.size()), stdout);
    }
    std::fflush(stdout);
    if (scan->unreadableFolders > 0)
        std::fprintf(stderr, "dravonix: %d folder(s) below %s could not be read\n", scan->unreadableFolders,
                     qUtf8Printable(args.front()));
    return 0;
}

} // namespace dravonix::cli
