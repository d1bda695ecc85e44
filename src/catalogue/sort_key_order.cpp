#include "catalogue/folder_scan.h"

#include <QChar>
#include <QFile>

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
        row.nativePath = file.nativePath.isEmpty() ? QFile::encodeName(file.fullPath) : file.nativePath;
        row.fileName = file.name().toString();
        row.name = parseRecordingName(row.fileName);
        row.insertionIndex = index++;
        rows.push_back(std::move(row));
    }
    return rows;
}

namespace {

// The camera's keys are plain ASCII; for those the word order is a byte
// order over their primary weights, then their case marks, so the sort can
// compare bytes. Any other key falls back to compareSortKeys, which the
// bytes agree with.
bool collationBytes(QStringView key, std::string& out)
{
    out.clear();
    std::string cases;
    for (const QChar qc : key) {
        const char16_t c = qc.unicode();
        if (c == 0 || c >= 0x80 || c == u'-' || c == u'\'')
            return false;
        if (c >= u'0' && c <= u'9') {
            out += static_cast<char>(0x80 + (c - u'0'));
            cases += '0';
        } else if (c >= u'a' && c <= u'z') {
            out += static_cast<char>(0xA0 + (c - u'a'));
            cases += '0';
        } else if (c >= u'A' && c <= u'Z') {
            out += static_cast<char>(0xA0 + (c - u'A'));
            cases += '1';
        } else {
            out += static_cast<char>(c);
            cases += '0';
        }
    }
    out += '\0';
    out += cases;
    return true;
}

} // namespace

void sortRecordingRows(std::vector<RecordingRow>& rows)
{
    std::vector<std::string> bytes(rows.size());
    std::vector<char> simple(rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i)
        simple[i] = collationBytes(rows[i].name.sortKey, bytes[i]);
    std::vector<std::size_t> order(rows.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        if (simple[a] && simple[b])
            return bytes[a] < bytes[b];
        return compareSortKeys(rows[a].name.sortKey, rows[b].name.sortKey) < 0;
    });
    std::vector<RecordingRow> sorted;
    sorted.reserve(rows.size());
    for (const std::size_t i : order)
        sorted.push_back(std::move(rows[i]));
    rows = std::move(sorted);
}

} // namespace dravonix
