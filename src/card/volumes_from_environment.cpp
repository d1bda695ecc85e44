#include "card/volumes_from_environment.h"

#include <QFile>
#include <QMap>
#include <QString>
#include <QStringList>

namespace dravonix {
namespace {

// "KEY=VALUE;KEY=VALUE": the last "=" splits, so a folder may hold one.
QList<QPair<QString, QString>> pairs(const QString& text)
{
    QList<QPair<QString, QString>> out;
    for (const QString& item : text.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const qsizetype equals = item.lastIndexOf(QLatin1Char('='));
        out.append({item.left(equals < 0 ? item.size() : equals), equals < 0 ? QString() : item.mid(equals + 1)});
    }
    return out;
}

QString withoutTrailingSlash(QString folder)
{
    while (folder.size() > 1 && folder.endsWith(QLatin1Char('/')))
        folder.chop(1);
    return folder;
}

} // namespace

std::unique_ptr<Volumes> volumesFromEnvironment()
{
    const QString volumesText = qEnvironmentVariable("DRAVONIX_TEST_VOLUMES");
    if (volumesText.isNull())
        return systemVolumes();
    QMap<QString, QString> images;
    for (const auto& [folder, image] : pairs(qEnvironmentVariable("DRAVONIX_TEST_DEVICES")))
        images.insert(withoutTrailingSlash(folder), image);
    auto folders = std::make_unique<FolderVolumes>();
    for (const auto& [folder, label] : pairs(volumesText))
        folders->add(QFile::encodeName(folder).toStdString(), label.toStdString(),
                     QFile::encodeName(images.value(withoutTrailingSlash(folder))).toStdString());
    return folders;
}

} // namespace dravonix
