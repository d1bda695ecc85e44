#include "card/volumes_from_environment.h"
#include "app/cli/commands.h"
#include "card/card_discovery.h"

#include <cstdio>

namespace dravonix::cli {

int runCard(const QStringList& args)
{
    QCommandLineParser parser;
    if (!parseArguments(parser, args) || !parser.positionalArguments().isEmpty())
        return fail(QStringLiteral("usage: dravonix card"));
    const auto volumes = volumesFromEnvironment();
    const std::vector<RemovableDrive> drives = volumes->removableDrives();
    for (const RemovableDrive& drive : drives)
        std::printf("%s\t%s\n", drive.root.c_str(), drive.label.c_str());
    // Only shows: unlike the settings, listing never relabels the card.
    if (const RemovableDrive* card = findCameraDrive(drives))
        std::printf("card\t%sconfig.bin\n", card->root.c_str());
    else
        std::printf("card\tnone\n");
    return 0;
}

} // namespace dravonix::cli
