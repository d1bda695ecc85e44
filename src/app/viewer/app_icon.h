#pragma once
// The viewer's icon: the desktop theme's, when the program is installed,
// else the sizes compiled in.

#include <QIcon>

namespace dravonix {

QIcon applicationIcon();

} // namespace dravonix
