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
    QString target;
    QString label = QStringLiteral("DRAVONIX");
    QString cluster;
    std::uint32_t sectorSize = 512;
    bool confirmed = false;
    bool verbose = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == QLatin1String("--label") && i + 1 < args.size())
            label = args[++i];
        else if (a == QLatin1String("--cluster") && i + 1 < args.size())
            cluster = args[++i].toUpper();
        else if (a == QLatin1String("--sector-size") && i + 1 < args.size())
            sectorSize = args[++i].toUInt();
        else if (a == QLatin1String("--yes"))
            confirmed = true;
        else if (a == QLatin1String("--verbose"))
            verbose = true;
        else if (target.isEmpty() && !a.startsWith(QLatin1String("--")))
            target = a;
        else
            return fail(usage);
    }
    if (target.isEmpty())
        return fail(usage);
    if (!cluster.isEmpty() && cluster != QLatin1String("16K") && cluster != QLatin1String("64K"))
        return fail(QStringLiteral("--cluster takes 16K or 64K"));
    std::string labelBytes;
    if (!fatLabelBytes(label.toStdString(), labelBytes))
        return fail(QStringLiteral("\"%1\" is not a FAT label: at most 11 characters, no \"*+,./:;<=>?[\\]|").arg(label));
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
