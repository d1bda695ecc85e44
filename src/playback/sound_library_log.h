#pragma once
// The system's sound library writes its own errors straight to the terminal
// (on Linux, ALSA's "cannot find card '0'" lines, once for every device the
// audio output tries when there is no sound card). These calls send them to
// the "dravonix.sound" logging category at debug level instead, where
// --verbose or the Qt logging rules show them.

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(soundLog)

namespace dravonix {

// Call before the first video engine is made; safe without a sound library.
void routeSoundLibraryMessages();

} // namespace dravonix
