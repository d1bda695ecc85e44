#include "app/viewer/start_folder.h"

#include "card/card_discovery.h"

namespace dravonix {

QByteArray folderOfRoot(const std::string& root)
{
    QByteArray folder = QByteArray::fromStdString(root);
    while (folder.size() > 1 && folder.endsWith('/'))
        folder.chop(1);
    return folder;
}

std::optional<QByteArray> chooseStartFolder(const StartFolderFacts& facts)
{
    if (facts.commandLine)
        return facts.commandLine;
    if (const RemovableDrive* card = findCameraDrive(facts.drives))
        return folderOfRoot(card->root);
    if (!facts.remembered.isEmpty() && facts.isFolder && facts.isFolder(facts.remembered))
        return facts.remembered;
    return std::nullopt;
}

} // namespace dravonix
