#pragma once
// "ADAS": vehicle type and the lane departure, forward collision and front
// vehicle start warnings. The speed choices follow the speed unit; a stored
// speed is never converted, only read against the unit's table.

#include "config/ui/settings_page.h"

class QComboBox;

namespace dravonix {

class AdasPage : public SettingsPage {
    Q_OBJECT
public:
    AdasPage(SettingsContext& context, QWidget* parent = nullptr);

    // The GPS page changed the unit (already stored in the record).
    void speedUnitChanged();
};

} // namespace dravonix
