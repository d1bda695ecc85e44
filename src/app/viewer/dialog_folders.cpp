#include "app/viewer/dialog_folders.h"

#include "app/viewer/start_folder.h"
#include "card/card_discovery.h"
#include "card/volumes_from_environment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace dravonix {

QString firstExistingFolder(std::initializer_list<QString> candidates)
{
    for (const QString& folder : candidates)
        if (!folder.isEmpty() && QFileInfo(folder).isDir())
            return folder;
    return QDir::homePath();
}

QString openDialogFolder(const QString& lastListed, const QString& cardRoot)
{
    return firstExistingFolder({lastListed, cardRoot, QStandardPaths::writableLocation(QStandardPaths::MoviesLocation)});
}

QString cameraCardFolder()
{
    const std::vector<RemovableDrive> drives = volumesFromEnvironment()->removableDrives();
    const RemovableDrive* card = findCameraDrive(drives);
    return card != nullptr ? QFile::decodeName(folderOfRoot(card->root)) : QString();
}

QString snapshotDialogFolder(const QString& lastSnapshotFolder)
{
    return firstExistingFolder({lastSnapshotFolder, QStandardPaths::writableLocation(QStandardPaths::PicturesLocation)});
}

QString copyDialogFolder(const QString& lastCopyFolder)
{
    return firstExistingFolder({lastCopyFolder, QStandardPaths::writableLocation(QStandardPaths::MoviesLocation)});
}

} // namespace dravonix
