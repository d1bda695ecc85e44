#include "playback/sound_library_log.h"

Q_LOGGING_CATEGORY(soundLog, "dravonix.sound")

namespace dravonix {

// Other systems' sound libraries don't write to the terminal.
void routeSoundLibraryMessages() {}

} // namespace dravonix
