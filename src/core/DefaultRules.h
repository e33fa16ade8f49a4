#pragma once

#include "core/FieldCatalogue.h"
#include "core/Rule.h"

#include <array>
#include <string_view>

namespace tillery {

class SettingsStore;

// The drive-finding rule set written on a first start and by "Reset with drive defaults".
struct DefaultRule {
    std::string_view field;
    std::string_view select;
    std::string_view value;
};
extern const std::array<DefaultRule, 16> kDefaultRules;

// Default "ShowFields" selection, in catalogue order: only Date Time, Name and Device.
extern const std::array<bool, kFieldCount> kDefaultShowFields;

// Stores one rule under its index: "<n>f" and "<n>s" unchanged, "<n>v" lower-cased.
void WriteRuleToReg(SettingsStore& store, int iiCount, std::string_view strField,
                    std::string_view strSelect, std::string_view strValue);

// Replaces sections "Rules" and "ShowFields" with the default rule set. Failures of the
// section deletions are ignored; a failing save (StoreError) is passed on.
void ResetRegistry(SettingsStore& store);

// The decimal key of a rule member: ruleKey(12, 'f') is "12f".
std::string ruleKey(int index, char member);

}  // namespace tillery
