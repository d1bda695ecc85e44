#include "card/volumes_from_environment.h"

#include <QFile>
#include <QString>
#include <QStringList>

namespace dravonix {

std::unique_ptr<Volumes> volumesFromEnvironment()
{
    const QString volumesText = qEnvironmentVariable("DRAVONIX_TEST_VOLUMES");
    if (volumesText.isNull())
        return systemVolumes();
    auto folders = std::make_unique<FolderVolumes>();
    for (const QString& item : volumesText.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const qsizetype equals = item.lastIndexOf(QLatin1Char('='));
        folders->add(QFile::encodeName(item.left(equals < 0 ? item.size() : equals)).toStdString(),
                     equals < 0 ? std::string() : item.mid(equals + 1).toStdString());
    }
    return folders;
}

} // namespace dravonix
