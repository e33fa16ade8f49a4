// The default rule set, spelled out here rather than taken from the code's own constants,
// so that a misspelt key or value fails where it is defined.

#include "core/DefaultRules.h"
#include "core/MemorySettingsStore.h"
#include "core/SettingsStore.h"

#include <gtest/gtest.h>

#include <string>

namespace tillery {
namespace {

// Every key the reset writes, read back under its literal name: sixteen rules, one per
// drive family, values lower-cased; the field selection; the tidy flag and the count.
TEST(DefaultRuleSetStore, ResetWritesEveryRuleAndFieldLiterally)
{
    const char* const rules[16][3] = {
        {"Device", "Starts with", "usbstor\\"}, {"Device", "Starts with", "1394\\"},
        {"Device", "Starts with", "ide\\"},     {"Device", "Starts with", "fdc\\"},
        {"Device", "Starts with", "sbp2\\"},    {"Device", "Starts with", "storage\\"},
        {"Device", "Starts with", "pciide\\"},  {"Signature", "Not blank", ""},
        {"Name", "Contains", "disk"},           {"Name", "Contains", "tapedrive"},
        {"Name", "Contains", "chipdrive"},      {"Name", "Starts with", "cdrom"},
        {"Name", "Starts with", "cd-rom"},      {"Name", "Starts with", "floppy"},
        {"Name", "Starts with", "generic volume"}, {"Name", "Contains", "mass storage"}};
    MemorySettingsStore s;
    ResetRegistry(s);
    for (int i = 1; i <= 16; ++i) {
        for (int part = 0; part < 3; ++part) {
            const std::string key = std::to_string(i) + "fsv"[part];
            EXPECT_EQ(s.get("Rules", key, "<absent>"), rules[i - 1][part]) << key;
        }
    }
    EXPECT_EQ(s.get("Rules", "Count", ""), "16");
    EXPECT_EQ(s.get("Rules", "TidyDevice", ""), "1");
    const char* const shown[11] = {"True",  "False", "False", "False", "False", "False",
                                   "False", "True",  "True",  "False", "False"};
    const char* const fields[11] = {"Date Time", "Instance", "Line", "Type",      "Code", "Signature",
                                    "GUID",      "Name",     "Device", "Full Text", "Path"};
    for (int i = 0; i < 11; ++i) {
        EXPECT_EQ(s.get("ShowFields", fields[i], "<absent>"), shown[i]) << fields[i];
    }
}

// The names every copy of the program, old and new, finds its settings under.
TEST(DefaultRuleSetStore, StoreNamesAreTheStoredOnes)
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
}

}  // namespace
}  // namespace tillery
