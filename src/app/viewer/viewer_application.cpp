#include "app/viewer/viewer_application.h"

#include "app/viewer/viewer_log.h"

#include <exception>

namespace dravonix {
namespace {

const char* receiverName(QObject* receiver)
{
    return receiver != nullptr ? receiver->metaObject()->className() : "nothing";
}

} // namespace

bool ViewerApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        qCCritical(viewerLog, "event %d for %s failed: %s", static_cast<int>(event->type()), receiverName(receiver), e.what());
    } catch (...) {
        qCCritical(viewerLog, "event %d for %s failed with an unknown exception", static_cast<int>(event->type()),
                   receiverName(receiver));
    }
    return false;
}

} // namespace dravonix
