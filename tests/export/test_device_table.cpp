#include "ParsedOutput.h"
#include "core/OutputFormat.h"
#include "export/DeviceTable.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

using namespace tillery;

namespace {

struct Event {
    const char* date;
    const char* instance;
    const char* device;
    const char* sig;
    const char* name;
    std::int64_t line;
};

Record record(const Event& e)
{
    Record r;
    r.date = e.date;
    r.instance = e.instance;
    r.device = e.device;
    r.sig = e.sig;
    r.name = e.name;
    r.type = "Summary";
    r.code = "S";
    return r;
}

// The context a run gives an event whose Device was not tidied.
RowContext eventContext(const Record& event, std::int64_t line, Layout layout = Layout::Vista)
{
    RowContext c;
    c.untidiedDevice = event.device;
    c.layout = layout;
    c.kind = RowKind::Event;
    c.time = TimeKind::VistaSection;
    c.sourceLine = line;
    c.ruleBased = true;
    return c;
}

ExportOptions options()
{
    return {*TextDecoder::open("windows-1252"), TimeConversion(), "", true};
}

constexpr const char* kStick = R"(USBSTOR\Disk&Ven_Generic&Prod_Flash_Disk&Rev_8.07\99E2116A&0)";
constexpr const char* kStickNode =
    R"(SWD\WPDBUSENUM\_??_USBSTOR#Disk&Ven_Generic&Prod_Flash_Disk&Rev_8.07#99E2116A&0#{53f56307-b6bf-11d0-94f2-00a0c91efb8b})";
constexpr const char* kOther = R"(USBSTOR\Disk&Ven_Other&Prod_Disk&Rev_1.00\123456&0)";
constexpr const char* kKingstonXp = R"(USBSTOR\DISK&VEN_KINGSTON&PROD_DATATRAVELER_2.0&REV_PMAP\5B6B0B2A08B9&0)";

// Feeds one event as a run gives it.
void feed(DeviceTable& table, const Event& e, Layout layout = Layout::Vista)
{
    const Record r = record(e);
    table.row(viewOf(r), eventContext(r, e.line, layout));
}

// Two logs: an XP log with the Kingston stick twice, a Vista log with the Generic stick
// as disk and as portable-device node (upper and mixed case), and one event with no
// identifier.
DeviceTable filledTable()
{
    DeviceTable table(options());
    table.beginSource("xp/setupapi.log");
    feed(table, {"2008/05/02 09:00:00", " 1.2] Device Install", kKingstonXp, "", "", 40}, Layout::WindowsXp);
    feed(table, {"2008/05/01 08:00:00", " 1.1] Device Install", kKingstonXp, "", "P\xE9riph\xE9rique USB", 20}, Layout::WindowsXp);
    RowContext columns = eventContext(columnRecord(), 0);
    columns.kind = RowKind::Columns;
    table.row(viewOf(columnRecord()), columns);  // ignored
    table.beginSource("vista/setupapi.dev.log");
    feed(table, {"2016/11/22 23:50:28", "Device Install (Hardware initiated) - x", kStick, "", "Disk drive", 90});
    feed(table, {"2016/11/22 23:50:30", "Device Install (Hardware initiated) - x", kStickNode,
                      R"(USBSTOR\DISK&VEN_GENERIC&PROD_FLASH_DISK&REV_8.07\99E2116A&0)", "WPD FileSystem Volume Driver", 125});
    feed(table, {"2016/11/22 23:55:00", "Install Driver Updates", "", "", "", 300});
    return table;
}

}  // namespace

TEST(DeviceTable, OneRowPerDeviceSortedByFirstSeenAcrossLogsInEveryFormat)
{
    const DeviceTable table = filledTable();
    EXPECT_EQ(table.deviceCount(), 2u);
    EXPECT_EQ(table.unidentifiedEvents(), 1);

    std::ostringstream out;
    table.write(out, ExportFormat::Csv);
    const auto rows = test::readCsv(out.str());
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0], (std::vector<std::string>{
                           "first_seen", "last_seen", "events", "Name", "Device", "bus", "vendor",
                           "product", "revision", "serial", "serial_unique", "vid", "pid",
                           "first_source", "first_source_line", "last_source", "last_source_line"}));
    const std::vector<std::string> kingston = {
        "2008-05-01T08:00:00", "2008-05-02T09:00:00", "2", "P\xC3\xA9riph\xC3\xA9rique USB", kKingstonXp,
        "USBSTOR", "KINGSTON", "DATATRAVELER_2.0", "PMAP", "5B6B0B2A08B9&0", "true", "", "",
        "xp/setupapi.log", "20", "xp/setupapi.log", "40"};
    EXPECT_EQ(rows[1], kingston);
    const std::vector<std::string> generic = {
        "2016-11-22T23:50:28", "2016-11-22T23:50:30", "2", "Disk drive", kStick,
        "USBSTOR", "Generic", "Flash_Disk", "8.07", "99E2116A&0", "true", "", "",
        "vista/setupapi.dev.log", "90", "vista/setupapi.dev.log", "125"};
    EXPECT_EQ(rows[2], generic);

    // ".xls" keeps the log's bytes; JSON Lines keeps numbers and truth values as such.
    std::ostringstream xls;
    table.write(xls, ExportFormat::Xls);
    const std::string text = xls.str();
    EXPECT_NE(text.find("\tP\xE9riph\xE9rique USB\t"), std::string::npos);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 3);
    std::ostringstream jsonl;
    table.write(jsonl, ExportFormat::Jsonl);
    const auto objects = test::readJsonLines(jsonl.str());
    ASSERT_EQ(objects.size(), 2u);
    EXPECT_EQ(objects[1]["events"], 2);
    EXPECT_EQ(objects[1]["serial_unique"], true);
    EXPECT_EQ(objects[1]["last_source_line"], 125);
}

TEST(DeviceTable, KeysOnTheUntidiedDeviceAndShowsTheTidiedOne)
{
    // A Rule based run with the tidy on delivers the tidied Device, which has lost the
    // serial; the context keeps the identifier. Undated events count but set no time.
    DeviceTable table(options());
    table.beginSource("a.log");
    const std::vector<Event> events = {
        {"?", "", kStick, "", "", 1},
        {"2010/01/02 00:00:00", "", kStick, "", "", 2},
        {"", "", kKingstonXp, "", "", 3},
    };
    for (const Event& e : events) {
        Record tidied = record(e);
        tidied.device = "tidy:" + tidied.device.substr(0, 12);
        table.row(viewOf(tidied), eventContext(record(e), e.line));
    }
    std::ostringstream csv;
    table.write(csv, ExportFormat::Csv);
    const auto rows = test::readCsv(csv.str());
    ASSERT_EQ(rows.size(), 3u);
    ASSERT_EQ(rows[1].size(), kDeviceColumns.size());
    ASSERT_EQ(rows[2].size(), kDeviceColumns.size());
    // The dated device comes first; its times come from its dated event only.
    const auto pick = [](const std::vector<std::string>& row) {
        return std::vector<std::string>{row[0], row[1], row[2], row[4], row[9], row[14]};
    };
    EXPECT_EQ(pick(rows[1]), (std::vector<std::string>{"2010-01-02T00:00:00", "2010-01-02T00:00:00",
                                                       "2", "tidy:USBSTOR\\Disk", "99E2116A&0", "2"}));
    EXPECT_EQ(pick(rows[2]), (std::vector<std::string>{"", "", "1", "tidy:USBSTOR\\DISK", "5B6B0B2A08B9&0", "3"}));
}

TEST(DeviceTable, AppendingLaterLogsGivesTheTableOfAllRows)
{
    // Per-log tables joined in input order, as several threads build them, against one
    // table fed every row. Ties in time, a name that only a later log knows, and a device
    // first seen in the later log all take part.
    const std::vector<std::vector<Event>> logs = {
        {{"2010/01/02 00:00:00", "", kStick, "", "", 5}, {"", "", kKingstonXp, "", "", 6}},
        {{"2010/01/02 00:00:00", "", kStick, "", "Disk drive", 7},
         {"2009/12/31 00:00:00", "", kKingstonXp, "", "Stick", 8},
         {"2011/01/01 00:00:00", "", kStickNode, "", "", 9},
         {"2008/01/01 00:00:00", "", kOther, "", "", 10}},
    };
    DeviceTable whole(options());
    DeviceTable joined(options());
    for (std::size_t i = 0; i < logs.size(); ++i) {
        DeviceTable part(options());
        for (DeviceTable* table : {&whole, &part}) {
            table->beginSource("log" + std::to_string(i));
            for (const Event& e : logs[i]) {
                feed(*table, e);
            }
        }
        joined.append(part);
    }
    std::ostringstream a;
    std::ostringstream b;
    whole.write(a, ExportFormat::Jsonl);
    joined.write(b, ExportFormat::Jsonl);
    const std::string text = a.str();
    EXPECT_EQ(b.str(), text);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 3);
}
