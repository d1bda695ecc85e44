#include "app/viewer/first_paint_log.h"
#include "app/viewer/viewer_log.h"

#include <QDateTime>
#include <QEvent>
#include <QTimer>
#include <QWidget>

namespace dravonix {

FirstPaintLog::FirstPaintLog(QWidget* watched) : QObject(watched) { watched->installEventFilter(this); }

void FirstPaintLog::arm(const QString& what) { arm(what, {}); }

void FirstPaintLog::arm(const QString& what, std::function<bool()> shown)
{
    if (!viewerLog().isInfoEnabled())
        return;
    what_ = what;
    shown_ = std::move(shown);
}

bool FirstPaintLog::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Paint && !what_.isEmpty()) {
        // Stamped once the paint is done and the window flushed; a paint that
        // doesn't show what is waited for leaves the log armed.
        QTimer::singleShot(0, this, [this, what = what_] {
            if (what != what_ || (shown_ && !shown_()))
                return;
            what_.clear();
            shown_ = nullptr;
            qCInfo(viewerLog, "%s painted at %lld ms since the epoch", qUtf8Printable(what),
                   static_cast<long long>(QDateTime::currentMSecsSinceEpoch()));
        });
    }
    return QObject::eventFilter(watched, event);
}

} // namespace dravonix
