#include "config/ui/pages/adas_page.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>

namespace dravonix {

AdasPage::AdasPage(SettingsContext& context, QWidget* parent) : SettingsPage(context, QStringLiteral("adasPage"), parent)
{
    auto* page = new QGridLayout(this);
    page->setContentsMargins(10, 10, 10, 10);
    page->setHorizontalSpacing(10);
    page->setVerticalSpacing(8);
    page->addWidget(choiceGroup("vehicleType", 3, this), 0, 0, 1, 2);

    auto* ldws = new QHBoxLayout;
    ldws->addWidget(choiceList("ldwsSpeed", this));
    ldws->addStretch(1);
    page->addWidget(groupBox(QStringLiteral("LDWS Speed"), ldws, this), 1, 0);
    page->addWidget(choiceGroup("ldwsSensitivity", 3, this), 1, 1);
    page->addWidget(choiceGroup("fcwsSpeed", 3, this), 2, 0);
    page->addWidget(choiceGroup("fcwsSensitivity", 3, this), 2, 1);
    page->addWidget(choiceGroup("fvsa", 2, this), 3, 0);
    page->addWidget(choiceGroup("fvsaSensitivity", 3, this), 3, 1);
    page->setRowStretch(4, 1);
    page->setColumnStretch(0, 1);
    page->setColumnStretch(1, 1);

    showRecord();
}

void AdasPage::speedUnitChanged()
{
    showField("ldwsSpeed");
    showField("fcwsSpeed");
}

} // namespace dravonix
