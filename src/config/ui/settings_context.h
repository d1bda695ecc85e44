#pragma once
// What the settings dialog shares with its pages: the record that every page
// edits in place, the two impact levels chosen on the Basic page, and the way
// messages reach the user (a message box; tests record them instead).

#include "config/device_config.h"
#include "config/settings_rules.h"
#include "toolkit/ui/message.h"

namespace dravonix {

struct SettingsContext {
    DeviceConfig config;
    int drivingLevel = 2;
    int parkingLevel = 4;
    MessagePresenter present = showMessageBox;

    // A page's message: the exclamation icon and the page's empty caption.
    void pageMessage(QWidget* page, int stringId) const;
    // The impact levels as the record holds them.
    void deriveLevels();
};

} // namespace dravonix
