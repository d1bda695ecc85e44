#include "app/viewer/viewer_settings.h"

#include "toolkit/product.h"

#include <QSettings>

namespace dravonix {
namespace {

const QString kLastFolder = QStringLiteral("viewer/lastFolder");
const QString kGroupByTrip = QStringLiteral("viewer/groupByTrip");

} // namespace

QByteArray rememberedListedFolder()
{
    const QSettings settings(QString::fromLatin1(product::kSettingsOrganization), QString::fromLatin1(product::kSettingsApplication));
    return settings.value(kLastFolder).toByteArray();
}

void rememberListedFolder(const QByteArray& folder)
{
    if (folder.isEmpty())
        return;
    QSettings settings(QString::fromLatin1(product::kSettingsOrganization), QString::fromLatin1(product::kSettingsApplication));
    settings.setValue(kLastFolder, folder); // bytes: names need not be UTF-8
}

bool rememberedGroupByTrip()
{
    const QSettings settings(QString::fromLatin1(product::kSettingsOrganization), QString::fromLatin1(product::kSettingsApplication));
    return settings.value(kGroupByTrip, false).toBool();
}

void rememberGroupByTrip(bool grouped)
{
    QSettings settings(QString::fromLatin1(product::kSettingsOrganization), QString::fromLatin1(product::kSettingsApplication));
    settings.setValue(kGroupByTrip, grouped);
}

} // namespace dravonix
