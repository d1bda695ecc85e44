#include "views/map_call.h"

#include "telemetry/gps_fix.h"
#include "toolkit/text_format.h"

#include <QLocale>

namespace dravonix {
namespace {

// "%lf" in the C locale: our process never changes LC_NUMERIC, so the
// decimal point is "." for every user.
QString sixDecimals(double degrees) { return QString::fromStdString(formatText("%lf", degrees)); }

} // namespace

std::optional<std::pair<QString, QString>> positionArguments(double rawLongitude, double rawLatitude)
{
    if (rawLongitude == 0.0 || rawLatitude == 0.0)
        return std::nullopt;
    // The sign is already applied; nmeaToDegrees keeps it.
    return std::make_pair(sixDecimals(nmeaToDegrees(rawLongitude, 'E')), sixDecimals(nmeaToDegrees(rawLatitude, 'N')));
}

QString pageCallScript(const QString& name, const QStringList& arguments)
{
    QStringList quoted;
    for (QString argument : arguments) {
        argument.replace(QLatin1Char('\\'), QLatin1String("\\\\"))
            .replace(QLatin1Char('\''), QLatin1String("\\'"))
            .replace(QLatin1Char('\n'), QLatin1String("\\n"))
            .replace(QLatin1Char('\r'), QLatin1String("\\r"))
            .replace(QChar(0x2028), QLatin1String("\\u2028"))
            .replace(QChar(0x2029), QLatin1String("\\u2029"));
        quoted << QLatin1Char('\'') + argument + QLatin1Char('\'');
    }
    return name + QLatin1Char('(') + quoted.join(QLatin1Char(',')) + QLatin1Char(')');
}

QString trackArgument(const std::vector<std::pair<double, double>>& points)
{
    QStringList parts;
    QString last;
    for (const auto& [latitude, longitude] : points) {
        const QString part = sixDecimals(latitude) + QLatin1Char(',') + sixDecimals(longitude);
        if (part != last)
            parts << part;
        last = part;
    }
    return parts.join(QLatin1Char(';'));
}

bool koreanInterface() { return QLocale::system().language() == QLocale::Korean; }

} // namespace dravonix
