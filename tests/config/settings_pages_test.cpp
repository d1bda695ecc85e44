// The pages of the settings dialog over a card folder: records in, selected
// buttons and texts out; clicks in, stored values out.
#include "config/settings_rules.h"
#include "config/ui/pages/adas_page.h"
#include "settings_card.h"
#include "toolkit/range_slider_model.h"
#include "toolkit/ui/range_slider.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>

using namespace dravonix;
using dravonix::testing::SettingsCard;

namespace {

QString comboText(const SettingsCard& card, const char* name)
{
    const auto* list = card.find<QComboBox>(QString::fromLatin1(name));
    return list == nullptr ? QStringLiteral("<no list>") : (list->currentIndex() < 0 ? QStringLiteral("<none>") : list->currentText());
}

QString editText(const SettingsCard& card, const char* name)
{
    const auto* edit = card.find<QLineEdit>(QString::fromLatin1(name));
    return edit == nullptr ? QStringLiteral("<no box>") : edit->text();
}

} // namespace

TEST(SettingsPages, ShowTheCardsRecordExactly)
{
    // Each row: what the card holds, and the one button of a group that shows
    // it ("" = no button of that group selected).
    const struct {
        std::function<void(DeviceConfig&)> record;
        const char* group;
        const char* selected;
    } rows[] = {
        {[](DeviceConfig& c) { c.setFrontVideoQuality(1); }, "frontVideoQuality", "frontVideoQuality.1"},
        {[](DeviceConfig& c) { c.setFrontVideoQuality(3); }, "frontVideoQuality", ""},
        {[](DeviceConfig& c) { c.setRearBrightness(4); }, "rearBrightness", "rearBrightness.4"},
        {[](DeviceConfig& c) { c.setParkingStandbySeconds(300); }, "parkingStandbySeconds", "parkingStandbySeconds.6"},
        {[](DeviceConfig& c) { c.setParkingStandbySeconds(45); }, "parkingStandbySeconds", ""},
        {[](DeviceConfig& c) { c.setSpeedOnVideo(5); }, "speedOnVideo", "speedOnVideo.0"},
        {[](DeviceConfig& c) { c.setSpeedOnVideo(0); }, "speedOnVideo", "speedOnVideo.1"},
        {[](DeviceConfig& c) { c.setGpsInParking(1); }, "gpsInParking", "gpsInParking.0"},
        {[](DeviceConfig& c) { c.setWeeklyAlarmDay(7); }, "weeklyAlarmDay", "weeklyAlarmDay.7"},
        {[](DeviceConfig& c) { c.setScreenSaver(1); }, "screenSaver", "screenSaver.0"},
        {[](DeviceConfig& c) { c.setScreenSaver(0); }, "screenSaver", "screenSaver.1"},
        {[](DeviceConfig& c) { c.setParkingNotice(0); }, "parkingNotice", "parkingNotice.1"},
        {[](DeviceConfig& c) { c.setNightExposure(9); }, "nightExposure", "nightExposure.1"},
        {[](DeviceConfig& c) { c.setCableVoltageLoss(0); }, "cableVoltageLoss", "cableVoltageLoss.3"},
        {[](DeviceConfig& c) { c.setCableVoltageLoss(2); }, "cableVoltageLoss", "cableVoltageLoss.1"},
        {[](DeviceConfig& c) { c.setRearLedAndExternalTrigger(3); }, "rearLedAndExternalTrigger", "rearLedAndExternalTrigger.3"},
        {[](DeviceConfig& c) { c.setAutoFormat(4); }, "autoFormat", "autoFormat.4"},
        {[](DeviceConfig& c) { c.setFcwsSpeed(90); }, "fcwsSpeed", "fcwsSpeed.4"},
        {[](DeviceConfig& c) { c.setFcwsSpeed(65); }, "fcwsSpeed", "fcwsSpeed.1"},
        {[](DeviceConfig& c) { c.setFvsaSensitivity(0); }, "fvsaSensitivity", "fvsaSensitivity.0"},
        {[](DeviceConfig& c) { c.setRearMotionSensitivity(0); }, "rearMotionSensitivity", "rearMotionSensitivity.0"},
        {[](DeviceConfig& c) { c.setMicrophone(1); }, "microphone", "microphone.1"},
        {[](DeviceConfig& c) { c.setOsdLayout(3); }, "osdLayout", "osdLayout.3"},
        {[](DeviceConfig& c) { c.setRecordingMode(1); }, "recordingMode", "recordingMode.1"},
        {[](DeviceConfig& c) { c.setDrivingImpactZ(44); }, "drivingLevel", "drivingLevel.5"},
        {[](DeviceConfig& c) { chooseImpactLevel(c, ImpactMode::Parking, 0); }, "parkingLevel", "parkingLevel.0"},
    };
    for (const auto& row : rows) {
        SettingsCard card;
        DeviceConfig record;
        row.record(record);
        card.write(record);
        card.open();
        const QStringList expected = *row.selected ? QStringList{QString::fromLatin1(row.selected)} : QStringList{};
        EXPECT_EQ(card.checkedIn(QString::fromLatin1(row.group)), expected) << row.group;
    }
}

TEST(SettingsPages, ShowListsTextsAndBoxes)
{
    SettingsCard card;
    DeviceConfig record;
    record.setTimeZone(14);
    record.setCutOffVoltage(13000); // unlisted: shows 12.0 V and stays
    record.setCutOffTimer(20);
    record.setWifiChannel(11);
    record.setWifiName("Car-Cam 7");
    record.setWifiPassword("pa55word!");
    record.setPlateText("");
    record.setPlateNumber(42);
    record.setDrivingImpactX(50);
    record.setDrivingImpactY(45);
    record.setDrivingImpactZ(44);
    record.setShareAlways(40);
    record.setShareParking(25);
    record.setShareEvent(35);
    record.setMainsFrequency(1);
    record.setHighTempEntryTemperature(static_cast<std::uint32_t>(-30));
    record.setVoiceLanguage(2);
    record.setExternalPower(1);
    card.write(record);
    card.open();

    EXPECT_EQ(comboText(card, "timeZone"), " 00:00");
    EXPECT_EQ(comboText(card, "cutOffVoltage"), "   12.0v / 24.0v");
    EXPECT_EQ(comboText(card, "cutOffTimer"), " Not Use");
    EXPECT_EQ(comboText(card, "wifiChannel"), "   11");
    EXPECT_EQ(editText(card, "wifiName"), "Car-Cam 7");
    EXPECT_EQ(editText(card, "wifiPassword"), "pa55word!");
    EXPECT_EQ(editText(card, "plateText"), "0042");
    EXPECT_EQ(editText(card, "drivingImpactX"), "0.50");
    EXPECT_EQ(editText(card, "drivingImpactZ"), "0.44");
    EXPECT_FALSE(card.find<QLineEdit>("drivingImpactZ")->isReadOnly()); // custom: writable
    EXPECT_TRUE(card.find<QLineEdit>("parkingImpactX")->isReadOnly());
    EXPECT_EQ(editText(card, "parkingImpactX"), "0.08");
    EXPECT_EQ(card.find<QLabel>("shareAlwaysLabel")->text(), "Always :   40%");
    EXPECT_EQ(card.find<QLabel>("shareParkingLabel")->text(), "Park :   25%");
    EXPECT_EQ(card.find<QLabel>("shareEventLabel")->text(), "Event :   35%");
    EXPECT_EQ(card.find<RangeSlider>("cardShares")->first(), 40);
    EXPECT_EQ(card.find<RangeSlider>("cardShares")->second(), 65);
    EXPECT_EQ(card.find("rearFrameRate.0")->text(), "25fps");
    EXPECT_EQ(card.find<QSpinBox>("highTempEntryTemperature")->value(), -30);
    EXPECT_TRUE(card.checked("voiceLanguage.English"));
    EXPECT_TRUE(card.checked("externalPower"));
    EXPECT_FALSE(card.find<QComboBox>("cutOffVoltage")->isEnabled());
    EXPECT_FALSE(card.find<QComboBox>("cutOffTimer")->isEnabled());
    // Hidden controls exist with the record in them, and stay hidden.
    const auto* basic = card.find<QWidget>("basicPage");
    EXPECT_FALSE(card.find("highTempSafetyMode")->isVisibleTo(basic));
    EXPECT_FALSE(card.find("rearLedAndExternalTrigger.2")->isVisibleTo(basic));
    EXPECT_TRUE(card.find("rearLedAndExternalTrigger.1")->isVisibleTo(basic));
    EXPECT_FALSE(card.find("voiceLanguage.French")->isVisibleTo(card.find<QWidget>("audioPage")));
    EXPECT_TRUE(card.find("voiceLanguage.Cantonese")->isVisibleTo(card.find<QWidget>("audioPage")));
}

TEST(SettingsPages, ClicksStoreTheirValuesAtOnce)
{
    SettingsCard card;
    card.write(DeviceConfig());
    const SettingsDialog& dialog = card.open();
    const DeviceConfig& c = dialog.config();

    card.click("parkingStandbySeconds.7");
    EXPECT_EQ(c.parkingStandbySeconds(), 420u);
    card.click("cableVoltageLoss.0");
    EXPECT_EQ(c.cableVoltageLoss(), 1u);
    card.click("speedOnVideo.1");
    EXPECT_EQ(c.speedOnVideo(), 0u);
    card.click("screenSaver.2");
    EXPECT_EQ(c.screenSaver(), 2u);
    card.click("parkingNotice.1");
    EXPECT_EQ(c.parkingNotice(), 0u);
    card.click("routeSavingInterval.3");
    EXPECT_EQ(c.routeSavingInterval(), 3u);
    card.click("rearMirrored.1");
    EXPECT_EQ(c.rearMirrored(), 1u);
    card.click("voiceLanguage.Japanese");
    EXPECT_EQ(c.voiceLanguage(), 1u); // no code of its own
    card.click("voiceLanguage.Russian");
    EXPECT_EQ(c.voiceLanguage(), 17u);
    card.click("vehicleType.2");
    EXPECT_EQ(c.vehicleType(), 2);

    // Manual check boxes flip their field and follow it.
    card.click("summerTime");
    EXPECT_EQ(c.summerTime(), 1u);
    EXPECT_TRUE(card.checked("summerTime"));
    card.click("hourlyAlarm");
    EXPECT_EQ(c.hourlyAlarm(), 0u);
    EXPECT_FALSE(card.checked("hourlyAlarm"));

    // Lists store the entry's value.
    auto* voltage = card.find<QComboBox>("cutOffVoltage");
    emit voltage->activated(2);
    EXPECT_EQ(c.cutOffVoltage(), 11800u);
    emit card.find<QComboBox>("cutOffTimer")->activated(5);
    EXPECT_EQ(c.cutOffTimer(), 48u);
    emit card.find<QComboBox>("timeZone")->activated(33);
    EXPECT_EQ(c.timeZone(), 33u);
    emit card.find<QComboBox>("wifiChannel")->activated(13);
    EXPECT_EQ(c.wifiChannel(), 13u);

    // External power: the lists go grey and keep their values.
    card.click("externalPower");
    EXPECT_EQ(c.externalPower(), 1u);
    EXPECT_FALSE(voltage->isEnabled());
    EXPECT_EQ(c.cutOffVoltage(), 11800u);
    card.click("externalPower");
    EXPECT_TRUE(voltage->isEnabled());

    // PIP boxes keep one tick; a click on the ticked box changes nothing.
    card.click("pipPosition.2");
    EXPECT_EQ(c.pipPosition(), 2u);
    EXPECT_FALSE(card.checked("pipPosition.0"));
    EXPECT_TRUE(card.checked("pipPosition.2"));
    card.click("pipPosition.2");
    EXPECT_EQ(c.pipPosition(), 2u);
    EXPECT_TRUE(card.checked("pipPosition.2"));
    EXPECT_TRUE(card.messages.empty());
}

TEST(SettingsPages, PageMessagesCarryTheExclamationAndAnEmptyCaption)
{
    SettingsCard card;
    card.write(DeviceConfig());
    card.open();
    card.click("frontVideoQuality.2"); // also when clicked again on the selected one
    card.click("rearVideoQuality.0");
    ASSERT_EQ(card.messages.size(), 2u);
    for (const auto& shown : card.messages) {
        EXPECT_EQ(shown.message.icon, QMessageBox::Warning);
        EXPECT_EQ(shown.message.caption, QString());
        EXPECT_EQ(shown.message.text, "Changing video quality will format the microSD card,\nand all data on the card will be "
                                      "deleted.\nPlease back up all important data before changing the setting.");
        EXPECT_EQ(shown.parent->objectName(), "videoPage");
    }
    EXPECT_EQ(card.dialog().config().rearVideoQuality(), 0u);

    card.click("highTempSafetyMode"); // hidden, default on: turns off
    EXPECT_EQ(card.dialog().config().highTempSafetyMode(), 0u);
    EXPECT_EQ(card.lastMessage(), "Dravonix recommands using this mode for a protection of the device.");
    card.click("highTempSafetyMode");
    EXPECT_EQ(card.lastMessage(),
              "It temporarily stops recording when the temperature of the device reaches 70 degree.");
}

TEST(SettingsPages, ImpactLevelsAndTheSensorSwitch)
{
    SettingsCard card;
    card.write(DeviceConfig());
    const SettingsDialog& dialog = card.open();
    card.click("drivingLevel.3");
    EXPECT_EQ(impactTriple(dialog.config(), ImpactMode::Driving), (ImpactTriple{40, 35, 35}));
    EXPECT_EQ(editText(card, "drivingImpactX"), "0.40");
    EXPECT_EQ(editText(card, "drivingImpactY"), "0.35");
    EXPECT_TRUE(card.find<QLineEdit>("drivingImpactY")->isReadOnly());
    card.click("drivingLevel.5");
    EXPECT_EQ(dialog.context().drivingLevel, 5);
    EXPECT_EQ(impactTriple(dialog.config(), ImpactMode::Driving), (ImpactTriple{40, 35, 35})); // kept
    EXPECT_FALSE(card.find<QLineEdit>("drivingImpactY")->isReadOnly());
    card.click("parkingLevel.1");
    EXPECT_EQ(impactTriple(dialog.config(), ImpactMode::Parking), (ImpactTriple{20, 20, 20}));

    card.click("impactSensorEnabled"); // off: every level radio and box greys out, "Customize" too
    EXPECT_EQ(dialog.config().impactSensorEnabled(), 0u);
    for (const char* name : {"drivingLevel.0", "drivingLevel.5", "parkingLevel.5"})
        EXPECT_FALSE(card.find(name)->isEnabled()) << name;
    EXPECT_FALSE(card.find<QLineEdit>("drivingImpactX")->isEnabled());
    EXPECT_FALSE(card.click("drivingLevel.0") && dialog.context().drivingLevel == 0); // a disabled radio does nothing
    card.click("impactSensorEnabled");
    EXPECT_TRUE(card.find("parkingLevel.5")->isEnabled());
    EXPECT_FALSE(card.find<QLineEdit>("drivingImpactX")->isReadOnly()); // still custom
    EXPECT_TRUE(card.find<QLineEdit>("parkingImpactX")->isReadOnly());
}

TEST(SettingsPages, AdasSpeedsFollowTheUnitWithoutChangingTheBytes)
{
    SettingsCard card;
    DeviceConfig record;
    record.setFcwsSpeed(70);
    record.setLdwsSpeed(35);
    card.write(record);
    const SettingsDialog& dialog = card.open();
    EXPECT_EQ(comboText(card, "ldwsSpeed"), "           30km/h"); // 35 is in no table: the first speed
    EXPECT_EQ(card.checkedIn("fcwsSpeed"), QStringList{"fcwsSpeed.3"});
    EXPECT_EQ(card.find("fcwsSpeed.3")->text(), "70Km/h");

    card.click("speedUnit.1");
    EXPECT_EQ(dialog.config().speedUnit(), 1u);
    EXPECT_EQ(card.find("fcwsSpeed.1")->text(), "20Mi/h");
    EXPECT_EQ(card.find("fcwsSpeed.4")->text(), "55Mi/h");
    EXPECT_EQ(card.checkedIn("fcwsSpeed"), QStringList{"fcwsSpeed.1"}); // 70 has no mph entry
    EXPECT_EQ(dialog.config().fcwsSpeed(), 70);
    EXPECT_EQ(comboText(card, "ldwsSpeed"), "           20Mi/h");
    EXPECT_EQ(card.find<QComboBox>("ldwsSpeed")->count(), 9);
    EXPECT_EQ(card.find<QComboBox>("ldwsSpeed")->itemText(0), "          Not Use");
    EXPECT_EQ(dialog.config().ldwsSpeed(), 35);

    card.click("fcwsSpeed.2");
    EXPECT_EQ(dialog.config().fcwsSpeed(), 30); // the mph table's entry
    emit card.find<QComboBox>("ldwsSpeed")->activated(6);
    EXPECT_EQ(dialog.config().ldwsSpeed(), 50);
    card.click("speedUnit.0");
    EXPECT_EQ(card.checkedIn("fcwsSpeed"), QStringList{"fcwsSpeed.1"}); // 30 km/h
    EXPECT_EQ(card.find("fcwsSpeed.1")->text(), "30Km/h");
    EXPECT_EQ(comboText(card, "ldwsSpeed"), "           50km/h");
}

TEST(SettingsPages, ParkingModeSettlesTimeLapseAgainstNightVision)
{
    {
        SettingsCard card;
        DeviceConfig record;
        record.setParkingRecording(1);
        record.setNightVision(1);
        card.write(record);
        const SettingsDialog& dialog = card.open();
        EXPECT_EQ(dialog.config().nightVision(), 0u);
        EXPECT_EQ(card.checkedIn("parkingRecording"), QStringList{"parkingRecording.1"});
        // The Video page shows what Save will write.
        EXPECT_EQ(card.checkedIn("nightVision"), QStringList{"nightVision.0"});
        EXPECT_FALSE(card.find("frontMotionSensitivity.3")->isEnabled());
        card.click("parkingRecording.0");
        EXPECT_EQ(dialog.config().parkingRecording(), 0u);
        EXPECT_TRUE(card.find("frontMotionSensitivity.3")->isEnabled());
        EXPECT_TRUE(card.find("rearMotionSensitivity.0")->isEnabled());
    }
    {
        SettingsCard card;
        DeviceConfig record;
        record.setNightVision(1);
        card.write(record);
        const SettingsDialog& dialog = card.open();
        EXPECT_TRUE(card.checkedIn("parkingRecording").isEmpty());
        EXPECT_FALSE(card.find("rearMotionSensitivity.2")->isEnabled());
        EXPECT_EQ(dialog.config().nightVision(), 1u);
        card.click("parkingRecording.1");
        EXPECT_EQ(dialog.config().parkingRecording(), 1u);
        EXPECT_FALSE(card.find("rearMotionSensitivity.2")->isEnabled());
    }
}

TEST(SettingsPages, MotionAreasRoundTripAndTheFrontBottomRowStaysAsRead)
{
    SettingsCard card;
    DeviceConfig record;
    record.setFrontMotionArea(0xFFF);
    record.setRearMotionArea(0x00A);
    card.write(record);
    SettingsDialog& dialog = card.open();
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 4; ++col) {
            const QString name = QStringLiteral("frontMotionArea.%1.%2").arg(row).arg(col);
            EXPECT_TRUE(card.checked(name)) << name.toStdString();
            EXPECT_EQ(card.find(name)->isEnabled(), row != 2) << name.toStdString();
        }
    EXPECT_TRUE(card.checked("rearMotionArea.2.1"));
    EXPECT_TRUE(card.checked("rearMotionArea.2.3"));
    EXPECT_FALSE(card.checked("rearMotionArea.1.1"));
    card.click("frontMotionArea.2.0"); // disabled: nothing happens
    card.click("rearMotionArea.0.0");
    EXPECT_EQ(dialog.save(), SettingsDialog::SaveResult::Saved);
    EXPECT_EQ(card.saved().frontMotionArea(), 0xFFFu);
    EXPECT_EQ(card.saved().rearMotionArea(), 0x10Au);
}

TEST(SettingsPages, CardSharesFollowTheThumbsAndReleasesWarn)
{
    SettingsCard card;
    card.write(DeviceConfig()); // 70 / 10 / 20
    SettingsDialog& dialog = card.open();
    auto* slider = card.find<RangeSlider>("cardShares");
    ASSERT_NE(slider, nullptr);
    EXPECT_EQ(slider->first(), 70);
    EXPECT_EQ(slider->second(), 90);
    const auto x = [&](int value) { return RangeSliderModel::centreForValue(value, slider->width()); };
    const int y = slider->height() / 2;

    // The second thumb from 90 to 95: parking +5, event -5, always stays; the release warns about 5%.
    QTest::mousePress(slider, Qt::LeftButton, {}, QPoint(x(90), y));
    QTest::mouseMove(slider, QPoint(x(95), y));
    EXPECT_EQ(dialog.config().shareParking(), 25u);
    EXPECT_EQ(dialog.config().shareEvent(), 5u);
    EXPECT_EQ(dialog.config().shareAlways(), 70u);
    EXPECT_EQ(card.find<QLabel>("shareEventLabel")->text(), "Event :    5%");
    EXPECT_TRUE(card.messages.empty()); // nothing while dragging
    QTest::mouseRelease(slider, Qt::LeftButton, {}, QPoint(x(95), y));
    ASSERT_EQ(card.messages.size(), 1u);
    EXPECT_EQ(card.lastMessage(), "Each recording mode must be set to minimum 5% or more");
    EXPECT_EQ(card.messages.back().message.caption, QString());

    // A share of 5 percent is refused at Save, and the card keeps its file.
    const QByteArray before = card.bytes();
    EXPECT_EQ(dialog.save(), SettingsDialog::SaveResult::Refused);
    EXPECT_EQ(card.lastMessage(), "Each recording mode must be set to minimum 5% or more");
    EXPECT_EQ(card.bytes(), before);

    // Back to a valid split: every valid release says the card must be formatted.
    QTest::mousePress(slider, Qt::LeftButton, {}, QPoint(x(95), y));
    QTest::mouseRelease(slider, Qt::LeftButton, {}, QPoint(x(80), y));
    EXPECT_EQ(card.lastMessage(), "Must format SD Card first before you change the settings.");
    QTest::mouseClick(slider, Qt::LeftButton, {}, QPoint(x(80), y));
    EXPECT_EQ(card.messages.size(), 4u);
    EXPECT_EQ(card.lastMessage(), "Must format SD Card first before you change the settings.");
    EXPECT_EQ(dialog.config().shareParking(), 10u);
    EXPECT_EQ(dialog.config().shareEvent(), 20u);

    // The first thumb dragged to 0 leaves no always-on share.
    QTest::mousePress(slider, Qt::LeftButton, {}, QPoint(x(70), y));
    QTest::mouseRelease(slider, Qt::LeftButton, {}, QPoint(0, y));
    EXPECT_EQ(dialog.config().shareAlways(), 0u);
    EXPECT_EQ(dialog.config().shareParking(), 80u);
    EXPECT_EQ(card.lastMessage(), "Each recording mode must be set to minimum 5% or more");
}
