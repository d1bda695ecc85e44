#include "app/cli/commands.h"
#include "app/cli/native_path.h"
#include "card/fat_label.h"
#include "card/format_flow.h"

#include <QDir>
#include <QLoggingCategory>

#include <cstdio>
#include <iostream>
#include <string>

namespace dravonix::cli {

int runFormat(const QStringList& args)
{
    const QString usage = QStringLiteral(
        "usage: dravonix format TARGET [--label TEXT] [--cluster 16K|64K] [--sector-size 512|4096] [--yes] [--verbose]");
    QCommandLineParser parser;
    const QCommandLineOption labelOption(QStringLiteral("label"), QString(), QStringLiteral("TEXT"), QStringLiteral("DRAVONIX"));
    const QCommandLineOption clusterOption(QStringLiteral("cluster"), QString(), QStringLiteral("16K|64K"));
    const QCommandLineOption sectorOption(QStringLiteral("sector-size"), QString(), QStringLiteral("512|4096"),
                                          QStringLiteral("512"));
    const QCommandLineOption yesOption(QStringLiteral("yes"));
    const QCommandLineOption verboseOption(QStringLiteral("verbose"));
    parser.addOptions({labelOption, clusterOption, sectorOption, yesOption, verboseOption});
    if (!parseArguments(parser, args) || parser.positionalArguments().size() != 1)
        return fail(usage);
    // The last value given counts.
    const QString target = parser.positionalArguments().front();
    const QString label = parser.value(labelOption);
    const QString cluster = parser.value(clusterOption).toUpper();
    const std::uint32_t sectorSize = parser.value(sectorOption).toUInt();
    const bool confirmed = parser.isSet(yesOption);
    const bool verbose = parser.isSet(verboseOption);
    if (!cluster.isEmpty() && cluster != QLatin1String("16K") && cluster != QLatin1String("64K"))
        return fail(QStringLiteral("--cluster takes 16K or 64K"));
    std::string labelBytes;
    if (!fatLabelBytes(label.toStdString(), labelBytes))
        return fail(QStringLiteral("\"%1\" is not a FAT label: at most 11 characters, no \"*+,./:;<=>?[\\]|, no blank first").arg(label));
    if (!verbose)
        QLoggingCategory::setFilterRules(QStringLiteral("dravonix.card.info=false\ndravonix.card.warning=false"));

    const std::string path = nativePath(target).string();
    OpenedDevice opened = openFormatTarget(path, sectorSize);
    if (!opened.device)
        return fail(QString::fromStdString(opened.message));
    BlockDevice& device = *opened.device;
    const std::string unit = cluster.isEmpty() ? allocationUnitText(device.facts().partitionBytes) : cluster.toStdString();
    // A size FAT32 can't take is refused before anyone is asked to agree.
    if (const std::string problem = formatSizeProblem(path, device.facts(), unit); !problem.empty())
        return fail(QString::fromStdString(problem));

    if (!confirmed) {
        std::fprintf(stderr, "All data on %s will be lost. Type \"yes\" to format it: ", path.c_str());
        std::string answer;
        std::getline(std::cin, answer);
        if (answer != "yes")
            return fail(QStringLiteral("not formatted"));
    }
    const FormatFlowResult result =
        runFormatFlow(device, std::nullopt, QDir::tempPath().toStdString(), unit, label.toStdString());
    std::printf("%s\n", formatOutcomeText(result.format.code).c_str());
    if (!result.format.ok())
        return fail(QString::fromStdString(result.format.message).trimmed());
    if (!result.labelled)
        std::fprintf(stderr, "dravonix: the volume is formatted but could not be labelled: %s\n", result.labelError.c_str());
    return 0;
}

} // namespace dravonix::cli
