#pragma once
// Finds the MP4 recordings in a folder and every folder below it, and puts
// them in the order of the recording list. No widget code: the viewer's list
// model and the command line share it.

#include "catalogue/recording_name.h"
#include "toolkit/expected.h"

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <string>
#include <vector>

namespace dravonix {

// A found file. The path is kept twice: as text to show (decoded from the
// file system's bytes, so a name that is not valid UTF-8 shows U+FFFD) and as
// the bytes themselves, which is what opening and copying use.
struct ScannedFile {
    QString fullPath;
    qsizetype nameStart = 0;
    QByteArray nativePath; // empty: the text encoded is the path

    QStringView name() const { return QStringView(fullPath).mid(nameStart); }
};

struct FolderScan {
    std::vector<ScannedFile> files; // sorted by full path, code unit by code unit, then by bytes
    int unreadableFolders = 0;      // folders below the root that couldn't be listed
};

enum class ScanError { EmptyPath, NotFound, NotAFolder, Unreadable };
QString scanErrorText(ScanError error);

// True for a name whose extension is "mp4" in any case.
bool hasRecordingExtension(QStringView name);

// Files with the recording extension at every depth; links to folders are
// not followed, so a loop of links can't trap the scan.
Expected<FolderScan, ScanError> scanFolder(const QString& path);
// The same for a root given as the file system's bytes (a folder whose name
// is not valid UTF-8 can be scanned too).
Expected<FolderScan, ScanError> scanNativeFolder(const QByteArray& nativePath);

struct RecordingRow {
    QString fullPath;      // shown
    QByteArray nativePath; // opened
    qsizetype nameStart = 0;
    RecordingName name;
    int insertionIndex = 0; // position in the scan order

    QStringView fileName() const { return QStringView(fullPath).mid(nameStart); }
};

// The rows in scan order, then ordered by their sort keys (ties keep scan order).
std::vector<RecordingRow> makeRecordingRows(const std::vector<ScannedFile>& files);
// The same, taking the scan's texts over instead of sharing them.
std::vector<RecordingRow> makeRecordingRows(std::vector<ScannedFile>&& files);
void sortRecordingRows(std::vector<RecordingRow>& rows);

// Recordings with equal keys in the order of their paths (as the scan sorts
// them): what the two steps above give for a sorted scan, in one sort.
void sortRecordingRowsByKeyThenPath(std::vector<RecordingRow>& rows);

// The order of the scan: path text code unit by code unit, then bytes.
int comparePaths(QStringView aText, const QByteArray& aBytes, QStringView bText, const QByteArray& bBytes);

struct RecordingList {
    std::vector<RecordingRow> rows; // in the list's order
    int unreadableFolders = 0;
};

// The scan and the list's order in one go: what the list shows, for the
// viewer and the command line alike.
Expected<RecordingList, ScanError> listRecordings(const QByteArray& nativePath);

// The recording files alone, as the file system's bytes, in the order the
// folders listed them: for readers that show no list and need none of its
// texts or its order.
struct NativeScan {
    std::vector<std::string> paths;
    int unreadableFolders = 0;
};
Expected<NativeScan, ScanError> scanNativePaths(const QByteArray& nativePath);

// The word order that orders the list: letters alphabetical whatever their
// case, lower case first on a tie, a key that is a prefix of another first.
int compareSortKeys(QStringView a, QStringView b);

} // namespace dravonix
