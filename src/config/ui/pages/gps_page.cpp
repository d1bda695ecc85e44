#include "config/ui/pages/gps_page.h"

#include "config/settings_rules.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace dravonix {

GpsPage::GpsPage(SettingsContext& context, QWidget* parent) : SettingsPage(context, QStringLiteral("gpsPage"), parent)
{
    auto* page = new QGridLayout(this);
    page->setContentsMargins(10, 10, 10, 10);
    page->setHorizontalSpacing(10);
    page->setVerticalSpacing(8);
    page->addWidget(choiceGroup("weeklyAlarmDay", 8, this), 0, 0, 1, 2);
    page->addWidget(choiceGroup("speedUnit", 2, this, [this](std::uint32_t unit) { emit speedUnitChanged(unit); }), 1, 0);

    auto* zone = new QHBoxLayout;
    zone->addWidget(new QLabel(QStringLiteral("GMT"), this));
    zone->addWidget(choiceList("timeZone", this));
    zone->addSpacing(12);
    zone->addWidget(flagBox("summerTime", QStringLiteral("Summer Time"), this));
    zone->addStretch(1);
    page->addWidget(groupBox(QStringLiteral("Time Zone Settings"), zone, this), 1, 1);

    auto* osd = new QVBoxLayout;
    osd->addWidget(choiceRow("speedOnVideo", 2, this));
    auto* osdNote = new QLabel(QStringLiteral("* Displays 'GPS' on the video when 'Off'"), this);
    osdNote->setWordWrap(true);
    osd->addWidget(osdNote);
    page->addWidget(groupBox(QStringLiteral("GPS Speed Display(OSD)"), osd, this), 2, 0);
    page->addWidget(choiceGroup("gpsInParking", 2, this), 2, 1);
    page->addWidget(choiceGroup("routeSavingInterval", 8, this), 3, 0, 1, 2);
    page->addWidget(new QLabel(QStringLiteral("* GPS function is available only from with-GPS models !!!"), this), 4, 0, 1, 2);
    page->setRowStretch(5, 1);
    page->setColumnStretch(0, 1);
    page->setColumnStretch(1, 1);

    showRecord();
}

void GpsPage::showRecord()
{
    normaliseGpsInParking(config());
    SettingsPage::showRecord();
}

} // namespace dravonix
