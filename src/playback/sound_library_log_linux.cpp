#include "playback/sound_library_log.h"

#include <cstdarg>
#include <cstdio>

#include <dlfcn.h>

Q_LOGGING_CATEGORY(soundLog, "dravonix.sound")

namespace dravonix {
namespace {

// ALSA's error handler type; declared here so the build needs no ALSA headers.
using AlsaErrorHandler = void (*)(const char* file, int line, const char* function, int error, const char* format, ...);
using SetAlsaErrorHandler = int (*)(AlsaErrorHandler handler);

extern "C" void alsaMessage(const char* file, int line, const char* function, int error, const char* format, ...)
{
    char text[512];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    qCDebug(soundLog, "ALSA %s:%d (%s) %s%s%s", file, line, function, text, error != 0 ? ": " : "",
            error != 0 ? qUtf8Printable(QString::number(error)) : "");
}

} // namespace

void routeSoundLibraryMessages()
{
    // The library the audio output will load later is this one (one copy per
    // process), so its handler, set now, stays in force. Kept loaded for good.
    void* library = ::dlopen("libasound.so.2", RTLD_NOW | RTLD_GLOBAL);
    if (library == nullptr)
        return; // no ALSA, nothing of it to quieten
    const auto setHandler = reinterpret_cast<SetAlsaErrorHandler>(::dlsym(library, "snd_lib_error_set_handler"));
    if (setHandler != nullptr)
        setHandler(&alsaMessage);
}

} // namespace dravonix
