#pragma once
// What each field of the record may hold, as the settings pages offer it: the
// choices of a radio group or a list (value and caption, in the order the page
// shows them) or a number range. The pages build their controls from these
// tables, and the command line checks typed values and names their meaning
// with the same ones.

#include "config/device_config.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace dravonix {

struct Choice {
    std::uint32_t value;
    std::string caption; // as the page shows it
};

enum class RuleKind {
    Choices, // one of the listed values
    Range,   // a number from low to high (a negative low: the word holds a signed value)
    Text,    // checked by Save's text rules
};

struct FieldRule {
    std::string_view field;
    std::string_view group; // the caption of the page's group or list
    std::string_view page;  // the tab that edits it
    RuleKind kind = RuleKind::Choices;
    std::vector<Choice> choices; // Choices; the ADAS speeds take theirs from the speed unit
    std::int64_t low = 0;
    std::int64_t high = 0;
    // False where no page control stores the field: the table only names the
    // meaning, and any number may be written.
    bool pageStores = true;
    // The value whose button a stored value selects, where that differs from
    // the value itself (for example "On" for any nonzero value).
    std::uint32_t (*shown)(std::uint32_t stored) = nullptr;
    // The entry a list or group shows for a value it lacks, or -1 for none.
    int fallbackIndex = -1;
};

// The rule of a field, or null for a field that no page shows (reserved
// words, magic, checksum): those stay editable as raw numbers.
const FieldRule* fieldRule(std::string_view field);
std::span<const FieldRule> fieldRules();

// The choices the page offers for the field, given the rest of the record.
std::span<const Choice> fieldChoices(const FieldRule& rule, const DeviceConfig& config);

// The position of `value` among the choices, none when it isn't listed.
std::optional<int> choiceIndex(std::span<const Choice> choices, std::uint32_t value);
// The position of the button that the stored value selects.
std::optional<int> shownChoiceIndex(const FieldRule& rule, const DeviceConfig& config, std::uint32_t stored);

// Whether `value` is one the pages could store; with a reason when not, such
// as "must be one of 0 (Normal), 1 (High), 2 (Highest)".
bool valueAllowed(const FieldRule& rule, const DeviceConfig& config, std::int64_t value, std::string& why);

// What a stored value means, for listing: the caption of its choice without
// its padding, the signed reading of a signed word, or "" when it has none.
std::string valueMeaning(const FieldRule& rule, const DeviceConfig& config, std::uint32_t stored);

// A field's value as an integer through the generic field table.
std::uint32_t fieldValue(const DeviceConfig& config, const FieldInfo& field);
void setFieldValue(DeviceConfig& config, const FieldInfo& field, std::uint32_t value);

} // namespace dravonix
