#include "core/DefaultRules.h"
#include "core/MemorySettingsStore.h"
#include "core/OutputFormat.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace tillery {
namespace {

constexpr std::string_view kColumnLine =
    "Date Time\tInstance\tLine\tType\tCode\tSignature\tGUID\tName\tDevice\tFull Text\tPath";

// Every value distinct, so a value in the wrong column shows at once.
Record distinctRecord()
{
    Record r;
    r.full = "full";
    r.date = "date";
    r.instance = "inst";
    r.line = "12";
    r.type = "Summary";
    r.code = "S";
    r.path = "path";
    r.device = "dev";
    r.guid = "guid";
    r.name = "name";
    r.sig = "sig";
    return r;
}

constexpr std::string_view kDistinctRow = "date\tinst\t12\tSummary\tS\tsig\tguid\tname\tdev\tfull\tpath";

std::string row(std::string_view mask, bool ruleBased, const Record& record)
{
    std::string out;
    appendRow(out, mask, ruleBased, record);
    return out;
}

void storeShowFields(MemorySettingsStore& store, std::string_view value)
{
    for (const auto name : kFieldNames) {
        store.save("ShowFields", name, value);
    }
}

// --- the field mask -----------------------------------------------------------------

TEST(FieldMask, NothingStoredShowsEveryField)
{
    const MemorySettingsStore store;
    EXPECT_EQ(fFormatShowFields(store), "11111111111");
}

TEST(FieldMask, OnlyTheExactWordFalseHidesAField)
{
    MemorySettingsStore store;
    store.save("ShowFields", "Date Time", "False");
    store.save("ShowFields", "Instance", "false");
    store.save("ShowFields", "Line", "0");
    store.save("ShowFields", "Type", "");
    store.save("ShowFields", "Code", " False");
    store.save("ShowFields", "Signature", "FALSE");
    store.save("ShowFields", "Path", "False");
    EXPECT_EQ(fFormatShowFields(store), "01111111110");
}

TEST(FieldMask, KeysAreMatchedByExactFieldName)
{
    MemorySettingsStore store;
    store.save("ShowFields", "device", "False");    // wrong case: not the Device key
    store.save("ShowFields", "FullText", "False");  // no blank: not the Full Text key
    store.save("Rules", "Name", "False");            // wrong section
    EXPECT_EQ(fFormatShowFields(store), "11111111111");
}

TEST(FieldMask, DefaultRuleSetShowsDateTimeNameAndDevice)
{
    MemorySettingsStore store;
    ResetRegistry(store);
    EXPECT_EQ(fFormatShowFields(store), "10000001100");
}

// --- rows ---------------------------------------------------------------------------

TEST(Row, ValuesFollowCatalogueOrderNotParameterOrder)
{
    EXPECT_EQ(row(kAllFieldsMask, true, distinctRecord()), kDistinctRow);
    EXPECT_EQ(fFormatOutput("", false, "full", "date", "inst", "12", "Summary", "S", "path", "dev",
                            "guid", "name", "sig"),
              kDistinctRow);
}

TEST(Row, ColumnLineHoldsTheFieldNamesInCatalogueOrder)
{
    EXPECT_EQ(row(kAllFieldsMask, false, columnRecord()), kColumnLine);
    EXPECT_EQ(row("", true, columnRecord()), kColumnLine);
}

TEST(Row, MaskAppliesOnlyToRuleBasedRows)
{
    const Record r = distinctRecord();
    EXPECT_EQ(row("00000001100", true, r), "name\tdev");
    EXPECT_EQ(row("00000001100", false, r), kDistinctRow);
    EXPECT_EQ(row("00000000000", false, r), kDistinctRow);
    EXPECT_EQ(fFormatOutput("00000001100", false, "full", "date", "inst", "12", "Summary", "S",
                            "path", "dev", "guid", "name", "sig"),
              kDistinctRow);
}

TEST(Row, EmptyMaskWritesEveryField)
{
    EXPECT_EQ(row("", true, distinctRecord()), kDistinctRow);
}

TEST(Row, NameComesBeforeDevice)
{
    EXPECT_EQ(row("00000001100", true, columnRecord()), "Name\tDevice");
    Record r = distinctRecord();
    r.name.clear();
    EXPECT_EQ(row("00000001100", true, r), "\tdev");
}

TEST(Row, NothingSelectedGivesAnEmptyRow)
{
    MemorySettingsStore store;
    storeShowFields(store, "False");
    const std::string mask = fFormatShowFields(store);
    EXPECT_EQ(mask, "00000000000");
    EXPECT_EQ(row(mask, true, columnRecord()), "");
    EXPECT_EQ(row(mask, true, distinctRecord()), "");
}

TEST(Row, CharactersOtherThanOneLeaveTheFieldOut)
{
    const Record r = distinctRecord();
    EXPECT_EQ(row("1x1 1T1\x01" "1-1", true, r), "date\t12\tS\tguid\tdev\tpath");
    EXPECT_EQ(row("22222222222", true, r), "");
}

TEST(Row, ShortMaskLeavesTheRestOut)
{
    EXPECT_EQ(row("1", true, distinctRecord()), "date");
    EXPECT_EQ(row("0000000011", true, distinctRecord()), "dev\tfull");
}

TEST(Row, CharactersAfterTheEleventhHaveNoEffect)
{
    EXPECT_EQ(row("00000000001" "1111", true, distinctRecord()), "path");
    EXPECT_EQ(row(std::string(11, '1') + "0000", true, distinctRecord()), kDistinctRow);
}

TEST(Row, EmptyValuesKeepTheirColumns)
{
    const Record empty;
    EXPECT_EQ(row(kAllFieldsMask, true, empty), std::string(10, '\t'));
    EXPECT_EQ(row("10100000001", true, empty), "\t\t");
    EXPECT_EQ(row("00000000100", true, empty), "");

    // A header record without a header date: Line "0" stands in the third column.
    Record header;
    header.full = "[SetupAPI Log] OS Version = 5.1.2600";
    header.line = "0";
    header.type = "Header";
    header.code = "H";
    EXPECT_EQ(row(kAllFieldsMask, false, header),
              "\t\t0\tHeader\tH\t\t\t\t\t[SetupAPI Log] OS Version = 5.1.2600\t");
}

TEST(Row, SelectedFieldsAreJoinedByOneTabLessThanTheirNumber)
{
    const Record r = distinctRecord();
    const std::string masks[] = {"10000000000", "11000000000", "01010101010", "11111111110",
                                 "00000000011"};
    for (const auto& mask : masks) {
        const auto selected = std::count(mask.begin(), mask.end(), '1');
        const std::string out = row(mask, true, r);
        EXPECT_EQ(std::count(out.begin(), out.end(), '\t'), selected - 1) << mask;
        EXPECT_NE(out.front(), '\t') << mask;
        EXPECT_NE(out.back(), '\t') << mask;
    }
}

TEST(Row, ValuesAreWrittenAsTheyAre)
{
    Record r;
    r.name = "a\tb";
    r.device = "\"quoted\" \xE9\xFF";
    EXPECT_EQ(row("00000001100", true, r), "a\tb\t\"quoted\" \xE9\xFF");
}

TEST(Row, AppendsToWhatTheBufferHolds)
{
    std::string out = "kept|";
    appendRow(out, "00000001100", true, distinctRecord());
    EXPECT_EQ(out, "kept|name\tdev");
    appendRow(out, "10000000000", true, distinctRecord());
    EXPECT_EQ(out, "kept|name\tdevdate");
}

}  // namespace
}  // namespace tillery
