#pragma once
// Finds the MP4 recordings in a folder and every folder below it, and puts
// them in the order of the recording list. No widget code: the viewer's list
// model and the command line share it.

#include "catalogue/recording_name.h"
#include "toolkit/expected.h"

#include <QString>
#include <QStringView>

#include <vector>

namespace dravonix {

struct ScannedFile {
    QString fullPath;
    qsizetype nameStart = 0;

    QStringView name() const { return QStringView(fullPath).mid(nameStart); }
};

struct FolderScan {
    std::vector<ScannedFile> files; // sorted by full path, code unit by code unit
    int unreadableFolders = 0;      // folders below the root that couldn't be listed
};

enum class ScanError { EmptyPath, NotFound, NotAFolder, Unreadable };
QString scanErrorText(ScanError error);

// True for a name whose extension is "mp4" in any case.
bool hasRecordingExtension(QStringView name);

// Files with the recording extension at every depth; links to folders are
// not followed, so a loop of links can't trap the scan.
Expected<FolderScan, ScanError> scanFolder(const QString& path);

struct RecordingRow {
    QString fullPath;
    QString fileName;
    RecordingName name;
    int insertionIndex = 0; // position in the scan order
};

// The rows in scan order, then ordered by their sort keys (ties keep scan order).
std::vector<RecordingRow> makeRecordingRows(const std::vector<ScannedFile>& files);
void sortRecordingRows(std::vector<RecordingRow>& rows);

// The word order that orders the list: letters alphabetical whatever their
// case, lower case first on a tie, a key that is a prefix of another first.
int compareSortKeys(QStringView a, QStringView b);

} // namespace dravonix
