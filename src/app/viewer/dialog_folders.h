#pragma once
// Where the viewer's file dialogs open. Each starts in the folder chosen in
// it last this run; failing that in the place that suits it (the card for
// Open, the user's Pictures for snapshots, Videos for copies); and at worst
// in the home folder: never in whatever folder the viewer was started from,
// which for the run command is the source tree.

#include <QString>

#include <initializer_list>

namespace dravonix {

// The first candidate that is an existing folder, else the home folder.
QString firstExistingFolder(std::initializer_list<QString> candidates);

QString openDialogFolder(const QString& lastListed, const QString& cardRoot);
// The root of the camera's card among the mounted volumes; empty without one.
QString cameraCardFolder();
QString snapshotDialogFolder(const QString& lastSnapshotFolder);
QString copyDialogFolder(const QString& lastCopyFolder);

} // namespace dravonix
