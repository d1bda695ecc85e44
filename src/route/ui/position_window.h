#pragma once
// The window the Information page shows a record's position in. The page
// talks to it through this interface; the real one is the map's position
// window, tests record the calls.

#include <QRect>

#include <functional>
#include <memory>

class QWidget;

namespace dravonix {

class PositionWindow {
public:
    virtual ~PositionWindow() = default;
    // Signed degree-minutes (ddmm.mmmm), longitude first as the map takes it.
    virtual void showPosition(double longitude, double latitude) = 0;
    // Moves and sizes the window, raises it and shows it.
    virtual void place(const QRect& geometry) = 0;
};

// Makes a window showing (latitude, longitude), owned by `owner`;
// `closeRequested` runs when the user asks to close it.
using PositionWindowFactory = std::function<std::unique_ptr<PositionWindow>(
    double latitude, double longitude, QWidget* owner, std::function<void()> closeRequested)>;

// The map's position window.
std::unique_ptr<PositionWindow> makeMapPositionWindow(double latitude, double longitude, QWidget* owner,
                                                      std::function<void()> closeRequested);

} // namespace dravonix
