#include "app/cli/commands.h"
#include "config/config_file.h"
#include "config/settings_rules.h"
#include "resources/strings.h"

#include <QFile>

#include <algorithm>
#include <optional>
#include <cstdio>
#include <filesystem>

namespace dravonix::cli {
namespace {

std::filesystem::path nativePath(const QString& path) { return std::filesystem::path(QFile::encodeName(path).toStdString()); }

bool loadExisting(const QString& file, DeviceConfig& config, QString& error)
{
    const auto path = nativePath(file);
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) {
        error = QStringLiteral("%1: is a folder").arg(file);
        return false;
    }
    if (!loadConfigFile(path, config)) {
        error = QStringLiteral("%1: cannot be read").arg(file);
        return false;
    }
    return true;
}

int show(const QStringList& args)
{
    if (args.size() != 1)
        return fail(QStringLiteral("usage: dravonix config show FILE"));
    DeviceConfig config;
    QString error;
    if (!loadExisting(args.front(), config, error))
        return fail(error);
    const auto size = std::filesystem::file_size(nativePath(args.front()));
    for (const FieldInfo& field : configFields())
        std::printf("%3zu\t%s\t%s\n", field.offset, std::string(field.name).c_str(), configFieldText(config, field).c_str());
    const bool matches = config.checksum() == config.storedChecksum();
    std::printf("checksum %s: stored 0x%04X, computed 0x%04X\n", matches ? "matches" : "does not match",
                config.storedChecksum(), config.checksum());
    if (size != kConfigSize)
        std::printf("size %ju bytes, not %zu: not the camera's file\n", static_cast<std::uintmax_t>(size), kConfigSize);
    return 0;
}

int writeOut(const QString& file, DeviceConfig& config)
{
    const WriteOutcome outcome = saveConfigFile(nativePath(file), config);
    if (outcome.writeProtected)
        return fail(QString::fromUtf8(englishString(300).data(), static_cast<qsizetype>(englishString(300).size())));
    if (!outcome.ok)
        return fail(QString::fromStdString(outcome.message));
    return 0;
}

int defaults(const QStringList& args)
{
    if (args.size() != 1)
        return fail(QStringLiteral("usage: dravonix config defaults OUT"));
    DeviceConfig config;
    return writeOut(args.front(), config);
}

std::optional<std::uint64_t> parseNumber(const QString& text)
{
    bool ok = false;
    const qulonglong value = text.toULongLong(&ok, 0); // decimal, or 0x for hexadecimal
    return ok ? std::optional<std::uint64_t>(value) : std::nullopt;
}

// The boxes of the settings pages, as they would show this record.
SaveInputs inputsShowing(const DeviceConfig& config)
{
    SaveInputs in;
    const auto threshold = [&](std::size_t offset) { return QString::fromStdString(thresholdText(config.u32(offset))).toStdU16String(); };
    in.drivingCustom = {threshold(88), threshold(92), threshold(96)};
    in.parkingCustom = {threshold(104), threshold(108), threshold(112)};
    in.plate = QString::fromLatin1(plateShown(config)).toStdU16String();
    in.networkName = QString::fromLatin1(config.text(356, 16)).toStdU16String();
    in.password = QString::fromLatin1(config.text(372, 16)).toStdU16String();
    return in;
}

int set(const QStringList& args)
{
    if (args.size() < 2)
        return fail(QStringLiteral("usage: dravonix config set FILE NAME=VALUE..."));
    DeviceConfig config;
    QString error;
    if (!loadExisting(args.front(), config, error))
        return fail(error);
    std::optional<std::u16string> plate, networkName, password;
    for (const QString& assignment : args.mid(1)) {
        const qsizetype equals = assignment.indexOf(QLatin1Char('='));
        const QString name = assignment.left(equals);
        const QString value = assignment.mid(equals + 1);
        const FieldInfo* field = equals > 0 ? findConfigField(name.toStdString()) : nullptr;
        if (field == nullptr || field->name == "checksum")
            return fail(QStringLiteral("unknown field in \"%1\" (see dravonix config show)").arg(assignment));
        if (field->kind == FieldKind::Text) {
            // The texts go through Save's own checks below.
            if (field->name == "plateText")
                plate = value.toStdU16String();
            else if (field->name == "wifiName")
                networkName = value.toStdU16String();
            else if (field->name == "wifiPassword")
                password = value.toStdU16String();
            else
                return fail(QStringLiteral("%1 is reserved").arg(name));
            continue;
        }
        const std::optional<std::uint64_t> number = parseNumber(value);
        const std::uint64_t limit = field->width == 4 ? 0xffffffffu : (field->width == 2 ? 0xffffu : 0xffu);
        if (!number || *number > limit)
            return fail(QStringLiteral("%1: \"%2\" is not a number from 0 to %3").arg(name, value).arg(limit));
        if (field->kind == FieldKind::U32)
            config.setU32(field->offset, static_cast<std::uint32_t>(*number));
        else if (field->kind == FieldKind::U16)
            config.setU16(field->offset, static_cast<std::uint16_t>(*number));
        else
            config.bytes()[field->offset] = static_cast<std::uint8_t>(*number);
    }
    // Save reads the boxes: custom thresholds as the record now shows them,
    // and the texts as given.
    SaveInputs typed = inputsShowing(config);
    typed.plate = plate.value_or(typed.plate);
    typed.networkName = networkName.value_or(typed.networkName);
    typed.password = password.value_or(typed.password);
    const int driving = impactLevelOf(config, ImpactMode::Driving);
    const int parking = impactLevelOf(config, ImpactMode::Parking);
    if (const auto failure = applySaveSteps(config, driving, parking, typed))
        return fail(QString::fromStdString(failure->message));
    return writeOut(args.front(), config);
}

} // namespace

int runConfig(const QStringList& args)
{
    const QString sub = args.value(0);
    if (sub == QLatin1String("show"))
        return show(args.mid(1));
    if (sub == QLatin1String("defaults"))
        return defaults(args.mid(1));
    if (sub == QLatin1String("set"))
        return set(args.mid(1));
    return fail(QStringLiteral("usage: dravonix config show|defaults|set ..."));
}

} // namespace dravonix::cli
