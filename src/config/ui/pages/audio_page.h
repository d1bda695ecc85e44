#pragma once
// "Audio": microphone and speaker levels, the hourly alarm and the voice
// guidance language. The language buttons store the camera's code for the
// languages it has one for, and English's code for the others.

#include "config/ui/settings_page.h"

class QButtonGroup;

namespace dravonix {

class AudioPage : public SettingsPage {
    Q_OBJECT
public:
    AudioPage(SettingsContext& context, QWidget* parent = nullptr);
    void showRecord() override;

private:
    QButtonGroup* languages_ = nullptr;
};

} // namespace dravonix
