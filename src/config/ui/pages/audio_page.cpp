#include "config/ui/pages/audio_page.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QRadioButton>
#include <QVBoxLayout>

namespace dravonix {

AudioPage::AudioPage(SettingsContext& context, QWidget* parent) : SettingsPage(context, QStringLiteral("audioPage"), parent)
{
    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(10, 10, 10, 10);
    page->setSpacing(8);
    page->addWidget(choiceGroup("microphone", 4, this));

    auto* speaker = new QVBoxLayout;
    speaker->addWidget(choiceRow("speakerVolume", 4, this));
    speaker->addWidget(flagBox("hourlyAlarm", QStringLiteral("Enable Hourly Alarm"), this));
    page->addWidget(groupBox(QStringLiteral("Speaker Settings"), speaker, this));

    // One group over all the template's language buttons; the hidden ones sit apart.
    languages_ = new QButtonGroup(this);
    auto* visible = new QGridLayout;
    auto* hidden = new QVBoxLayout(hiddenArea());
    int shown = 0;
    for (const VoiceLanguageButton& language : voiceLanguageButtons()) {
        const QString name = caption(language.caption);
        auto* button = new QRadioButton(name, language.visible ? this : hiddenArea());
        button->setObjectName(QStringLiteral("voiceLanguage.") + name);
        languages_->addButton(button, language.id);
        if (language.visible) {
            visible->addWidget(button, shown / 4, shown % 4);
            ++shown;
        } else {
            hidden->addWidget(button);
        }
    }
    visible->setColumnStretch(4, 1);
    auto* languageGroup = groupBox(QStringLiteral("Voice Guidance Language Settings"), visible, this);
    languageGroup->setObjectName(QStringLiteral("voiceLanguageGroup"));
    page->addWidget(languageGroup);
    connect(languages_, &QButtonGroup::idClicked, this,
            [this](int id) { config().setVoiceLanguage(voiceLanguageCode(id)); });
    page->addStretch(1);

    showRecord();
}

void AudioPage::showRecord()
{
    SettingsPage::showRecord();
    if (QAbstractButton* button = languages_->button(voiceLanguageButton(config().voiceLanguage())))
        button->setChecked(true);
}

} // namespace dravonix
