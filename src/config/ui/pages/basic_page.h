#pragma once
// "Basic": standby time, the two impact sensor groups with their custom
// thresholds, the LEDs, the licence plate, the cut-off voltage with its
// timer and the external power option, and the cable voltage loss. Save
// reads the custom thresholds and the plate from here, and collects the
// hidden high-temperature spin controls.

#include "config/page_rules.h"
#include "config/ui/settings_page.h"

#include <array>
#include <string>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QSpinBox;

namespace dravonix {

class BasicPage : public SettingsPage {
    Q_OBJECT
public:
    BasicPage(SettingsContext& context, QWidget* parent = nullptr);
    void showRecord() override;

    // What Save reads and writes back.
    std::array<std::u16string, 3> customThresholds(ImpactMode mode) const;
    void rewriteThreshold(ImpactMode mode, int axis, const QString& text);
    std::u16string plate() const;
    // Stores the four high-temperature values (Save).
    void collect();

    QLineEdit* thresholdBox(ImpactMode mode, int axis) const;
    RadioRow* levels(ImpactMode mode) const;

private:
    struct ImpactGroup {
        RadioRow* levels = nullptr;
        std::array<QLineEdit*, 3> boxes{};
    };
    struct Spin {
        QSpinBox* box;
        std::size_t offset;
        SpinRange range;
    };
    QWidget* impactGroup(ImpactMode mode);
    void chooseLevel(ImpactMode mode, int level);
    void showThresholds(ImpactMode mode);
    void applyImpactState();
    QWidget* powerGroup();
    void buildHidden();

    std::array<ImpactGroup, 2> impact_;
    QCheckBox* sensor_ = nullptr;
    QLineEdit* plate_ = nullptr;
    QComboBox* voltage_ = nullptr;
    QComboBox* timer_ = nullptr;
    RadioRow* recordingMode_ = nullptr;
    std::vector<Spin> spins_;
};

} // namespace dravonix
