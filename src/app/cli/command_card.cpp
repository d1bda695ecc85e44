#include "card/volumes_from_environment.h"
#include "app/cli/commands.h"
#include "card/card_discovery.h"
#include "catalogue/list_escape.h"

#include <cstdio>

namespace dravonix::cli {

int runCard(const QStringList& args)
{
    QCommandLineParser parser;
    if (!parseArguments(parser, args) || !parser.positionalArguments().isEmpty())
        return fail(QStringLiteral("usage: dravonix card"));
    const auto volumes = volumesFromEnvironment();
    const std::vector<RemovableDrive> drives = volumes->removableDrives();
    // Escaped as the list escapes names: a label or a mount point with a tab
    // or a line break in it stays on its volume's line.
    const auto shown = [](const std::string& text) { return escapeListText(QByteArrayView(text)).toStdString(); };
    for (const RemovableDrive& drive : drives)
        std::printf("%s\t%s\n", shown(drive.root).c_str(), shown(drive.label).c_str());
    // Only shows: unlike the settings, listing never relabels the card.
    if (const RemovableDrive* card = findCameraDrive(drives))
        std::printf("card\t%s\n", shown(card->root + "config.bin").c_str());
    else
        std::printf("card\tnone\n");
    return 0;
}

} // namespace dravonix::cli
