#include "playback/sound_output.h"

#include <QDir>
#include <QFileInfo>

namespace dravonix {

bool soundOutputPresent()
{
    if (!qEnvironmentVariableIsEmpty("PULSE_SERVER"))
        return true;
    // A PulseAudio or PipeWire server of this user.
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty()
        && (QFileInfo::exists(runtime + QStringLiteral("/pulse/native")) || QFileInfo::exists(runtime + QStringLiteral("/pipewire-0"))))
        return true;
    // Else a playback device the sound library can open directly.
    return !QDir(QStringLiteral("/dev/snd")).entryList({QStringLiteral("pcmC*p")}, QDir::System).isEmpty();
}

} // namespace dravonix
