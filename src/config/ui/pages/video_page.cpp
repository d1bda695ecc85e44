#include "config/ui/pages/video_page.h"

#include "config/page_rules.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QVBoxLayout>

namespace dravonix {

VideoPage::VideoPage(SettingsContext& context, QWidget* parent) : SettingsPage(context, QStringLiteral("videoPage"), parent)
{
    // Every click on a quality button warns, also on the one already chosen.
    const AfterStore qualityWarning = [this](std::uint32_t) { this->context().pageMessage(this, 361); };

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(10, 10, 10, 10);
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(8);
    grid->addWidget(choiceGroup("frontVideoQuality", 3, this, qualityWarning), 0, 0);
    grid->addWidget(choiceGroup("rearVideoQuality", 3, this, qualityWarning), 0, 1);
    grid->addWidget(choiceGroup("frontBrightness", 5, this), 1, 0);
    grid->addWidget(choiceGroup("rearBrightness", 5, this), 1, 1);
    grid->addWidget(choiceGroup("rearMirrored", 2, this), 2, 0);
    grid->addWidget(choiceGroup("nightVision", 2, this), 2, 1);
    grid->setRowStretch(3, 1);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 1);

    auto* hidden = new QVBoxLayout(hiddenArea());
    for (const char* field : {"frontSharpness", "rearSharpness", "frontFilterTint", "rearTint", "wdr"})
        hidden->addWidget(choiceGroup(field, 5, hiddenArea()));
    auto* rate = new QVBoxLayout;
    rearFrameRate_ = choiceRow("rearFrameRate", 3, hiddenArea());
    rate->addWidget(rearFrameRate_);
    hidden->addWidget(groupBox(QStringLiteral("Rear View Frame Rate"), rate, hiddenArea()));

    showRecord();
}

void VideoPage::showRecord()
{
    SettingsPage::showRecord();
    // The first rate follows the mains frequency as it was when the page showed the record.
    rearFrameRate_->setCaption(0, QString::fromStdString(rearFrameRateCaption(config().mainsFrequency())));
}

} // namespace dravonix
