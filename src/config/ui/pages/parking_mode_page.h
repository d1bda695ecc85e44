#pragma once
// "Parking Mode": motion detection or time-lapse while parked, the motion
// sensitivity of each camera and the cells of each picture in which motion
// counts. Save collects the two area masks from here.

#include "config/ui/settings_page.h"

#include <array>

class QCheckBox;

namespace dravonix {

class ParkingModePage : public SettingsPage {
    Q_OBJECT
public:
    ParkingModePage(SettingsContext& context, QWidget* parent = nullptr);
    void showRecord() override;
    // Stores the two area masks (Save).
    void collect();

    QCheckBox* areaBox(bool front, int row, int column) const;

private:
    using Cells = std::array<QCheckBox*, 12>;
    QWidget* areaPicture(bool front);
    void showMask(Cells& cells, std::uint32_t mask);
    static std::uint32_t maskOf(const Cells& cells);
    void enableSensitivity(bool enabled);

    RadioRow* recording_ = nullptr;
    RadioRow* frontSensitivity_ = nullptr;
    RadioRow* rearSensitivity_ = nullptr;
    Cells front_{};
    Cells rear_{};
    bool opened_ = false;
};

} // namespace dravonix
