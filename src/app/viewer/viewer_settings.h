#pragma once
// What the viewer remembers between runs, in the user's settings file
// (~/.config/dravonix/dravonix-viewer.conf on Linux).

#include <QByteArray>

namespace dravonix {

// The folder the viewer listed last, as the file system's bytes.
QByteArray rememberedListedFolder();
void rememberListedFolder(const QByteArray& folder);

// Whether the list shows recordings grouped by trip; flat until chosen.
bool rememberedGroupByTrip();
void rememberGroupByTrip(bool grouped);

} // namespace dravonix
