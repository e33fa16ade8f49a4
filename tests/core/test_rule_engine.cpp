#include "core/DefaultRules.h"
#include "core/Errors.h"
#include "core/FieldCatalogue.h"
#include "core/MemorySettingsStore.h"
#include "core/OutputFormat.h"
#include "core/RuleEngine.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

namespace tillery {
namespace {

// Stores a rule exactly as given (no lower-casing), so tests can see what the engine does
// with raw stored text.
void putRule(MemorySettingsStore& store, int index, std::string_view field,
             std::string_view select, std::string_view value)
{
    store.save("Rules", ruleKey(index, 'f'), field);
    store.save("Rules", ruleKey(index, 's'), select);
    store.save("Rules", ruleKey(index, 'v'), value);
}

MemorySettingsStore oneRule(std::string_view field, std::string_view select,
                            std::string_view value)
{
    MemorySettingsStore store;
    putRule(store, 1, field, select, value);
    store.save("Rules", "Count", "1");
    return store;
}

Record withName(std::string_view name)
{
    Record r;
    r.type = "Summary";
    r.code = "S";
    r.name = name;
    return r;
}

Record withDevice(std::string_view device)
{
    Record r;
    r.type = "Summary";
    r.code = "S";
    r.device = device;
    return r;
}

// The rule's verdict, asked of the rules read at every call and of the rules a run keeps:
// the two must agree.
bool matches(std::string_view field, std::string_view select, std::string_view value,
             const Record& event)
{
    const MemorySettingsStore store = oneRule(field, select, value);
    const bool verdict = fProcessRules(store, event);
    StoredRules kept(store);
    EXPECT_EQ(kept.matches(event), verdict) << field << " / " << select << " / " << value;
    return verdict;
}

// --- one rule against one value -----------------------------------------------------

TEST(TestRule, StartsWithNeedsAStrictlyLongerValue)
{
    EXPECT_TRUE(fTestRule("usbstor\\disk&ven_zorbex", "Starts with", "usbstor\\"));
    EXPECT_FALSE(fTestRule("usbstor\\", "Starts with", "usbstor\\"));
    EXPECT_FALSE(fTestRule("usbstor", "Starts with", "usbstor\\"));
    EXPECT_FALSE(fTestRule("xusbstor\\disk", "Starts with", "usbstor\\"));
    EXPECT_FALSE(fTestRule("USBSTOR\\DISK", "Starts with", "usbstor\\"));  // case counts here
}

TEST(TestRule, ContainsSearchesTheWholeValue)
{
    EXPECT_TRUE(fTestRule("usb mass storage device", "Contains", "mass storage"));
    EXPECT_TRUE(fTestRule("mass storage", "Contains", "mass storage"));
    EXPECT_TRUE(fTestRule("a disk", "Contains", "disk"));
    EXPECT_FALSE(fTestRule("usb mass storage device", "Contains", "Mass Storage"));
    EXPECT_FALSE(fTestRule("dis", "Contains", "disk"));
}

TEST(TestRule, EmptyRuleValueMatchesOnlyNonEmptyValues)
{
    EXPECT_TRUE(fTestRule("x", "Starts with", ""));
    EXPECT_TRUE(fTestRule("x", "Contains", ""));
    EXPECT_FALSE(fTestRule("", "Starts with", ""));
    EXPECT_FALSE(fTestRule("", "Contains", ""));
}

TEST(TestRule, NotBlankIgnoresTheRuleValue)
{
    EXPECT_TRUE(fTestRule("x", "Not blank", ""));
    EXPECT_TRUE(fTestRule("x", "Not blank", "something else"));
    EXPECT_FALSE(fTestRule("", "Not blank", ""));
    EXPECT_FALSE(fTestRule("", "Not blank", "x"));
}

TEST(TestRule, SelectTypesMustMatchExactly)
{
    for (const std::string_view select :
         {"contains", "starts with", "Starts With", "Not Blank", "NotBlank", " Contains",
          "Contains ", ""}) {
        EXPECT_FALSE(fTestRule("abc", select, "a")) << select;
        EXPECT_FALSE(fTestRule("abc", select, "")) << select;
    }
}

// --- the stored rule count ----------------------------------------------------------

TEST(RuleCount, AbsentOrNotPositiveReadsNoRule)
{
    MemorySettingsStore store;
    putRule(store, 1, "Name", "Not blank", "");
    const Record event = withName("Disk drive");

    EXPECT_FALSE(fProcessRules(store, event));
    EXPECT_EQ(store.getCalls(), 1u);

    for (const std::string_view count : {"0", "-1", "-32768", "0.4"}) {
        store.save("Rules", "Count", count);
        const auto before = store.getCalls();
        EXPECT_FALSE(fProcessRules(store, event)) << count;
        EXPECT_EQ(store.getCalls() - before, 1u) << count;
    }

    store.save("Rules", "Count", "1");
    EXPECT_TRUE(fProcessRules(store, event));
}

TEST(RuleCount, TextThatIsNoSixteenBitNumberFails)
{
    const Record event = withName("Disk drive");
    for (const std::string_view count : {"abc", "", "1x", "99999", "32768", "-32769", "0x10"}) {
        MemorySettingsStore store = oneRule("Name", "Not blank", "");
        store.save("Rules", "Count", count);
        EXPECT_THROW(fProcessRules(store, event), ExtractionError) << '"' << count << '"';
    }
}

TEST(RuleCount, LimitsOfTheRangeAreAccepted)
{
    MemorySettingsStore store = oneRule("Name", "Not blank", "");
    store.save("Rules", "Count", "32767");
    EXPECT_TRUE(fProcessRules(store, withName("Disk drive")));
    store.save("Rules", "Count", " 1 ");
    EXPECT_TRUE(fProcessRules(store, withName("Disk drive")));
}

// --- rules against events -----------------------------------------------------------

TEST(ProcessRules, StartsWithIgnoresLetterCaseOfValues)
{
    EXPECT_TRUE(matches("Device", "Starts with", "usbstor\\", withDevice("USBSTOR\\DISK&VEN_ZORBEX")));
    EXPECT_TRUE(matches("Device", "Starts with", "usbstor\\", withDevice("usbstor\\disk&ven_zorbex")));
    // Rule values are lowered again when read, whatever the store holds.
    EXPECT_TRUE(matches("Device", "Starts with", "USBSTOR\\", withDevice("UsbStor\\Disk")));
    EXPECT_FALSE(matches("Device", "Starts with", "usbstor\\", withDevice("USBSTOR\\")));
    EXPECT_FALSE(matches("Device", "Starts with", "usbstor\\", withDevice("USBSTOR")));
}

TEST(ProcessRules, ContainsIgnoresLetterCaseOfValues)
{
    EXPECT_TRUE(matches("Name", "Contains", "mass storage", withName("USB Mass Storage Device")));
    EXPECT_TRUE(matches("Name", "Contains", "mass storage", withName("usb mass storage device")));
    EXPECT_TRUE(matches("Name", "Contains", "Mass Storage", withName("USB MASS STORAGE")));
    EXPECT_FALSE(matches("Name", "Contains", "mass storage", withName("USB Storage Device")));
    EXPECT_FALSE(matches("Name", "contains", "mass storage", withName("USB Mass Storage Device")));
}

TEST(ProcessRules, NotBlankMatchesAnyNonEmptyValue)
{
    EXPECT_TRUE(matches("Name", "Not blank", "", withName("x")));
    EXPECT_TRUE(matches("Name", "Not blank", "zzz", withName("Disk drive")));
    EXPECT_FALSE(matches("Name", "Not blank", "", withName("")));
    EXPECT_FALSE(matches("Signature", "Not blank", "", withName("Disk drive")));
}

TEST(ProcessRules, EmptyRuleValueMatchesNonEmptyFields)
{
    EXPECT_TRUE(matches("Name", "Starts with", "", withName("a")));
    EXPECT_TRUE(matches("Name", "Contains", "", withName("a")));
    EXPECT_FALSE(matches("Name", "Starts with", "", withName("")));
    EXPECT_FALSE(matches("Name", "Contains", "", withName("")));
}

TEST(ProcessRules, EachFieldNameSelectsItsOwnValue)
{
    // Every value of the column record is its own field name, and no field name holds
    // another, so a rule on field F finds the text "F" only in F's own value.
    const Record names = columnRecord();
    for (const auto field : kFieldNames) {
        for (const auto other : kFieldNames) {
            const MemorySettingsStore store = oneRule(field, "Contains", other);
            const bool expected = field == other;
            EXPECT_EQ(fProcessRules(store, names), expected) << field << " / " << other;
            EXPECT_EQ(fProcessRules(store, names.full, names.date, names.instance, names.line,
                                    names.type, names.code, names.path, names.device, names.guid,
                                    names.name, names.sig),
                      expected)
                << field << " / " << other;
        }
    }
}

TEST(ProcessRules, UnknownFieldNamesTestAnEmptyValue)
{
    const Record full = {.full = "f", .date = "2005/05/12 12:35:10", .instance = "i",
                         .line = "3", .type = "Summary", .code = "S", .path = "p",
                         .device = "USBSTOR\\DISK", .guid = "g", .name = "Disk", .sig = "s"};
    for (const std::string_view field : {"device", "Date", "", "DateTime", "Device "}) {
        EXPECT_FALSE(matches(field, "Starts with", "", full)) << field;
        EXPECT_FALSE(matches(field, "Not blank", "", full)) << field;
        EXPECT_FALSE(matches(field, "Contains", "usbstor", full)) << field;
        EXPECT_FALSE(matches(field, "Contains", "", full)) << field;
    }
}

TEST(ProcessRules, TypeAndCodeOfEventsCanBeTested)
{
    const Record event = withName("");
    EXPECT_TRUE(matches("Type", "Starts with", "Sum", event));
    EXPECT_TRUE(matches("Code", "Contains", "s", event));
    EXPECT_FALSE(matches("Code", "Starts with", "s", event));  // "s" is not longer than "s"
}

TEST(ProcessRules, MissingRuleKeysSkipOnlyThatRule)
{
    MemorySettingsStore store;
    putRule(store, 1, "Name", "Contains", "floppy");
    putRule(store, 3, "Device", "Starts with", "fdc\\");
    store.save("Rules", "Count", "3");

    EXPECT_TRUE(fProcessRules(store, withName("Floppy disk drive")));
    EXPECT_TRUE(fProcessRules(store, withDevice("FDC\\GENERIC_FLOPPY_DRIVE")));
    EXPECT_FALSE(fProcessRules(store, withDevice("PCI\\VEN_8086")));
}

TEST(ProcessRules, RulesPastTheCountAreNotRead)
{
    MemorySettingsStore store;
    putRule(store, 1, "Name", "Contains", "floppy");
    putRule(store, 2, "Device", "Starts with", "fdc\\");
    store.save("Rules", "Count", "1");

    const auto before = store.getCalls();
    EXPECT_FALSE(fProcessRules(store, withDevice("FDC\\GENERIC_FLOPPY_DRIVE")));
    EXPECT_EQ(store.getCalls() - before, 4u);  // Count and the three keys of rule 1
}

TEST(ProcessRules, FirstMatchStopsReading)
{
    MemorySettingsStore store;
    putRule(store, 1, "Name", "Contains", "disk");
    putRule(store, 2, "Device", "Starts with", "usbstor\\");
    putRule(store, 3, "Name", "Not blank", "");
    store.save("Rules", "Count", "3");

    auto before = store.getCalls();
    EXPECT_TRUE(fProcessRules(store, withName("Disk drive")));
    EXPECT_EQ(store.getCalls() - before, 4u);

    before = store.getCalls();
    EXPECT_TRUE(fProcessRules(store, withDevice("USBSTOR\\DISK")));
    EXPECT_EQ(store.getCalls() - before, 7u);

    before = store.getCalls();
    EXPECT_FALSE(fProcessRules(store, withDevice("PCI\\VEN_8086")));
    EXPECT_EQ(store.getCalls() - before, 10u);
}

TEST(ProcessRules, RulesAreReadAfreshAtEveryCall)
{
    MemorySettingsStore store = oneRule("Name", "Contains", "disk");
    const Record event = withName("Disk drive");
    EXPECT_TRUE(fProcessRules(store, event));
    store.save("Rules", "1v", "tape");
    EXPECT_FALSE(fProcessRules(store, event));
    store.save("Rules", "Count", "0");
    store.save("Rules", "1v", "disk");
    EXPECT_FALSE(fProcessRules(store, event));
}

TEST(ProcessRules, KeptRulesOfSeveralFieldsAgreeWithTheStore)
{
    // The kept rules are grouped by what they test; whichever rule of a set matches, the
    // verdict must be the one the store's rules, read in turn, give.
    using Rule = std::array<std::string_view, 3>;
    const std::vector<std::vector<Rule>> sets = {
        {{"Name", "Contains", "disk"}, {"Device", "Contains", "usb"}, {"Name", "Contains", "ive"}},
        {{"Device", "Starts with", "ide\\"}, {"Name", "Starts with", "cd"}, {"Name", "Contains", "rom"}},
        {{"Name", "Starts with", "CL\xC3\x89"}, {"GUID", "Contains", "e9"}, {"Device", "Not blank", ""}},
        {{"Name", "Contains", ""}, {"Bogus", "Not blank", ""}, {"Device", "Starts with", "\xE2\x82\xAC"}},
        {{"Device", "Starts", "usb"}, {"Path", "Starts with", ""}, {"Signature", "Contains", "8 gb"}},
        {{"Device", "Contains", "disk drive"}, {"Name", "Starts with", "usbstor\\disk"}},
    };
    const std::vector<Record> events = {
        withName("Disk drive"), withName("CD"), withName("CD-ROM"), withName("cl\xC9 USB"),
        withName("CL\xC9"), withDevice("USBSTOR\\DISK"), withDevice("IDE\\"), withDevice("ide\\x"),
        withDevice("Disk Drive"), withDevice("\xE2\x82\xAC 1"), withName(""),
        {.full = "", .date = "", .instance = "", .line = "", .type = "", .code = "", .path = "",
         .device = "USB\\X", .guid = "", .name = "Floppy", .sig = ""},
        {.full = "", .date = "", .instance = "", .line = "", .type = "", .code = "", .path = "p",
         .device = "", .guid = "{E9}", .name = "Hive", .sig = "Disk 8 GB"},
    };
    int matched = 0;
    for (std::size_t s = 0; s < sets.size(); ++s) {
        MemorySettingsStore store;
        for (std::size_t r = 0; r < sets[s].size(); ++r) {
            putRule(store, static_cast<int>(r + 1), sets[s][r][0], sets[s][r][1], sets[s][r][2]);
        }
        store.save("Rules", "Count", std::to_string(sets[s].size()));
        StoredRules kept(store);
        for (std::size_t e = 0; e < events.size(); ++e) {
            const bool verdict = fProcessRules(store, events[e]);
            EXPECT_EQ(kept.matches(events[e]), verdict) << "set " << s << ", event " << e;
            matched += verdict ? 1 : 0;
        }
    }
    // Both verdicts are seen often: the sets test something.
    EXPECT_GT(matched, 15);
    EXPECT_LT(matched, 50);
}

TEST(ProcessRules, KeptContainsRulesAgreeWithTheStoreOnEveryShortValue)
{
    // The kept rules look for a text by moving on past the places where it cannot begin.
    // Every value of up to six of these bytes, and texts that repeat their own beginnings,
    // would show a move too far; "\xC9" is a capital that lowering turns into "\xE9". A
    // stored byte that is no UTF-8 is kept as it is, a capital no lowered value holds.
    const std::string letters = "abA\xC9\xE9";
    std::vector<std::string> values = {""};
    for (std::size_t from = 0; values.back().size() < 6;) {
        const std::size_t to = values.size();
        for (std::size_t i = from; i < to; ++i) {
            for (const char c : letters) {
                values.push_back(values[i] + c);
            }
        }
        from = to;
    }
    ASSERT_EQ(values.size(), 19531u);  // 1 + 5 + 25 + ... + 5^6
    const struct {
        std::string_view text;
        bool matchesSome;
    } cases[] = {{"a", true},     {"ab", true},           {"aba", true},   {"abaa", true},
                 {"baab", true},  {"\xC3\xA9" "a", true}, {"a\xC9", false}};
    for (const auto& [text, matchesSome] : cases) {
        const MemorySettingsStore store = oneRule("Name", "Contains", text);
        StoredRules kept(store);
        int differ = 0;
        int matched = 0;
        for (const std::string& value : values) {
            const bool verdict = fProcessRules(store, withName(value));
            differ += kept.matches(withName(value)) != verdict ? 1 : 0;
            matched += verdict ? 1 : 0;
        }
        EXPECT_EQ(differ, 0) << testing::PrintToString(text);
        EXPECT_EQ(matched > 0, matchesSome) << testing::PrintToString(text);
    }
}

TEST(ProcessRules, ContainsFindsATextLongerThanTheLongestMove)
{
    const std::string text = std::string(300, 'x') + "y";
    EXPECT_TRUE(matches("Name", "Contains", text, withName(text)));
    EXPECT_TRUE(matches("Name", "Contains", text, withName("z" + std::string(301, 'X') + "Y!")));
    EXPECT_FALSE(matches("Name", "Contains", text, withName(std::string(299, 'x') + "y")));
    EXPECT_FALSE(matches("Name", "Contains", text, withName(std::string(300, 'x') + "zy")));
    // A byte 256 places from the text's end still moves the search on.
    const std::string far = "y" + std::string(256, 'x');
    EXPECT_TRUE(matches("Name", "Contains", far, withName(std::string(256, 'x') + far)));
}

// --- text beyond ASCII --------------------------------------------------------------

TEST(ProcessRules, StoredUtf8MatchesLatin1LogBytes)
{
    // The dialog stores "é" as UTF-8; the log holds it as the single byte 0xE9.
    EXPECT_TRUE(matches("Name", "Contains", "\xC3\xA9", withName("Cl\xE9 USB")));
    // A capital É in the log is lowered alike.
    EXPECT_TRUE(matches("Name", "Contains", "\xC3\xA9", withName("CL\xC9 USB")));
    // So is a capital É in the store.
    EXPECT_TRUE(matches("Name", "Starts with", "cl\xC3\x89", withName("CL\xC9 USB")));
    // The UTF-8 bytes of "é" in a log are two other characters there.
    EXPECT_FALSE(matches("Name", "Contains", "\xC3\xA9", withName("Cl\xC3\xA9 USB")));
    // The multiplication sign is no letter and is not lowered to the division sign.
    EXPECT_FALSE(matches("Name", "Contains", "\xC3\xB7", withName("4\xD7" "4")));
}

TEST(ProcessRules, RuleValueOutsideLatin1NeverMatchesAValue)
{
    // "€" cannot occur in a Latin-1 log, even where the log bytes equal its UTF-8 form.
    const Record event = withName("Price \xE2\x82\xAC 5");
    EXPECT_FALSE(matches("Name", "Contains", "\xE2\x82\xAC", event));
    EXPECT_FALSE(matches("Name", "Starts with", "price \xE2\x82\xAC", event));
    EXPECT_TRUE(matches("Name", "Not blank", "\xE2\x82\xAC", event));
    EXPECT_FALSE(matches("Name", "Not blank", "\xE2\x82\xAC", withName("")));
}

// --- the drive-finding rule set -----------------------------------------------------

class DefaultRuleSet : public ::testing::Test {
protected:
    void SetUp() override { ResetRegistry(m_store); }
    bool passes(const Record& event) const { return fProcessRules(m_store, event); }
    MemorySettingsStore m_store;
};

TEST_F(DefaultRuleSet, KeepsStorageDrives)
{
    EXPECT_TRUE(passes(withDevice(
        "USBSTOR\\Disk&Ven_Kingston&Prod_DataTraveler&Rev_PMAP\\001A92053B6FBA9100780012&0")));
    EXPECT_TRUE(passes(withDevice("IDE\\DiskST380011A_____________________3.06____")));
    EXPECT_TRUE(passes(withName("USB Mass Storage Device")));
    EXPECT_TRUE(passes(withName("CD-ROM Drive")));
    EXPECT_TRUE(passes(withName("Floppy disk drive")));

    Record volume = withName("Generic volume");
    volume.device = "STORAGE\\Volume";
    EXPECT_TRUE(passes(volume));

    Record signature = withName("");
    signature.sig = "Disk 8 GB";
    EXPECT_TRUE(passes(signature));
}

TEST_F(DefaultRuleSet, NameEqualToAStartsWithValueIsNotEnough)
{
    // "Generic volume" only equals the rule value "generic volume"; it does not start with
    // it, so such an event passes through its Device, not its Name.
    EXPECT_FALSE(passes(withName("Generic volume")));
    EXPECT_TRUE(passes(withName("Generic volume (E:)")));
}

TEST_F(DefaultRuleSet, RejectsOtherDevices)
{
    const Record adapter = {.full = "", .date = "2005/05/12 12:40:02", .instance = "632.9",
                            .line = "41", .type = "Summary", .code = "S", .path = "",
                            .device = "PCI\\VEN_8086&DEV_100E&SUBSYS_001E8086&REV_02\\3&61AAA01&0&40",
                            .guid = "4d36e972-e325-11ce-bfc1-08002be10318",
                            .name = "Intel(R) PRO/1000 MT Network Connection", .sig = ""};
    EXPECT_FALSE(passes(adapter));
    EXPECT_FALSE(passes(withDevice("HID\\VID_046D&PID_C016\\6&1234&0&0000")));
}

}  // namespace
}  // namespace tillery
