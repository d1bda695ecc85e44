#pragma once
// Which folder the viewer lists when it starts: the one on its command line;
// else the camera's card when one is mounted, so that plugging the card in
// and starting the viewer shows its recordings; else the folder listed last,
// if it is still a folder. None otherwise: the list starts empty.

#include "card/removable_drive.h"

#include <QByteArray>

#include <functional>
#include <optional>
#include <vector>

namespace dravonix {

struct StartFolderFacts {
    std::optional<QByteArray> commandLine;
    std::vector<RemovableDrive> drives; // the mounted removable volumes
    QByteArray remembered;              // the folder listed last; empty for none
    std::function<bool(const QByteArray&)> isFolder;
};

std::optional<QByteArray> chooseStartFolder(const StartFolderFacts& facts);

// The card's root as a folder name: no trailing separator (except for "/").
QByteArray folderOfRoot(const std::string& root);

} // namespace dravonix
