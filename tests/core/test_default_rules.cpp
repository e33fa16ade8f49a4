// The store keys and the default rule set, spelled out here rather than taken from the
// code's own constants, so that a misspelt key or value fails where it is defined.

#include "core/DefaultRules.h"
#include "core/MemorySettingsStore.h"
#include "core/SettingsStore.h"

#include <gtest/gtest.h>

#include <string>

namespace tillery {
namespace {

TEST(StoreKeys, SectionsKeysAndDefaultPathsAreSpelledExactly)
{
    EXPECT_EQ(store::kApplication, "VORN");
    EXPECT_EQ(store::kSettings, "Settings");
    EXPECT_EQ(store::kShowFields, "ShowFields");
    EXPECT_EQ(store::kRules, "Rules");
    EXPECT_EQ(store::kOpen, "Open");
    EXPECT_EQ(store::kSave, "Save");
    EXPECT_EQ(store::kSummary, "Summary");
    EXPECT_EQ(store::kTidyDevice, "TidyDevice");
    EXPECT_EQ(store::kCount, "Count");
    EXPECT_EQ(store::kDefaultOpen, "C:\\Windows\\setupapi.log");
    EXPECT_EQ(store::kDefaultSave, "C:\\Windows\\setupapi.log.xls");
    EXPECT_EQ(ruleKey(1, 'f'), "1f");
    EXPECT_EQ(ruleKey(12, 's'), "12s");
    EXPECT_EQ(ruleKey(16, 'v'), "16v");
}

// Every key the reset writes, read back under its literal name: sixteen rules, one per
// drive family, values lower-cased; the field selection; the tidy flag and the count.
TEST(DefaultRuleSetStore, ResetWritesEveryRuleAndFieldLiterally)
{
    struct Expected {
        const char* field;
        const char* select;
        const char* value;
    };
    const Expected rules[16] = {
        {"Device", "Starts with", "usbstor\\"},  {"Device", "Starts with", "1394\\"},
        {"Device", "Starts with", "ide\\"},      {"Device", "Starts with", "fdc\\"},
        {"Device", "Starts with", "sbp2\\"},     {"Device", "Starts with", "storage\\"},
        {"Device", "Starts with", "pciide\\"},   {"Signature", "Not blank", ""},
        {"Name", "Contains", "disk"},            {"Name", "Contains", "tapedrive"},
        {"Name", "Contains", "chipdrive"},       {"Name", "Starts with", "cdrom"},
        {"Name", "Starts with", "cd-rom"},       {"Name", "Starts with", "floppy"},
        {"Name", "Starts with", "generic volume"}, {"Name", "Contains", "mass storage"}};
    MemorySettingsStore s;
    ResetRegistry(s);
    const auto get = [&](const char* section, const std::string& key) {
        return s.get(section, key, "<absent>");
    };
    for (int i = 1; i <= 16; ++i) {
        const Expected& rule = rules[i - 1];
        SCOPED_TRACE("rule " + std::to_string(i));
        EXPECT_EQ(get("Rules", std::to_string(i) + "f"), rule.field);
        EXPECT_EQ(get("Rules", std::to_string(i) + "s"), rule.select);
        EXPECT_EQ(get("Rules", std::to_string(i) + "v"), rule.value);
    }
    EXPECT_EQ(get("Rules", "Count"), "16");
    EXPECT_EQ(get("Rules", "TidyDevice"), "1");
    EXPECT_EQ(s.keyCount("Rules"), 50u);

    const std::pair<const char*, const char*> shown[11] = {
        {"Date Time", "True"}, {"Instance", "False"}, {"Line", "False"}, {"Type", "False"},
        {"Code", "False"},     {"Signature", "False"}, {"GUID", "False"}, {"Name", "True"},
        {"Device", "True"},    {"Full Text", "False"}, {"Path", "False"}};
    for (const auto& [field, value] : shown) {
        EXPECT_EQ(get("ShowFields", field), value) << field;
    }
    EXPECT_EQ(s.keyCount("ShowFields"), 11u);
    EXPECT_EQ(s.keyCount("Settings"), 0u);
}

}  // namespace
}  // namespace tillery
