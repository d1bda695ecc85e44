#include "views/map_tiles.h"

#include "toolkit/product.h"

#include <QSettings>
#include <QUrl>

namespace dravonix {

bool usableTileUrlTemplate(const QString& urlTemplate)
{
    for (const char* part : {"{z}", "{x}", "{y}"})
        if (!urlTemplate.contains(QLatin1String(part)))
            return false;
    QString sample = urlTemplate;
    sample.replace(QLatin1String("{z}"), QLatin1String("1"))
        .replace(QLatin1String("{x}"), QLatin1String("1"))
        .replace(QLatin1String("{y}"), QLatin1String("1"))
        .replace(QLatin1String("{s}"), QLatin1String("a"));
    const QUrl url(sample, QUrl::StrictMode);
    const QString scheme = url.scheme();
    return url.isValid() && (((scheme == QLatin1String("http") || scheme == QLatin1String("https")) && !url.host().isEmpty())
                             || scheme == QLatin1String("file"));
}

QString mapTileUrlTemplate()
{
    const QSettings settings(QString::fromLatin1(product::kSettingsOrganization), QString::fromLatin1(product::kSettingsApplication));
    const QString configured = settings.value(QLatin1String(kTileUrlSetting)).toString().trimmed();
    return usableTileUrlTemplate(configured) ? configured : QString::fromLatin1(kDefaultTileUrl);
}

QString mapUserAgent()
{
    return QStringLiteral("Dravonix/%1 (+%2)").arg(QLatin1String(product::kVersion), QLatin1String(product::kHomePage));
}

QString mapReferer() { return QString::fromLatin1(product::kHomePage); }

} // namespace dravonix
