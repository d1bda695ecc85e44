#include "catalogue/folder_scan.h"

#include <QChar>

#include <algorithm>
#include <cstdint>

namespace dravonix {
namespace {

// Primary weights: symbols by code, then digits, then letters with case folded.
// Hyphen and apostrophe carry no primary weight, as in a word sort.
struct Weight {
    std::uint32_t primary = 0;
    bool ignorable = false;
    bool upper = false;
    bool accented = false; // a letter with a diacritic sorts with its base letter
};

Weight weightOf(char16_t c)
{
    if (c == u'-' || c == u'\'')
        return {0, true, false, false};
    if (c >= u'0' && c <= u'9')
        return {0x10000u + (c - u'0'), false, false, false};
    if ((c >= u'a' && c <= u'z'))
        return {0x20000u + c, false, false, false};
    if ((c >= u'A' && c <= u'Z'))
        return {0x20000u + (c + (u'a' - u'A')), false, true, false};
    const QChar q(c);
    if (c >= 0x80 && q.isLetter()) {
        const QString parts = q.decomposition();
        const bool accented = !parts.isEmpty() && q.decompositionTag() == QChar::Canonical;
        const QChar base = accented ? parts.front() : q;
        return {0x20000u + base.toCaseFolded().unicode(), false, q.isUpper(), accented};
    }
    return {c, false, false, false};
}

// Next character with a primary weight at or after `i`; size when none.
qsizetype nextWeighted(QStringView s, qsizetype i)
{
    while (i < s.size() && weightOf(s[i].unicode()).ignorable)
        ++i;
    return i;
}

} // namespace

int compareSortKeys(QStringView a, QStringView b)
{
    qsizetype i = nextWeighted(a, 0);
    qsizetype j = nextWeighted(b, 0);
    int accentOrder = 0;
    int caseOrder = 0;
    while (i < a.size() && j < b.size()) {
        const Weight wa = weightOf(a[i].unicode());
        const Weight wb = weightOf(b[j].unicode());
        if (wa.primary != wb.primary)
            return wa.primary < wb.primary ? -1 : 1;
        if (accentOrder == 0 && wa.accented != wb.accented)
            accentOrder = wa.accented ? 1 : -1; // plain letter first
        if (caseOrder == 0 && wa.upper != wb.upper)
            caseOrder = wa.upper ? 1 : -1; // lower case first
        i = nextWeighted(a, i + 1);
        j = nextWeighted(b, j + 1);
    }
    if (i < a.size())
        return 1; // b is a prefix of a
    if (j < b.size())
        return -1;
    if (accentOrder != 0)
        return accentOrder;
    if (caseOrder != 0)
        return caseOrder;
    // Equal but for hyphens and apostrophes: fewer first, then by code units.
    if (a.size() != b.size())
        return a.size() < b.size() ? -1 : 1;
    const int ordinal = a.compare(b, Qt::CaseSensitive);
    return ordinal < 0 ? -1 : (ordinal > 0 ? 1 : 0);
}

std::vector<RecordingRow> makeRecordingRows(const std::vector<ScannedFile>& files)
{
    std::vector<RecordingRow> rows;
    rows.reserve(files.size());
    int index = 0;
    for (const ScannedFile& file : files) {
        RecordingRow row;
        row.fullPath = file.fullPath;
        row.fileName = file.name().toString();
        row.name = parseRecordingName(row.fileName);
        row.insertionIndex = index++;
        rows.push_back(std::move(row));
    }
    return rows;
}

void sortRecordingRows(std::vector<RecordingRow>& rows)
{
    std::stable_sort(rows.begin(), rows.end(), [](const RecordingRow& x, const RecordingRow& y) {
        return compareSortKeys(x.name.sortKey, y.name.sortKey) < 0;
    });
}

} // namespace dravonix
