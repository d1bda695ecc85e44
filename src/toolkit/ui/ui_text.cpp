#include "toolkit/ui/ui_text.h"

#include "resources/strings.h"

#include <QCoreApplication>
#include <QFontDatabase>

#include <string>

namespace dravonix {

QString uiString(int id)
{
    const std::string english(englishString(id));
    QString text = QCoreApplication::translate("strings", english.c_str());
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return text;
}

QFont uiFont(int id)
{
    const bool tahoma = QFontDatabase::families().contains(QStringLiteral("Tahoma"));
    QFont f = tahoma ? QFont(QStringLiteral("Tahoma")) : QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    switch (id) {
    case 100: f.setPixelSize(14); break;
    case 101: f.setPixelSize(17); break;
    case 0: f.setPointSize(10); break;
    case 1: f.setPointSize(15); break;
    case 2: f.setPointSize(16); break;
    default: break;
    }
    f.setHintingPreference(QFont::PreferNoHinting);
    return f;
}

} // namespace dravonix
