#include "catalogue/folder_scan.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace dravonix;

TEST(SortKeyOrder, WordOrderOfKeys)
{
    // Each pair is in ascending order.
    const std::pair<const char*, const char*> ordered[] = {
        {"20230615_142530_F", "20230615_142530_R"},
        {"20230615_142530_f", "20230615_142530_F"}, // lower case first on a tie
        {"20230615_142530_F", "20230615_142530_g"}, // letters alphabetical whatever their case
        {"20230615_142530_", "20230615_142530_F"},  // a prefix first
        {"00000000_000000_", "20230615_142530_F"},
        {"20230615_142529_R", "20230615_142530_F"},
        {"20230615_142530_1", "20230615_142530_F"}, // digits before letters
        {"20230615_142530_#", "20230615_142530_1"}, // symbols before digits
        {"654130600_000000_", "99990101_000000_F"}, // longer years sort by digit
        {"2023_F", "2023-_F"},                      // a hyphen only settles a tie
    };
    for (const auto& [a, b] : ordered) {
        EXPECT_LT(compareSortKeys(QString(a), QString(b)), 0) << a << " < " << b;
        EXPECT_GT(compareSortKeys(QString(b), QString(a)), 0) << b << " > " << a;
    }
    EXPECT_EQ(compareSortKeys(u"20230615_142530_F", u"20230615_142530_F"), 0);
    EXPECT_LT(compareSortKeys(u"2023_\u00e9", u"2023_F"), 0); // é sorts as a letter, case folded
}

TEST(SortKeyOrder, RowsPairFrontBeforeRearAndTiesKeepScanOrder)
{
    std::vector<ScannedFile> files;
    for (const char* path : {"/c/a/event_20230615_142530_R.mp4", "/c/b/alwa_20230615_142530_F.mp4",
                             "/c/b/zzz.mp4", "/c/event_20230615_142530_F.mp4", "/c/aaa.mp4",
                             "/c/alwa_20230615_142500_R.mp4"}) {
        const QString p(path);
        files.push_back({p, p.lastIndexOf('/') + 1, QFile::encodeName(p)});
    }
    std::vector<RecordingRow> rows = makeRecordingRows(files);
    EXPECT_EQ(rows[2].insertionIndex, 2);
    sortRecordingRows(rows);
    QStringList names;
    for (const RecordingRow& r : rows)
        names << r.fileName().toString();
    EXPECT_EQ(names, (QStringList{"zzz.mp4", "aaa.mp4", "alwa_20230615_142500_R.mp4", "alwa_20230615_142530_F.mp4",
                                  "event_20230615_142530_F.mp4", "event_20230615_142530_R.mp4"}));
}

TEST(SortKeyOrder, TheFastOrderAgreesWithTheWordOrder)
{
    // Keys of every shape, plain and not, sorted by the list's sort and
    // checked pairwise against the word order itself.
    const char* texts[] = {"20230615_142530_F", "20230615_142530_f", "20230615_142530_R", "20230615_142530_", "2023-_F",
                           "2023_F", "00000000_000000_", "654130600_000000_", "20230615_142530_1", "20230615_142530_#",
                           "20230615_142530_g", "20230615_142530_G", "2023'_F"};
    std::vector<RecordingRow> rows;
    for (const char* t : texts) {
        RecordingRow row;
        row.name.sortKey = QString::fromUtf8(t);
        rows.push_back(row);
    }
    RecordingRow accented;
    accented.name.sortKey = QString::fromUtf8("20230615_142530_\u00e9");
    rows.push_back(accented);
    sortRecordingRows(rows);
    for (std::size_t i = 1; i < rows.size(); ++i)
        EXPECT_LE(compareSortKeys(rows[i - 1].name.sortKey, rows[i].name.sortKey), 0)
            << rows[i - 1].name.sortKey.toStdString() << " / " << rows[i].name.sortKey.toStdString();
}
