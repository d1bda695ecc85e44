#include "card/volumes_from_environment.h"
#include "app/cli/commands.h"
#include "app/cli/native_path.h"
#include "config/device_time.h"
#include "resources/strings.h"

#include <QDateTime>
#include <QRegularExpression>

#include <optional>

namespace dravonix::cli {

int runTimeset(const QStringList& args)
{
    QCommandLineParser parser;
    const QCommandLineOption atOption(QStringLiteral("at"), QString(), QStringLiteral("YYYY-MM-DD HH:MM:SS"));
    parser.addOption(atOption);
    // One time at most: two would leave which one counts to chance.
    if (!parseArguments(parser, args) || parser.values(atOption).size() > 1 || parser.positionalArguments().size() > 1)
        return fail(QStringLiteral("usage: dravonix timeset [--at \"YYYY-MM-DD HH:MM:SS\"] [FILE]"));
    const std::optional<QString> at = parser.isSet(atOption) ? std::optional(parser.value(atOption)) : std::nullopt;
    const QString file = parser.positionalArguments().value(0);
    // The camera's clock runs on local time.
    const QDateTime now = QDateTime::currentDateTime();
    QDate date = now.date();
    QTime clock = now.time();
    if (at) {
        // Exactly "YYYY-MM-DD HH:MM:SS", a four-digit year the camera can hold.
        static const QRegularExpression shape(QStringLiteral("^[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}$"));
        // Wall-clock time as typed: a day's daylight-saving gap is still a time the camera can show.
        date = QDate::fromString(at->left(10), QStringLiteral("yyyy-MM-dd"));
        clock = QTime::fromString(at->mid(11), QStringLiteral("HH:mm:ss"));
        if (!shape.match(*at).hasMatch() || !date.isValid() || !clock.isValid() || date.year() < 1601)
            return fail(QStringLiteral("\"%1\" is not a date and time as YYYY-MM-DD HH:MM:SS from 1601 to 9999").arg(*at));
    }
    std::filesystem::path target;
    if (!file.isEmpty()) {
        target = nativePath(file);
    } else if (const auto found = findDeviceTimeFile(volumesFromEnvironment()->removableDrives())) {
        target = *found;
    } else {
        return fail(QStringLiteral("no card holds \"timeset.cfg\": name the file to write"));
    }
    const DeviceTime time{date.year(), date.month(), date.day(), clock.hour(), clock.minute(), clock.second()};
    const WriteOutcome outcome = writeDeviceTimeFile(target, time);
    if (outcome.writeProtected)
        return fail(QString::fromLatin1(englishString(300).data(), static_cast<qsizetype>(englishString(300).size())));
    if (!outcome.ok)
        return fail(QString::fromStdString(outcome.message));
    std::printf("%s\t%s\n", target.c_str(), formatDeviceTime(time).c_str());
    return 0;
}

} // namespace dravonix::cli
