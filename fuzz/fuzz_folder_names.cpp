// Names as a folder listing hands them over: raw bytes decoded as the scan
// decodes them, the recording extension test, the rows and their order.
// Sorting must lose no row, follow compareSortKeys, and keep rows with equal
// keys in scan order.
#include "catalogue/folder_scan.h"

#include <QFile>

#include <cstdlib>
#include <string_view>

using namespace dravonix;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString folder = QStringLiteral("/card/DCIM");
    std::vector<ScannedFile> files;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    for (std::size_t start = 0; start <= text.size() && files.size() < 256;) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        const std::string_view raw = text.substr(start, end - start);
        start = end + 1;
        const QString name = QFile::decodeName(QByteArray(raw.data(), static_cast<qsizetype>(raw.size())));
        const bool recording = hasRecordingExtension(name);
        if (recording != name.endsWith(QLatin1String(".mp4"), Qt::CaseInsensitive))
            std::abort();
        // Every name makes a row, so the row code sees more than the scan passes it.
        files.push_back({folder + QLatin1Char('/') + name, folder.size() + 1});
    }

    std::vector<RecordingRow> rows = makeRecordingRows(files);
    if (rows.size() != files.size())
        std::abort();
    for (std::size_t i = 0; i < rows.size(); ++i)
        if (rows[i].insertionIndex != static_cast<int>(i) || rows[i].fileName() != files[i].name())
            std::abort();

    sortRecordingRows(rows);
    if (rows.size() != files.size())
        std::abort();
    std::vector<bool> seen(rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const auto index = static_cast<std::size_t>(rows[i].insertionIndex);
        if (index >= seen.size() || seen[index] || rows[i].fullPath != files[index].fullPath)
            std::abort();
        seen[index] = true;
        if (i == 0)
            continue;
        const int order = compareSortKeys(rows[i - 1].name.sortKey, rows[i].name.sortKey);
        if (order > 0 || (order == 0 && rows[i - 1].insertionIndex > rows[i].insertionIndex))
            std::abort();
    }
    return 0;
}
