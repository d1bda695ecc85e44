#include "catalogue/folder_scan.h"
#include "toolkit/prefetch.h"

#include <QChar>
#include <QFile>

#include <algorithm>
#include <cstdint>
#include <cstring>

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

namespace {

RecordingRow makeRow(QString fullPath, qsizetype nameStart, QByteArray nativePath, int index)
{
    RecordingRow row;
    row.nameStart = nameStart;
    row.name = parseRecordingName(QStringView(fullPath).mid(nameStart));
    row.nativePath = nativePath.isEmpty() ? QFile::encodeName(fullPath) : std::move(nativePath);
    row.fullPath = std::move(fullPath);
    row.insertionIndex = index;
    return row;
}

} // namespace

std::vector<RecordingRow> makeRecordingRows(const std::vector<ScannedFile>& files)
{
    std::vector<RecordingRow> rows;
    rows.reserve(files.size());
    for (const ScannedFile& file : files)
        rows.push_back(makeRow(file.fullPath, file.nameStart, file.nativePath, static_cast<int>(rows.size())));
    return rows;
}

std::vector<RecordingRow> makeRecordingRows(std::vector<ScannedFile>&& files)
{
    std::vector<RecordingRow> rows;
    rows.reserve(files.size());
    for (ScannedFile& file : files)
        rows.push_back(makeRow(std::move(file.fullPath), file.nameStart, std::move(file.nativePath),
                               static_cast<int>(rows.size())));
    files = {};
    return rows;
}

namespace {

// The camera's keys are plain ASCII; for those the word order is a byte
// order over their primary weights, then their case marks, so the sort can
// compare bytes. Any other key falls back to compareSortKeys, which the
// bytes agree with.
bool collationBytes(QStringView key, char* out, std::size_t capacity)
{
    // The weights first, then a 0, then a case mark per character.
    const std::size_t n = static_cast<std::size_t>(key.size());
    if (2 * n + 1 > capacity)
        return false;
    char* cases = out + n + 1;
    for (std::size_t i = 0; i < n; ++i) {
        const char16_t c = key[static_cast<qsizetype>(i)].unicode();
        if (c == 0 || c >= 0x80 || c == u'-' || c == u'\'')
            return false;
        char weight = static_cast<char>(c);
        char upper = '0';
        if (c >= u'0' && c <= u'9')
            weight = static_cast<char>(0x80 + (c - u'0'));
        else if (c >= u'a' && c <= u'z')
            weight = static_cast<char>(0xA0 + (c - u'a'));
        else if (c >= u'A' && c <= u'Z') {
            weight = static_cast<char>(0xA0 + (c - u'A'));
            upper = '1';
        }
        out[i] = weight;
        cases[i] = upper;
    }
    out[n] = '\0';
    return true;
}

} // namespace

namespace {

// A key's bytes kept beside its row's number, so that sorting compares
// memory that sits together instead of chasing each row's text.
struct KeyedRow {
    char key[68]; // zero-padded; the longest key a name gives takes 67
    std::uint32_t row;
    bool simple;
};

// Orders the rows by their sort keys, ties by `tieFirst`.
template <typename TieFirst>
void orderRows(std::vector<RecordingRow>& rows, TieFirst tieFirst)
{
    std::vector<KeyedRow> keyed(rows.size()); // zeroed
    for (std::size_t i = 0; i < rows.size(); ++i) {
        KeyedRow& k = keyed[i];
        k.row = static_cast<std::uint32_t>(i);
        k.simple = collationBytes(rows[i].name.sortKey, k.key, sizeof k.key - 1);
        if (!k.simple)
            std::memset(k.key, 0, sizeof k.key);
    }
    std::sort(keyed.begin(), keyed.end(), [&](const KeyedRow& a, const KeyedRow& b) {
        const int byKey = a.simple && b.simple ? std::memcmp(a.key, b.key, sizeof a.key)
                                               : compareSortKeys(rows[a.row].name.sortKey, rows[b.row].name.sortKey);
        return byKey != 0 ? byKey < 0 : tieFirst(rows[a.row], rows[b.row]);
    });
    // Put each row in its place by following the cycles of the new order, so
    // that no second list of rows is needed.
    std::vector<bool> placed(rows.size());
    for (std::size_t start = 0; start < rows.size(); ++start) {
        if (placed[start])
            continue;
        RecordingRow held = std::move(rows[start]);
        std::size_t to = start;
        for (;;) {
            placed[to] = true;
            const std::size_t from = keyed[to].row;
            if (from == start)
                break;
            prefetch(&rows[keyed[from].row]); // the row after next, read in a new order: ask early
            rows[to] = std::move(rows[from]);
            to = from;
        }
        rows[to] = std::move(held);
    }
}

} // namespace

void sortRecordingRows(std::vector<RecordingRow>& rows)
{
    orderRows(rows, [](const RecordingRow& a, const RecordingRow& b) { return a.insertionIndex < b.insertionIndex; });
}

void sortRecordingRowsByKeyThenPath(std::vector<RecordingRow>& rows)
{
    orderRows(rows, [](const RecordingRow& a, const RecordingRow& b) {
        return comparePaths(a.fullPath, a.nativePath, b.fullPath, b.nativePath) < 0;
    });
}

} // namespace dravonix
