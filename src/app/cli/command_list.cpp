#include "app/cli/commands.h"
#include "catalogue/folder_scan.h"

#include <QTextStream>

#include <cstdio>

namespace dravonix::cli {

int fail(const QString& message)
{
    std::fprintf(stderr, "dravonix: %s\n", qUtf8Printable(message));
    return 1;
}

int runList(const QStringList& args)
{
    if (args.size() != 1)
        return fail(QStringLiteral("usage: dravonix list FOLDER"));
    const auto scan = scanFolder(args.front());
    if (!scan)
        return fail(QStringLiteral("%1: %2").arg(args.front(), scanErrorText(scan.error())));
    std::vector<RecordingRow> rows = makeRecordingRows(scan->files);
    sortRecordingRows(rows);

    QTextStream out(stdout);
    out.setEncoding(QStringConverter::Utf8);
    for (const RecordingRow& row : rows) {
        const auto date = listDate(row.name);
        const auto time = listTime(row.name);
        out << kindListText(row.name.kind) << '\t'
            << (date ? date->toString(QStringLiteral("yyyy-MM-dd")) : QString()) << '\t'
            << (time ? time->toString(QStringLiteral("HH:mm:ss")) : QString()) << '\t' << row.fileName << '\t'
            << row.name.sortKey << '\t'
            << (row.name.channelLetter != 0 ? QString(QChar(row.name.channelLetter)) : QString()) << '\t'
            << row.fullPath << '\n';
    }
    out.flush();
    if (scan->unreadableFolders > 0)
        std::fprintf(stderr, "dravonix: %d folder(s) below %s could not be read\n", scan->unreadableFolders,
                     qUtf8Printable(args.front()));
    return 0;
}

} // namespace dravonix::cli
