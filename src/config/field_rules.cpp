#include "config/field_rules.h"

#include "config/page_rules.h"
#include "config/settings_rules.h"
#include "toolkit/text_format.h"

#include <algorithm>
#include <initializer_list>

namespace dravonix {
namespace {

// Values 0, 1, 2, ... in the order given.
std::vector<Choice> indexed(std::initializer_list<const char*> captions)
{
    std::vector<Choice> out;
    for (const char* caption : captions)
        out.push_back({static_cast<std::uint32_t>(out.size()), caption});
    return out;
}

FieldRule choices(std::string_view field, std::string_view page, std::string_view group, std::vector<Choice> list)
{
    FieldRule rule;
    rule.field = field;
    rule.page = page;
    rule.group = group;
    rule.choices = std::move(list);
    return rule;
}

FieldRule range(std::string_view field, std::string_view page, std::string_view group, std::int64_t low, std::int64_t high)
{
    FieldRule rule;
    rule.field = field;
    rule.page = page;
    rule.group = group;
    rule.kind = RuleKind::Range;
    rule.low = low;
    rule.high = high;
    return rule;
}

FieldRule text(std::string_view field, std::string_view page, std::string_view group)
{
    FieldRule rule;
    rule.field = field;
    rule.page = page;
    rule.group = group;
    rule.kind = RuleKind::Text;
    return rule;
}

FieldRule shownAs(FieldRule rule, std::uint32_t (*shown)(std::uint32_t))
{
    rule.shown = shown;
    return rule;
}

FieldRule withFallback(FieldRule rule, int index)
{
    rule.fallbackIndex = index;
    return rule;
}

FieldRule meaningOnly(FieldRule rule)
{
    rule.pageStores = false;
    return rule;
}

std::vector<Choice> speedChoices(std::uint32_t unit, bool lane)
{
    std::vector<Choice> out;
    const auto speeds = lane ? ldwsSpeeds(unit) : fcwsSpeeds(unit);
    for (std::size_t i = 0; i < speeds.size(); ++i)
        out.push_back({speeds[i], lane ? ldwsListText(unit, static_cast<int>(i))
                                       : (i == 0 ? std::string("Not Use") : fcwsCaption(unit, static_cast<int>(i)))});
    return out;
}

const std::vector<Choice>& adasSpeedChoices(std::uint32_t unit, bool lane)
{
    static const std::vector<Choice> tables[2][2] = {{speedChoices(0, false), speedChoices(0, true)},
                                                     {speedChoices(1, false), speedChoices(1, true)}};
    return tables[unit == 1 ? 1 : 0][lane ? 1 : 0];
}

std::vector<FieldRule> buildRules()
{
    const auto notUseUse = [] { return indexed({"Not Use", "Use"}); };
    const auto oneToFive = [] { return indexed({"1", "2", "3(Default)", "4", "5"}); };
    const auto quality = [] { return indexed({"Normal", "High", "Highest"}); };
    const auto levels = [] { return indexed({"Not Use", "1(down)", "2", "3(up)"}); };
    const auto motion = [] { return indexed({"Not Use", "1(Insensitivity)", "2", "3", "4", "5(Sensitivity)"}); };
    const auto adasSensitivity = [] { return indexed({"0 (Insensitive)", "1", "2 (Sensitive)"}); };

    std::vector<Choice> zones;
    for (const std::string_view zone : timeZoneTexts())
        zones.push_back({static_cast<std::uint32_t>(zones.size()), std::string(zone)});
    std::vector<Choice> channels;
    for (int channel = 0; channel < kWifiChannels; ++channel)
        channels.push_back({static_cast<std::uint32_t>(channel), wifiChannelText(channel)});
    std::vector<Choice> voltages;
    for (int i = 0; i < kCutOffVoltageEntries; ++i)
        voltages.push_back({cutOffVoltageValue(i), cutOffVoltageText(i)});
    std::vector<Choice> timers;
    for (int i = 0; i < kCutOffTimerEntries; ++i)
        timers.push_back({cutOffTimerValue(i), cutOffTimerText(i)});
    std::vector<Choice> languages;
    for (const VoiceLanguageButton& button : voiceLanguageButtons())
        if (voiceLanguageButton(voiceLanguageCode(button.id)) == button.id)
            languages.push_back({voiceLanguageCode(button.id), std::string(button.caption)});

    std::vector<FieldRule> rules{
        // Video
        choices("frontVideoQuality", "Video", "Front Video Quality", quality()),
        choices("rearVideoQuality", "Video", "Rear Video Quality", quality()),
        choices("frontBrightness", "Video", "Front Video Brightness Settings", oneToFive()),
        choices("rearBrightness", "Video", "Rear Video Brightness Settings", oneToFive()),
        choices("rearMirrored", "Video", "Reverse Rear L/R", notUseUse()),
        choices("nightVision", "Video", "Night Vision", notUseUse()),
        choices("frontSharpness", "Video", "Sharpness", indexed({"1", "2", "3", "4", "5"})),
        choices("rearSharpness", "Video", "Rear Sharpness", indexed({"1", "2", "3", "4", "5"})),
        choices("rearFrameRate", "Video", "Rear View Frame Rate", indexed({"30fps", "15fps", "10fps"})),
        choices("frontFilterTint", "Video", "Front CPL and Tinting Settings",
                indexed({"Not use CPL", "Use CPL", "Light tinting", "Dark tinting"})),
        choices("rearTint", "Video", "Rear Tinting Settings", indexed({"Not Use", "Light tinting", "Dark tinting"})),
        choices("wdr", "Video", "WDR", notUseUse()),
        // Basic
        choices("parkingStandbySeconds", "Basic", "Standby Time till Parking Mode",
                {{0, "Not Use(device off)"}, {10, "10sec"}, {30, "30sec"}, {60, "1min"}, {120, "2min"},
                 {180, "3min"}, {300, "5min"}, {420, "7min"}, {600, "10min"}}),
        choices("impactSensorEnabled", "Basic", "Enable G-Sensor", indexed({"off", "on"})),
        range("drivingImpactX", "Basic", "[Driving Mode] Impact Sensitivity", 5, 150),
        range("drivingImpactY", "Basic", "[Driving Mode] Impact Sensitivity", 5, 150),
        range("drivingImpactZ", "Basic", "[Driving Mode] Impact Sensitivity", 5, 150),
        range("parkingImpactX", "Basic", "[Parking Mode] Impact Sensitivity", 5, 150),
        range("parkingImpactY", "Basic", "[Parking Mode] Impact Sensitivity", 5, 150),
        range("parkingImpactZ", "Basic", "[Parking Mode] Impact Sensitivity", 5, 150),
        choices("frontLed", "Basic", "Front LED Settings", indexed({"Use", "Not Use"})),
        choices("rearLedAndExternalTrigger", "Basic", "Rear LED Settings",
                indexed({"Use", "Not Use", "External - Parking Mode Event", "External - Parking Mode Motion",
                         "External - Parking Mode Event+Motion"})),
        text("plateText", "Basic", "License Plate Number :"),
        choices("platePresent", "Basic", "License Plate Number :", indexed({"no", "yes"})),
        range("plateNumber", "Basic", "License Plate Number :", 0, 9999),
        withFallback(choices("cutOffVoltage", "Basic", "- Set Voltage", voltages), 3),
        withFallback(choices("cutOffTimer", "Basic", "- Set Timer", timers), 0),
        choices("externalPower", "Basic", "Use External Power", indexed({"no", "yes"})),
        shownAs(choices("cableVoltageLoss", "Basic", "Cable Voltage Loss Settings",
                        {{1, "None"}, {2, "0.1v"}, {3, "0.2v"}, {4, "0.3v"}, {5, "0.4v"}, {6, "0.5v"}, {7, "0.6v"}}),
                cableVoltageLossShown),
        choices("osdLayout", "Basic", "Display Settings",
                indexed({"Speed-Time-Day", "Speed-Time(Default)", "Speed-Day", "Only Time"})),
        choices("videoOutput", "Basic", "Video Out Settings", indexed({"NTSC", "PAL"})),
        choices("highTempSafetyMode", "Basic", "Enable High-temperature Safety Mode", indexed({"off", "on"})),
        choices("standbyDrivingEnabled", "Basic", "Stanby time tillDriving Mode", indexed({"off", "on"})),
        meaningOnly(choices("recordingMode", "Basic", "Recording Mode", indexed({"driving and events", "events only"}))),
        range("highTempEntryTemperature", "Basic", "High-temperature entry temperature", kTemperatureSpin.low,
              kTemperatureSpin.high),
        range("highTempEntryDuration", "Basic", "High-temperature entry duration", kDurationSpin.low, kDurationSpin.high),
        range("highTempReleaseTemperature", "Basic", "High-temperature release temperature", kTemperatureSpin.low,
              kTemperatureSpin.high),
        range("highTempReleaseDuration", "Basic", "High-temperature release duration", kDurationSpin.low,
              kDurationSpin.high),
        // GPS
        choices("weeklyAlarmDay", "GPS", "Weekly Alarm", indexed({"None", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"})),
        choices("speedUnit", "GPS", "Speed Display", indexed({"Km/h", "Mph"})),
        choices("timeZone", "GPS", "GMT", zones),
        choices("summerTime", "GPS", "Summer Time", indexed({"off", "on"})),
        shownAs(choices("speedOnVideo", "GPS", "GPS Speed Display(OSD)", {{1, "On"}, {0, "Off"}}), speedOnVideoShown),
        choices("routeSavingInterval", "GPS", "Driving Route Info Saving Interval",
                indexed({"None", "1sec", "3sec", "5sec", "10sec", "15sec", "30sec", "60sec"})),
        choices("gpsInParking", "GPS", "Use GPS in Parking Mode", {{1, "On"}, {0, "Off"}}),
        // Additional
        range("shareAlways", "Additional", "SD Card Capacity", 0, 100),
        range("shareEvent", "Additional", "SD Card Capacity", 0, 100),
        range("shareParking", "Additional", "SD Card Capacity", 0, 100),
        choices("mainsFrequency", "Additional", "AC Power Frequency Settings", indexed({"60Hz", "50Hz"})),
        choices("autoFormat", "Additional", "Automatic Formatting Settings",
                indexed({"Not Use", "4 Weeks", "8 Weeks", "16 Weeks", "32 Weeks"})),
        text("wifiName", "Additional", "SSID :"),
        text("wifiPassword", "Additional", "Password :"),
        choices("wifiChannel", "Additional", "Wi-Fi Channel :", channels),
        shownAs(choices("nightExposure", "Additional", "AE Settings(Night)", indexed({"Low", "Medium(Sedan)", "High(SUV)"})),
                nightExposureShown),
        choices("screenAutoOff", "Additional", "LCD Auto Off", indexed({"None", "15sec", "30sec", "60sec"})),
        choices("screenBrightness", "Additional", "LCD Brightness", indexed({"1", "2", "3"})),
        choices("screenSaver", "Additional", "LCD Screen Saver", {{1, "Not Use"}, {0, "Default"}, {2, "Time"}}),
        choices("rearCameraInParking", "Additional", "Use Rear Cam in Parking Mode", indexed({"Use", "Not Use"})),
        choices("parkingNotice", "Additional", "Parking Surveillance Notice", {{1, "Use"}, {0, "Not Use"}}),
        choices("drivingRecordingLength", "Additional", "Recording Length in Driving Mode", indexed({"5min", "3min"})),
        choices("pipPosition", "Additional", "PIP Position", indexed({"1", "2", "3", "4"})),
        choices("screenNightBrightness", "Additional", "LCD Night Brightness", notUseUse()),
        // Parking Mode
        choices("parkingRecording", "Parking Mode", "Parking Mode Record Settings", indexed({"Motion Detector", "Timelapse"})),
        choices("frontMotionSensitivity", "Parking Mode", "Front View", motion()),
        choices("rearMotionSensitivity", "Parking Mode", "Rear View", motion()),
        range("frontMotionArea", "Parking Mode", "Select Motion Area (Front View)", 0, 0xfff),
        range("rearMotionArea", "Parking Mode", "Select Motion Area (Rear View)", 0, 0xfff),
        // ADAS; the speeds' choices follow the speed unit.
        choices("vehicleType", "ADAS", "Vehicle Type", indexed({"Sedan", "SUV", "Truck(Bus)"})),
        choices("ldwsSensitivity", "ADAS", "LDWS Sensitivity", adasSensitivity()),
        withFallback(choices("ldwsSpeed", "ADAS", "LDWS Speed", {}), 1),
        choices("fcwsSensitivity", "ADAS", "FCWS Sensitivity", adasSensitivity()),
        withFallback(choices("fcwsSpeed", "ADAS", "FCWS Speed", {}), 1),
        choices("fvsa", "ADAS", "FVSA Setting", notUseUse()),
        choices("fvsaSensitivity", "ADAS", "FVSA Sensitivity", indexed({"0(Insensitive)", "1", "2(Sensitive)"})),
        // Audio
        choices("microphone", "Audio", "Microphone Settings", levels()),
        choices("speakerVolume", "Audio", "Speaker Settings", levels()),
        choices("hourlyAlarm", "Audio", "Enable Hourly Alarm", indexed({"off", "on"})),
        choices("voiceLanguage", "Audio", "Voice Guidance Language Settings", languages),
    };
    return rules;
}

std::string trimmed(std::string_view text)
{
    const auto first = text.find_first_not_of(' ');
    return first == std::string_view::npos ? std::string() : std::string(text.substr(first));
}

} // namespace

std::span<const FieldRule> fieldRules()
{
    static const std::vector<FieldRule> rules = buildRules();
    return rules;
}

const FieldRule* fieldRule(std::string_view field)
{
    for (const FieldRule& rule : fieldRules())
        if (rule.field == field)
            return &rule;
    return nullptr;
}

std::span<const Choice> fieldChoices(const FieldRule& rule, const DeviceConfig& config)
{
    if (rule.field == "ldwsSpeed" || rule.field == "fcwsSpeed")
        return adasSpeedChoices(config.speedUnit(), rule.field == "ldwsSpeed");
    return rule.choices;
}

std::optional<int> choiceIndex(std::span<const Choice> choices, std::uint32_t value)
{
    for (std::size_t i = 0; i < choices.size(); ++i)
        if (choices[i].value == value)
            return static_cast<int>(i);
    return std::nullopt;
}

std::optional<int> shownChoiceIndex(const FieldRule& rule, const DeviceConfig& config, std::uint32_t stored)
{
    const auto at = choiceIndex(fieldChoices(rule, config), rule.shown != nullptr ? rule.shown(stored) : stored);
    if (!at && rule.fallbackIndex >= 0)
        return rule.fallbackIndex;
    return at;
}

bool valueAllowed(const FieldRule& rule, const DeviceConfig& config, std::int64_t value, std::string& why)
{
    switch (rule.kind) {
    case RuleKind::Text:
        why = "is text";
        return false;
    case RuleKind::Range:
        if (value >= rule.low && value <= rule.high)
            return true;
        why = formatText("must be from %lld to %lld", static_cast<long long>(rule.low), static_cast<long long>(rule.high));
        return false;
    case RuleKind::Choices: break;
    }
    if (!rule.pageStores)
        return value >= 0 && value <= 0xffffffffLL;
    const auto list = fieldChoices(rule, config);
    if (value >= 0 && choiceIndex(list, static_cast<std::uint32_t>(value)))
        return true;
    why = "must be one of ";
    for (std::size_t i = 0; i < list.size(); ++i)
        why += (i == 0 ? "" : ", ") + std::to_string(list[i].value) + " (" + trimmed(list[i].caption) + ")";
    if (rule.field == "ldwsSpeed" || rule.field == "fcwsSpeed")
        why += config.speedUnit() == 1 ? " with the speed unit in mph" : " with the speed unit in km/h";
    return false;
}

std::string valueMeaning(const FieldRule& rule, const DeviceConfig& config, std::uint32_t stored)
{
    if (rule.kind == RuleKind::Range)
        return rule.low < 0 ? std::to_string(static_cast<std::int32_t>(stored)) : std::string();
    if (rule.kind == RuleKind::Text)
        return {};
    const auto list = fieldChoices(rule, config);
    const auto at = choiceIndex(list, stored);
    return at ? trimmed(list[static_cast<std::size_t>(*at)].caption) : std::string("(not a listed value)");
}

std::uint32_t fieldValue(const DeviceConfig& config, const FieldInfo& field)
{
    switch (field.kind) {
    case FieldKind::U16: return config.u16(field.offset);
    case FieldKind::U32: return config.u32(field.offset);
    case FieldKind::U8: return config.bytes()[field.offset];
    case FieldKind::Text: break;
    }
    return 0;
}

void setFieldValue(DeviceConfig& config, const FieldInfo& field, std::uint32_t value)
{
    switch (field.kind) {
    case FieldKind::U16: config.setU16(field.offset, static_cast<std::uint16_t>(value)); break;
    case FieldKind::U32: config.setU32(field.offset, value); break;
    case FieldKind::U8: config.bytes()[field.offset] = static_cast<std::uint8_t>(value); break;
    case FieldKind::Text: break;
    }
}

} // namespace dravonix
