#pragma once
// The texts and fonts that every window takes by id: strings from the string
// table through the translator, with the table's "\r\n" line breaks as Qt's
// "\n"; fonts Tahoma where installed, else the system's sans serif at the
// same pixel size.

#include <QFont>
#include <QString>

namespace dravonix {

QString uiString(int id);
QFont uiFont(int id);

} // namespace dravonix
