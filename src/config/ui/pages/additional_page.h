#pragma once
// "Additional": the card split between always-on, parking and event
// recording (a two-thumb slider), the mains frequency, automatic formatting
// and the camera's Wi-Fi access point. Save reads the network name and the
// password from here.

#include "config/ui/settings_page.h"

#include <array>
#include <string>

class QCheckBox;
class QLabel;
class QLineEdit;

namespace dravonix {

class RangeSlider;

class AdditionalPage : public SettingsPage {
    Q_OBJECT
public:
    AdditionalPage(SettingsContext& context, QWidget* parent = nullptr);
    void showRecord() override;

    std::u16string networkName() const;
    std::u16string password() const;
    RangeSlider* shareSlider() const { return slider_; }

private:
    QWidget* sharesGroup();
    QWidget* wifiGroup();
    void buildHidden();
    void sharesMoved();
    void showPip();

    RangeSlider* slider_ = nullptr;
    std::array<QLabel*, 3> shareLabels_{}; // always, park, event
    QLineEdit* networkName_ = nullptr;
    QLineEdit* password_ = nullptr;
    std::array<QCheckBox*, 4> pip_{};
};

} // namespace dravonix
