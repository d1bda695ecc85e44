// A card's "config.bin" and what a user types into the settings pages:
// loading (from memory and from a file, which must agree), every field as
// `config show` prints it, the values the pages show, and Save's steps with
// texts from the input. After Save the record must survive a file round trip.
#include "config/config_file.h"
#include "config/settings_rules.h"
#include "memory_file.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>
#include <cstring>

using namespace dravonix;

namespace {

// Texts as a user could type them: plain bytes widened, or any UTF-16 units
// (lone surrogates included).
std::u16string typedText(FuzzedDataProvider& in)
{
    const bool wide = in.ConsumeBool();
    const std::string bytes = in.ConsumeRandomLengthString(48);
    std::u16string text;
    if (!wide) {
        for (const char c : bytes)
            text += static_cast<char16_t>(static_cast<unsigned char>(c));
        return text;
    }
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
        text += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) | (static_cast<unsigned char>(bytes[i + 1]) << 8));
    return text;
}

void showEveryField(const DeviceConfig& config)
{
    for (const FieldInfo& field : configFields()) {
        const std::string text = configFieldText(config, field);
        if (text.empty())
            std::abort();
        if (field.kind == FieldKind::Text && (text.size() < 2 || text.front() != '"' || text.back() != '"'))
            std::abort();
        for (const char c : text) // one line per field, printable
            if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x7F)
                std::abort();
    }
}

void showPages(DeviceConfig config)
{
    for (const ImpactMode mode : {ImpactMode::Driving, ImpactMode::Parking}) {
        const ImpactTriple triple = impactTriple(config, mode);
        (void)thresholdText(triple.x);
        (void)impactLevelLabel(impactLevelOf(config, mode));
    }
    (void)rearMotionAreaShown(config.rearMotionArea());
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 4; ++column)
            (void)motionCellWatched(config.frontMotionArea(), row, column);
    const std::uint32_t unit = config.speedUnit();
    (void)ldwsListText(unit, speedPosition(ldwsSpeeds(unit), config.ldwsSpeed()));
    (void)fcwsCaption(unit, speedPosition(fcwsSpeeds(unit), config.fcwsSpeed()));
    (void)voiceLanguageButton(config.voiceLanguage());
    (void)cutOffVoltageText(cutOffVoltageIndex(config.cutOffVoltage()));
    (void)cutOffTimerText(cutOffTimerIndex(config.cutOffTimer()));
    (void)cableVoltageLossShown(config.cableVoltageLoss());
    (void)plateShown(config);
    (void)shareLabel(246, config.shareAlways());
    (void)shareReleaseMessage(config);
    (void)normaliseGpsInParking(config);
    (void)openParkingModePage(config);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider in(data, size);
    const bool throughFile = in.ConsumeBool();
    const int drivingLevel = in.ConsumeIntegralInRange(-1, 6);
    const int parkingLevel = in.ConsumeIntegralInRange(-1, 6);
    SaveInputs inputs;
    for (std::u16string& text : inputs.drivingCustom)
        text = typedText(in);
    for (std::u16string& text : inputs.parkingCustom)
        text = typedText(in);
    inputs.plate = typedText(in);
    inputs.networkName = typedText(in);
    inputs.password = typedText(in);
    const std::vector<std::uint8_t> record = in.ConsumeRemainingBytes<std::uint8_t>();

    DeviceConfig config;
    config.overwriteWith(record);
    if (throughFile) {
        static fuzz::MemoryFile file;
        DeviceConfig loaded;
        if (!loadConfigFile(file.holding(record), loaded) || !(loaded == config))
            std::abort();
    }
    showEveryField(config);
    showPages(config);

    const std::optional<SaveFailure> failure = applySaveSteps(config, drivingLevel, parkingLevel, inputs);
    if (failure && failure->message.empty())
        std::abort(); // a refusal must say why
    showEveryField(config);
    config.updateChecksum();
    DeviceConfig reread;
    reread.overwriteWith(config.bytes());
    if (!(reread == config) || reread.checksum() != reread.storedChecksum())
        std::abort();
    return 0;
}
