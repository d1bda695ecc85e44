#pragma once
// "Video": quality, brightness, mirroring and night vision of the two
// cameras; sharpness, rear frame rate, tints and WDR are kept hidden.

#include "config/ui/settings_page.h"

namespace dravonix {

class VideoPage : public SettingsPage {
    Q_OBJECT
public:
    VideoPage(SettingsContext& context, QWidget* parent = nullptr);
    void showRecord() override;

private:
    RadioRow* rearFrameRate_ = nullptr;
};

} // namespace dravonix
