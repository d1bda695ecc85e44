#include "config/ui/pages/basic_page.h"

#include "toolkit/ui/accelerated_spin_box.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace dravonix {
namespace {

std::size_t slot(ImpactMode mode) { return mode == ImpactMode::Driving ? 0 : 1; }

QString prefix(ImpactMode mode) { return mode == ImpactMode::Driving ? QStringLiteral("driving") : QStringLiteral("parking"); }

QLabel* note(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    return label;
}

} // namespace

BasicPage::BasicPage(SettingsContext& context, QWidget* parent) : SettingsPage(context, QStringLiteral("basicPage"), parent)
{
    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(6, 6, 6, 6);
    page->setSpacing(4);

    page->addWidget(choiceGroup("parkingStandbySeconds", 5, this));

    // The G-sensor switch just above the impact groups, the plate beside it.
    auto* sensorAndPlate = new QHBoxLayout;
    sensor_ = flagBox("impactSensorEnabled", QStringLiteral("Enable G-Sensor"), this, nullptr,
                      [this](std::uint32_t) { applyImpactState(); });
    sensorAndPlate->addWidget(sensor_);
    sensorAndPlate->addStretch(1);
    sensorAndPlate->addWidget(new QLabel(QStringLiteral("License Plate Number :"), this));
    plate_ = new QLineEdit(this);
    plate_->setObjectName(QStringLiteral("plateText"));
    plate_->setMaxLength(8);
    plate_->setFixedWidth(120);
    sensorAndPlate->addWidget(plate_);
    page->addLayout(sensorAndPlate);

    auto* impact = new QHBoxLayout;
    impact->addWidget(impactGroup(ImpactMode::Driving), 1);
    impact->addWidget(impactGroup(ImpactMode::Parking), 1);
    page->addLayout(impact);

    auto* ledsAndLoss = new QHBoxLayout;
    ledsAndLoss->addWidget(choiceGroup("frontLed", 1, this));
    auto* rearLed = new QVBoxLayout;
    RadioRow* rear = choiceRow("rearLedAndExternalTrigger", 1, this);
    for (int external = 2; external < rear->count(); ++external) // the external triggers stay hidden
        rear->button(external)->hide();
    rearLed->addWidget(rear);
    rearLed->addStretch(1);
    ledsAndLoss->addWidget(groupBox(QStringLiteral("Rear LED Settings"), rearLed, this));
    ledsAndLoss->addWidget(choiceGroup("cableVoltageLoss", 4, this), 1);
    page->addLayout(ledsAndLoss);

    page->addWidget(powerGroup());
    page->addStretch(1);

    buildHidden();
    showRecord();
}

QWidget* BasicPage::impactGroup(ImpactMode mode)
{
    ImpactGroup& group = impact_[slot(mode)];
    QStringList captions;
    for (int level = 0; level <= kCustomImpactLevel; ++level)
        captions << caption(impactLevelLabel(level));
    group.levels = new RadioRow(prefix(mode) + QStringLiteral("Level"), captions, 2, this);
    connect(group.levels, &RadioRow::clicked, this, [this, mode](int level) { chooseLevel(mode, level); });

    auto* layout = new QVBoxLayout;
    layout->addWidget(group.levels);
    auto* boxes = new QHBoxLayout;
    boxes->setSpacing(4);
    const QString axes[] = {QStringLiteral("X"), QStringLiteral("Y"), QStringLiteral("Z")};
    for (int axis = 0; axis < 3; ++axis) {
        auto* box = new QLineEdit(this);
        box->setObjectName(prefix(mode) + QStringLiteral("Impact") + axes[axis]);
        box->setMaxLength(32);
        box->setFixedWidth(56);
        group.boxes[static_cast<std::size_t>(axis)] = box;
        boxes->addWidget(new QLabel(axes[axis] + QLatin1Char(':'), this));
        boxes->addWidget(box);
        boxes->addSpacing(6);
    }
    boxes->addStretch(1);
    layout->addLayout(boxes);
    return groupBox(mode == ImpactMode::Driving ? QStringLiteral("[Driving Mode] Impact Sensitivity")
                                                : QStringLiteral("[Parking Mode] Impact Sensitivity"),
                    layout, this);
}

QWidget* BasicPage::powerGroup()
{
    auto* layout = new QGridLayout;
    layout->addWidget(new QLabel(QStringLiteral("- Set Voltage"), this), 0, 0);
    voltage_ = choiceList("cutOffVoltage", this);
    layout->addWidget(voltage_, 0, 1);
    layout->addWidget(new QLabel(QStringLiteral("- Set Timer"), this), 0, 3);
    timer_ = choiceList("cutOffTimer", this);
    layout->addWidget(timer_, 0, 4);
    layout->setColumnMinimumWidth(2, 16);
    layout->setColumnStretch(5, 1);
    layout->addWidget(flagBox("externalPower", QStringLiteral("Use External Power"), this, externalPowerTicked,
                              [this](std::uint32_t value) {
                                  voltage_->setEnabled(!externalPowerTicked(value));
                                  timer_->setEnabled(!externalPowerTicked(value));
                              }),
                      1, 0, 1, 6);
    // The notes in a box layout of their own, which gives wrapped text its height.
    auto* notes = new QVBoxLayout;
    notes->setSpacing(0);
    notes->addWidget(note(QStringLiteral("* Recommended cut-off voltage: summer - 12.1V / winter - 12.3V."), this));
    notes->addWidget(note(QStringLiteral("* When use external power, ACC and B+ wires should be tied up and connected to "
                                         "the B+ of the external power supplier."),
                          this));
    notes->addWidget(note(QStringLiteral("* Voltage set is used as black box input voltage."), this));
    layout->addLayout(notes, 2, 0, 1, 6);
    return groupBox(QStringLiteral("Cut-Off Voltage"), layout, this);
}

void BasicPage::buildHidden()
{
    QWidget* area = hiddenArea();
    auto* layout = new QVBoxLayout(area);
    layout->addWidget(choiceGroup("osdLayout", 4, area));
    layout->addWidget(choiceGroup("videoOutput", 2, area));
    layout->addWidget(flagBox("highTempSafetyMode", QStringLiteral("Enable High-temperature Safety Mode"), area, nullptr,
                              [this](std::uint32_t value) { this->context().pageMessage(this, highTempSafetyMessage(value)); }));
    layout->addWidget(flagBox("standbyDrivingEnabled", QStringLiteral("Stanby time tillDriving Mode"), area));
    // Shown from the record; a click changes nothing.
    recordingMode_ = new RadioRow(QStringLiteral("recordingMode"), {QString(), QString()}, 2, area);
    layout->addWidget(recordingMode_);

    const struct {
        const char* name;
        std::size_t offset;
        SpinRange range;
    } spins[] = {
        {"highTempEntryTemperature", 128, kTemperatureSpin},
        {"highTempEntryDuration", 132, kDurationSpin},
        {"highTempReleaseTemperature", 136, kTemperatureSpin},
        {"highTempReleaseDuration", 140, kDurationSpin},
    };
    for (const auto& spin : spins) {
        const SpinRange range = spin.range;
        auto* box = new AcceleratedSpinBox([range](int held) { return spinStep(range, held); }, area);
        box->setObjectName(QString::fromLatin1(spin.name));
        box->setRange(range.low, range.high);
        layout->addWidget(box);
        spins_.push_back({box, spin.offset, range});
    }
}

void BasicPage::chooseLevel(ImpactMode mode, int level)
{
    chooseImpactLevel(config(), mode, level);
    (mode == ImpactMode::Driving ? context().drivingLevel : context().parkingLevel) = level;
    showThresholds(mode);
    applyImpactState();
}

void BasicPage::showThresholds(ImpactMode mode)
{
    const ImpactTriple triple = impactTriple(config(), mode);
    const std::uint32_t values[] = {triple.x, triple.y, triple.z};
    for (std::size_t axis = 0; axis < 3; ++axis)
        impact_[slot(mode)].boxes[axis]->setText(QString::fromStdString(thresholdText(values[axis])));
}

void BasicPage::applyImpactState()
{
    for (const ImpactMode mode : {ImpactMode::Driving, ImpactMode::Parking}) {
        const int level = mode == ImpactMode::Driving ? context().drivingLevel : context().parkingLevel;
        const ImpactControls state = impactControls(config().impactSensorEnabled(), level);
        ImpactGroup& group = impact_[slot(mode)];
        group.levels->setButtonsEnabled(state.enabled);
        for (QLineEdit* box : group.boxes) {
            box->setEnabled(state.enabled);
            box->setReadOnly(state.readOnly);
        }
    }
}

void BasicPage::showRecord()
{
    SettingsPage::showRecord();
    impact_[0].levels->select(context().drivingLevel);
    impact_[1].levels->select(context().parkingLevel);
    showThresholds(ImpactMode::Driving);
    showThresholds(ImpactMode::Parking);
    applyImpactState();
    const std::string plate = plateShown(config());
    plate_->setText(QString::fromLatin1(plate.data(), static_cast<qsizetype>(plate.size())));
    const bool external = externalPowerTicked(config().externalPower());
    voltage_->setEnabled(!external);
    timer_->setEnabled(!external);
    recordingMode_->select(config().recordingMode() < 2 ? std::optional<int>(static_cast<int>(config().recordingMode()))
                                                        : std::nullopt);
    for (const Spin& spin : spins_)
        spin.box->setValue(spinPositionShown(config().u32(spin.offset), spin.range));
}

std::array<std::u16string, 3> BasicPage::customThresholds(ImpactMode mode) const
{
    std::array<std::u16string, 3> texts;
    for (std::size_t axis = 0; axis < 3; ++axis)
        texts[axis] = impact_[slot(mode)].boxes[axis]->text().toStdU16String();
    return texts;
}

void BasicPage::rewriteThreshold(ImpactMode mode, int axis, const QString& text)
{
    if (QLineEdit* box = thresholdBox(mode, axis))
        box->setText(text);
}

QLineEdit* BasicPage::thresholdBox(ImpactMode mode, int axis) const
{
    return axis >= 0 && axis < 3 ? impact_[slot(mode)].boxes[static_cast<std::size_t>(axis)] : nullptr;
}

RadioRow* BasicPage::levels(ImpactMode mode) const { return impact_[slot(mode)].levels; }

std::u16string BasicPage::plate() const { return plate_->text().toStdU16String(); }

void BasicPage::collect()
{
    for (const Spin& spin : spins_)
        config().setU32(spin.offset, spinValueToStore(config().u32(spin.offset), spin.box->value(), spin.range));
}

} // namespace dravonix
