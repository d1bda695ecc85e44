#pragma once
// What the viewer lets through to the terminal it was started from. Normally
// warnings only: the web engine's start-up report and Chromium's own log,
// the sound library's errors without a sound card and the viewer's timing
// notes are held back. --verbose lets them all through. Qt's logging rules
// (QT_LOGGING_RULES) still decide over both.

namespace dravonix {

// Call before the application object is made.
void chooseTerminalMessages(bool verbose);

} // namespace dravonix
