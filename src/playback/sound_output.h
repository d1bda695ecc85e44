#pragma once
// Whether the system has anywhere to send sound. Without a sound server or
// device, libvlc's audio output tries to open a device for every block of
// sound (dozens of failed opens a second, each loading the sound library's
// plug-ins); the engine then plays silently instead.

namespace dravonix {

bool soundOutputPresent();

} // namespace dravonix
