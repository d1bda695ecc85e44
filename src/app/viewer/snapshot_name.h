#pragma once
// The name a snapshot is offered under: the recording's own name and the
// position in it, "alwa_20230615_071500_F_01m23s.png" (hours in front from
// an hour on), so that snapshots of one drive sort by file and by time.

#include "playback/playback_controller.h"

#include <QByteArray>
#include <QString>

#include <cstdint>

namespace dravonix {

// The file playing in the large pane, from the path the recording was opened
// from: the front file of a pair unless the panes are swapped.
QByteArray largePaneRecording(const QByteArray& openedPath, ChannelMode mode, bool swapped);

QString snapshotFileName(const QByteArray& recordingPath, std::int64_t positionMs);

} // namespace dravonix
