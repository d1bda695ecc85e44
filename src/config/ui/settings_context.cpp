#include "config/ui/settings_context.h"

#include "toolkit/ui/ui_text.h"

namespace dravonix {

void SettingsContext::pageMessage(QWidget* page, int stringId) const
{
    present(page, {QMessageBox::Warning, QString(), uiString(stringId)});
}

void SettingsContext::deriveLevels()
{
    drivingLevel = impactLevelOf(config, ImpactMode::Driving);
    parkingLevel = impactLevelOf(config, ImpactMode::Parking);
}

} // namespace dravonix
