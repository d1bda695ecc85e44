#include "app/cli/cli_volumes.h"
#include "app/cli/commands.h"
#include "config/device_time.h"
#include "resources/strings.h"

#include <QDateTime>
#include <QFile>

namespace dravonix::cli {

int runTimeset(const QStringList& args)
{
    QString at;
    QString file;
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--at") && i + 1 < args.size())
            at = args[++i];
        else if (file.isEmpty() && !args[i].startsWith(QLatin1String("--")))
            file = args[i];
        else
            return fail(QStringLiteral("usage: dravonix timeset [--at \"YYYY-MM-DD HH:MM:SS\"] [FILE]"));
    }
    // The camera's clock runs on local time.
    QDateTime when = QDateTime::currentDateTime();
    if (!at.isEmpty()) {
        when = QDateTime::fromString(at, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        if (!when.isValid())
            return fail(QStringLiteral("\"%1\" is not a date and time as YYYY-MM-DD HH:MM:SS").arg(at));
    }
    std::filesystem::path target;
    if (!file.isEmpty()) {
        target = QFile::encodeName(file).toStdString();
    } else if (const auto found = findDeviceTimeFile(volumesForCli()->removableDrives())) {
        target = *found;
    } else {
        return fail(QStringLiteral("no card holds \"timeset.cfg\": name the file to write"));
    }
    const DeviceTime time{when.date().year(), when.date().month(), when.date().day(),
                          when.time().hour(), when.time().minute(), when.time().second()};
    const WriteOutcome outcome = writeDeviceTimeFile(target, time);
    if (outcome.writeProtected)
        return fail(QString::fromLatin1(englishString(300).data(), static_cast<qsizetype>(englishString(300).size())));
    if (!outcome.ok)
        return fail(QString::fromStdString(outcome.message));
    std::printf("%s\t%s\n", target.c_str(), formatDeviceTime(time).c_str());
    return 0;
}

} // namespace dravonix::cli
