#include "app/viewer/first_paint_log.h"
#include "app/viewer/viewer_log.h"

#include <QDateTime>
#include <QEvent>
#include <QTimer>
#include <QWidget>

namespace dravonix {

FirstPaintLog::FirstPaintLog(QWidget* watched) : QObject(watched) { watched->installEventFilter(this); }

void FirstPaintLog::arm(const QString& what)
{
    if (viewerLog().isInfoEnabled())
        what_ = what;
}

bool FirstPaintLog::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Paint && !what_.isEmpty()) {
        // Stamped once the paint is done and the window flushed.
        QTimer::singleShot(0, this, [what = std::exchange(what_, QString())] {
            qCInfo(viewerLog, "%s painted at %lld ms since the epoch", qUtf8Printable(what),
                   static_cast<long long>(QDateTime::currentMSecsSinceEpoch()));
        });
    }
    return QObject::eventFilter(watched, event);
}

} // namespace dravonix
