#include "app/cli/commands.h"
#include "app/cli/native_path.h"
#include "config/config_file.h"
#include "config/field_rules.h"
#include "config/settings_rules.h"
#include "resources/strings.h"
#include "toolkit/text_format.h"


#include <algorithm>
#include <optional>
#include <cstdio>
#include <filesystem>
#include <vector>

namespace dravonix::cli {
namespace {


// Reads FILE; `size` is how many bytes it holds.
bool loadExisting(const QString& file, DeviceConfig& config, std::uint64_t& size, QString& error)
{
    const auto read = readConfigFile(nativePath(file), config);
    if (!read) {
        error = QStringLiteral("%1: %2").arg(file, QString::fromStdString(read.error().message));
        return false;
    }
    size = *read;
    return true;
}

int show(const QStringList& args)
{
    if (args.size() != 1)
        return fail(QStringLiteral("usage: dravonix config show FILE"));
    DeviceConfig config;
    QString error;
    std::uint64_t size = 0;
    if (!loadExisting(args.front(), config, size, error))
        return fail(error);
    if (size == 0)
        return fail(QStringLiteral("%1: is empty: not a configuration file").arg(args.front()));
    // Offset, name, value and, for a coded value, what it means.
    for (const FieldInfo& field : configFields()) {
        std::string line = configFieldText(config, field);
        if (const FieldRule* rule = fieldRule(field.name); rule != nullptr && field.kind != FieldKind::Text)
            if (const std::string meaning = valueMeaning(*rule, config, fieldValue(config, field));
                !meaning.empty() && meaning != line)
                line += "\t" + meaning;
        std::printf("%3zu\t%s\t%s\n", field.offset, std::string(field.name).c_str(), line.c_str());
    }
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

// Decimal digits (a leading 0 is still decimal) or "0x" and hexadecimal
// digits; no sign, no blanks, nothing after.
std::optional<std::uint64_t> parseNumber(const QString& text)
{
    const bool hex = text.size() > 2 && text[0] == QLatin1Char('0') && (text[1] == QLatin1Char('x') || text[1] == QLatin1Char('X'));
    const QString digits = hex ? text.mid(2) : text;
    if (digits.isEmpty() || digits.size() > 20)
        return std::nullopt;
    for (const QChar c : digits)
        if (!(c.isDigit() && c.unicode() < 0x80) && !(hex && QStringLiteral("abcdefABCDEF").contains(c)))
            return std::nullopt;
    bool ok = false;
    const qulonglong value = digits.toULongLong(&ok, hex ? 16 : 10);
    return ok ? std::optional<std::uint64_t>(value) : std::nullopt;
}

// The same, with a leading "-" for the fields that hold a signed value.
std::optional<std::int64_t> parseSigned(const QString& text, bool negativeAllowed)
{
    const bool negative = negativeAllowed && text.startsWith(QLatin1Char('-'));
    const auto magnitude = parseNumber(negative ? text.mid(1) : text);
    if (!magnitude || *magnitude > 0xffffffffu)
        return std::nullopt;
    return negative ? -static_cast<std::int64_t>(*magnitude) : static_cast<std::int64_t>(*magnitude);
}

bool isThreshold(const FieldInfo& field) { return field.offset >= 88 && field.offset <= 112 && field.offset != 100; }
bool isShare(const FieldInfo& field) { return field.offset == 8 || field.offset == 12 || field.offset == 16; }

// Typed thresholds are hundredths of g, stored as typed.
std::optional<QString> checkThreshold(const FieldInfo& field, std::uint64_t value)
{
    if (value >= 5 && value <= 150)
        return std::nullopt;
    return QStringLiteral("%1: %2 is outside 5 to 150 (hundredths of g): %3")
        .arg(QString::fromLatin1(field.name.data(), static_cast<qsizetype>(field.name.size())))
        .arg(value)
        .arg(QString::fromStdString(formatText(std::string(englishString(230)).c_str(), 0.05, 1.5)));
}

// The card-share slider splits the card in steps of 5 that add up to 100.
std::optional<QString> checkShareSplit(const DeviceConfig& config)
{
    const std::uint64_t sum = std::uint64_t{config.shareAlways()} + config.shareEvent() + config.shareParking();
    if (sum != 100)
        return QStringLiteral("the card shares add up to %1, not 100").arg(sum);
    if (config.shareAlways() % 5 != 0 || config.shareEvent() % 5 != 0 || config.shareParking() % 5 != 0)
        return QStringLiteral("the card shares go in steps of 5");
    return std::nullopt;
}

int set(const QStringList& args)
{
    if (args.size() < 2)
        return fail(QStringLiteral("usage: dravonix config set FILE NAME=VALUE..."));
    DeviceConfig config;
    QString error;
    std::uint64_t size = 0;
    if (!loadExisting(args.front(), config, size, error))
        return fail(error);
    // Anything but the camera's 500 bytes would be cut or padded by a write.
    if (size != kConfigSize)
        return fail(QStringLiteral("%1: holds %2 bytes, not %3: not the camera's configuration file")
                        .arg(args.front())
                        .arg(size)
                        .arg(kConfigSize));
    std::optional<std::u16string> plate, networkName, password;
    bool sharesTyped = false;
    struct TypedValue {
        const FieldRule* rule;
        std::int64_t value;
        QString name;
    };
    std::vector<TypedValue> typed;
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
        const FieldRule* rule = fieldRule(field->name);
        const std::optional<std::int64_t> number = parseSigned(value, rule != nullptr && rule->low < 0);
        const std::int64_t limit = field->width == 4 ? 0xffffffffLL : (field->width == 2 ? 0xffffLL : 0xffLL);
        if (!number || *number > limit)
            return fail(QStringLiteral("%1: \"%2\" is not a number from %3 to %4")
                            .arg(name, value)
                            .arg(rule != nullptr && rule->low < 0 ? rule->low : 0)
                            .arg(limit));
        if (isThreshold(*field))
            if (const auto refused = checkThreshold(*field, static_cast<std::uint64_t>(*number)))
                return fail(*refused);
        sharesTyped = sharesTyped || isShare(*field);
        setFieldValue(config, *field, static_cast<std::uint32_t>(*number));
        if (rule != nullptr)
            typed.push_back({rule, *number, name});
    }
    // Checked once all are in: the ADAS speeds are read in the unit typed with them.
    for (const TypedValue& t : typed) {
        std::string why;
        if (!valueAllowed(*t.rule, config, t.value, why))
            return fail(QStringLiteral("%1: %2 %3").arg(t.name).arg(t.value).arg(QString::fromStdString(why)));
    }
    if (sharesTyped)
        if (const auto refused = checkShareSplit(config))
            return fail(*refused);
    // Save's checks of the typed texts and of the shares; thresholds were
    // checked as typed, and what was not typed stays as stored.
    std::optional<SaveFailure> refused;
    if (plate)
        refused = applyPlate(config, *plate);
    if (!refused && networkName)
        refused = applyNetworkName(config, *networkName);
    if (!refused && password)
        refused = applyPassword(config, *password);
    if (!refused)
        refused = checkShares(config);
    if (refused)
        return fail(QString::fromStdString(refused->message));
    return writeOut(args.front(), config);
}

// Every field with what `set` takes for it, from the pages' own tables.
int help()
{
    std::puts("usage: dravonix config show FILE | defaults OUT | set FILE NAME=VALUE...\n"
              "\n"
              "set takes only what a settings page could store: a value outside a field's\n"
              "table is refused with the values it allows. Fields that no page edits\n"
              "(magic, reserved words) stay editable as raw numbers. Numbers are decimal or\n"
              "0x hexadecimal; a minus sign only where the field holds a signed value.\n"
              "\n"
              "fields:");
    for (const FieldInfo& field : configFields()) {
        if (field.name == "checksum") {
            std::puts("  checksum: computed on every write");
            continue;
        }
        const FieldRule* rule = fieldRule(field.name);
        std::string allowed;
        if (rule == nullptr)
            allowed = field.kind == FieldKind::Text ? "reserved, not editable" : "any number (no page edits it)";
        else if (rule->kind == RuleKind::Text)
            allowed = "text, checked as the settings' Save checks it";
        else if (rule->kind == RuleKind::Range)
            allowed = std::to_string(rule->low) + " to " + std::to_string(rule->high);
        else if (!rule->pageStores)
            allowed = "any number (no page stores it)";
        else if (field.name == "ldwsSpeed" || field.name == "fcwsSpeed")
            for (const std::uint32_t unit : {0u, 1u}) {
                DeviceConfig inUnit;
                inUnit.setSpeedUnit(unit);
                allowed += unit == 0 ? "with speedUnit=0 (km/h) " : "; with speedUnit=1 (mph) ";
                for (const Choice& choice : fieldChoices(*rule, inUnit))
                    allowed += std::to_string(choice.value) + (choice.value == 0 ? "=Not Use" : "") +
                               (choice.value == fieldChoices(*rule, inUnit).back().value ? "" : ", ");
            }
        else
            for (const Choice& choice : rule->choices) {
                const auto first = choice.caption.find_first_not_of(' ');
                allowed += (allowed.empty() ? "" : ", ") + std::to_string(choice.value) + "="
                           + (first == std::string::npos ? std::string() : choice.caption.substr(first));
            }
        std::printf("  %s: %s\n", std::string(field.name).c_str(), allowed.c_str());
    }
    return 0;
}

} // namespace

int runConfig(const QStringList& args)
{
    // The action's own words follow it: show FILE, defaults OUT, set FILE NAME=VALUE...
    QCommandLineParser parser;
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    const QCommandLineOption helpOption = parser.addHelpOption();
    if (parseArguments(parser, args) && parser.isSet(helpOption))
        return help();
    QStringList words = parser.positionalArguments();
    const QString action = words.isEmpty() ? QString() : words.takeFirst();
    // Each action takes file names and assignments only, "--" aside.
    QCommandLineParser actionParser;
    if (action.isEmpty() || !parseArguments(actionParser, words))
        return fail(QStringLiteral("usage: dravonix config show|defaults|set ..."));
    words = actionParser.positionalArguments();
    if (action == QLatin1String("show"))
        return show(words);
    if (action == QLatin1String("defaults"))
        return defaults(words);
    if (action == QLatin1String("set"))
        return set(words);
    return fail(QStringLiteral("usage: dravonix config show|defaults|set ..."));
}

} // namespace dravonix::cli
