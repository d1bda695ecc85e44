#include "app/viewer/app_icon.h"

#include "toolkit/product.h"

#include <QDirIterator>

namespace dravonix {

QIcon applicationIcon()
{
    QIcon compiledIn;
    QDirIterator sizes(QStringLiteral(":/icons"), {QStringLiteral("*.png")}, QDir::Files, QDirIterator::Subdirectories);
    while (sizes.hasNext())
        compiledIn.addFile(sizes.next());
    return QIcon::fromTheme(QString::fromLatin1(product::kAppId), compiledIn);
}

} // namespace dravonix
