#include "route/ui/position_window.h"

#include "views/map_call.h"
#include "views/map_view.h"

#include <QPointer>

namespace dravonix {
namespace {

class MapPositionWindow final : public PositionWindow {
public:
    MapPositionWindow(double latitude, double longitude, QWidget* owner, std::function<void()> closeRequested)
        : window_(new MapWindow(latitude, longitude, koreanInterface(), owner))
    {
        window_->setObjectName(QStringLiteral("positionWindow"));
        // Queued: the page destroys this window when asked, which must not
        // happen inside the window's own close event.
        QObject::connect(window_, &MapWindow::closeRequested, window_, std::move(closeRequested), Qt::QueuedConnection);
    }
    ~MapPositionWindow() override { delete window_.data(); } // unless its owner went first
    MapPositionWindow(const MapPositionWindow&) = delete;
    MapPositionWindow& operator=(const MapPositionWindow&) = delete;

    void showPosition(double longitude, double latitude) override
    {
        if (window_)
            window_->showPosition(longitude, latitude);
    }
    void place(const QRect& geometry) override
    {
        if (!window_)
            return;
        window_->setGeometry(geometry);
        window_->show();
        window_->raise();
    }

private:
    QPointer<MapWindow> window_;
};

} // namespace

std::unique_ptr<PositionWindow> makeMapPositionWindow(double latitude, double longitude, QWidget* owner,
                                                      std::function<void()> closeRequested)
{
    return std::make_unique<MapPositionWindow>(latitude, longitude, owner, std::move(closeRequested));
}

} // namespace dravonix
