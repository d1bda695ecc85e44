#include "app/viewer/quiet_terminal.h"

#include "playback/sound_library_log.h"

#include <QByteArray>
#include <QLoggingCategory>

namespace dravonix {

void chooseTerminalMessages(bool verbose)
{
    routeSoundLibraryMessages();
    if (verbose) {
        QLoggingCategory::setFilterRules(QStringLiteral("dravonix.*=true\nqt.webenginecontext.info=true"));
        return;
    }
    QLoggingCategory::setFilterRules(
        QStringLiteral("dravonix.*.debug=false\ndravonix.*.info=false\nqt.webenginecontext.info=false"));
    // Chromium logs to standard error by itself: fatal errors only, unless
    // the user chose a level.
    QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    if (!flags.contains("--log-level")) {
        flags += flags.isEmpty() ? "--log-level=3" : " --log-level=3";
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags);
    }
}

} // namespace dravonix
