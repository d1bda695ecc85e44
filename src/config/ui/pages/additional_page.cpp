#include "config/ui/pages/additional_page.h"

#include "config/page_rules.h"
#include "toolkit/ui/range_slider.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include <algorithm>

namespace dravonix {
namespace {

QString latin1(const std::string& bytes) { return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size())); }

} // namespace

AdditionalPage::AdditionalPage(SettingsContext& context, QWidget* parent)
    : SettingsPage(context, QStringLiteral("additionalPage"), parent)
{
    auto* page = new QGridLayout(this);
    page->setContentsMargins(10, 10, 10, 10);
    page->setHorizontalSpacing(10);
    page->setVerticalSpacing(8);
    page->addWidget(sharesGroup(), 0, 0, 1, 2);
    page->addWidget(choiceGroup("mainsFrequency", 2, this), 1, 0);
    page->addWidget(choiceGroup("autoFormat", 3, this), 1, 1);
    page->addWidget(wifiGroup(), 2, 0, 1, 2);
    page->setRowStretch(3, 1);
    page->setColumnStretch(1, 1);

    buildHidden();
    showRecord();
}

QWidget* AdditionalPage::sharesGroup()
{
    auto* box = new QGroupBox(QStringLiteral("SD Card Capacity"), this);
    box->setObjectName(QStringLiteral("cardSharesGroup"));
    box->setMinimumHeight(96);
    slider_ = new RangeSlider(box);
    slider_->setObjectName(QStringLiteral("cardShares"));
    slider_->setGeometry(40, 30, 380, 27);
    connect(slider_, &RangeSlider::moved, this, &AdditionalPage::sharesMoved);
    connect(slider_, &RangeSlider::released, this,
            [this] { this->context().pageMessage(this, shareReleaseMessage(config())); });
    const char* names[] = {"shareAlwaysLabel", "shareParkingLabel", "shareEventLabel"};
    for (std::size_t i = 0; i < shareLabels_.size(); ++i) {
        shareLabels_[i] = new QLabel(box);
        shareLabels_[i]->setObjectName(QString::fromLatin1(names[i]));
        shareLabels_[i]->setGeometry(40 + static_cast<int>(i) * 130, 62, 125, 22);
    }
    return box;
}

QWidget* AdditionalPage::wifiGroup()
{
    auto* layout = new QGridLayout;
    networkName_ = new QLineEdit(this);
    networkName_->setObjectName(QStringLiteral("wifiName"));
    password_ = new QLineEdit(this);
    password_->setObjectName(QStringLiteral("wifiPassword"));
    for (QLineEdit* edit : {networkName_, password_})
        edit->setMaxLength(15); // the camera keeps a terminator in the 16 bytes
    layout->addWidget(new QLabel(QStringLiteral("SSID :"), this), 0, 0);
    layout->addWidget(networkName_, 0, 1);
    layout->addWidget(new QLabel(QStringLiteral("Password :"), this), 1, 0);
    layout->addWidget(password_, 1, 1);
    layout->addWidget(new QLabel(QStringLiteral("Wi-Fi Channel :"), this), 2, 0);
    auto* channel = choiceList("wifiChannel", this);
    layout->addWidget(channel, 2, 1, Qt::AlignLeft);
    layout->setColumnStretch(2, 1);
    layout->setColumnMinimumWidth(1, 200);
    return groupBox(QStringLiteral("Wi-Fi Settings"), layout, this);
}

void AdditionalPage::buildHidden()
{
    QWidget* area = hiddenArea();
    auto* layout = new QVBoxLayout(area);
    for (const char* field : {"nightExposure", "screenAutoOff", "screenBrightness", "screenSaver", "rearCameraInParking",
                              "parkingNotice", "drivingRecordingLength", "screenNightBrightness"})
        layout->addWidget(choiceGroup(field, 4, area));
    // PIP position: four boxes that keep one tick between them.
    auto* pip = new QHBoxLayout;
    for (std::size_t i = 0; i < pip_.size(); ++i) {
        pip_[i] = new QCheckBox(QString::number(i + 1), area);
        pip_[i]->setObjectName(QStringLiteral("pipPosition.%1").arg(i));
        connect(pip_[i], &QCheckBox::clicked, this, [this, i](bool ticked) {
            config().setPipPosition(pipAfterClick(config().pipPosition(), static_cast<int>(i), !ticked));
            showPip();
        });
        pip->addWidget(pip_[i]);
    }
    layout->addWidget(groupBox(QStringLiteral("PIP Position"), pip, area));
}

void AdditionalPage::showPip()
{
    const std::optional<int> ticked = pipTickedBox(config().pipPosition());
    for (std::size_t i = 0; i < pip_.size(); ++i)
        pip_[i]->setChecked(ticked == static_cast<int>(i));
}

void AdditionalPage::sharesMoved()
{
    applyShares(config(), sharesFromThumbs(slider_->first(), slider_->second()));
    shareLabels_[0]->setText(QString::fromStdString(shareLabel(302, config().shareAlways())));
    shareLabels_[1]->setText(QString::fromStdString(shareLabel(304, config().shareParking())));
    shareLabels_[2]->setText(QString::fromStdString(shareLabel(303, config().shareEvent())));
}

void AdditionalPage::showRecord()
{
    SettingsPage::showRecord();
    const auto always = static_cast<int>(std::min<std::uint64_t>(config().shareAlways(), 100));
    const auto throughParking =
        static_cast<int>(std::min<std::uint64_t>(std::uint64_t{config().shareAlways()} + config().shareParking(), 100));
    slider_->setPositions(always, throughParking);
    // As the slider's own change would: the labels show the split that Save writes.
    sharesMoved();
    networkName_->setText(latin1(config().text(356, 16)));
    password_->setText(latin1(config().text(372, 16)));
    showPip();
}

std::u16string AdditionalPage::networkName() const { return networkName_->text().toStdU16String(); }

std::u16string AdditionalPage::password() const { return password_->text().toStdU16String(); }

} // namespace dravonix
