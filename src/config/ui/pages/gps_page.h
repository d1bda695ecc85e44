#pragma once
// "GPS": weekly alarm, speed unit, time zone and summer time, the speed shown
// on the video, the route saving interval and GPS in parking mode. A change
// of the speed unit is announced so that the ADAS page refills its speeds.

#include "config/ui/settings_page.h"

namespace dravonix {

class GpsPage : public SettingsPage {
    Q_OBJECT
public:
    GpsPage(SettingsContext& context, QWidget* parent = nullptr);
    void showRecord() override;

signals:
    void speedUnitChanged(std::uint32_t unit);
};

} // namespace dravonix
