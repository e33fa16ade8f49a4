// The Vista-and-later log (setupapi.dev.log): layout test and header, events and their
// boundaries, and the field values of each kind of line, on small hand-made logs.

#include "core/DefaultRules.h"
#include "core/SettingsStore.h"
#include "extract/VistaLines.h"
#include "support/RunFixture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tillery::test {
namespace {

using namespace std::string_literals;

enum Col { Date, Instance, Line, Type, Code, Sig, Guid, Name, Device, Full, Path };

// Lines joined with CR LF, each ending in one.
std::string crlf(std::initializer_list<std::string_view> lines)
{
    std::string text;
    for (const std::string_view line : lines) {
        text.append(line).append("\r\n");
    }
    return text;
}

// Header block and preamble: eight header lines, then a boot session.
const std::string kHead = crlf({
    "[Device Install Log]",
    "     OS Version = 6.1.7601",
    "     Service Pack = 1.0",
    "     Suite = 0x0100",
    "     ProductType = 1",
    "     Architecture = amd64",
    "",
    "[BeginLog]",
    "",
    "[Boot Session: 2012/03/14 20:58:02.500]",
    "",
});
const std::string kHeaderText =
    "OS Version = 6.1.7601; Service Pack = 1.0; Suite = 0x0100; ProductType = 1; Architecture = amd64";

const std::string kVolumeId =
    "STORAGE\\Volume\\_??_USBSTOR#Disk&Ven_Kingston&Prod_DataTraveler_2.0&Rev_PMAP#5B6B0B2A08B9&0#"
    "{53f56307-b6bf-11d0-94f2-00a0c91efb8b}";
const std::string kKingston = "USBSTOR\\Disk&Ven_Kingston&Prod_DataTraveler_2.0&Rev_PMAP\\5B6B0B2A08B9&0";
const std::string kVolumeSection = crlf({
    ">>>  [Device Install (Hardware initiated) - " + kVolumeId + "]",
    ">>>  Section start 2012/03/14 21:03:50.100",
    "     dvi:           DevDesc      - Generic volume",
    "<<<  Section end 2012/03/14 21:03:51.000",
    "<<<  [Exit status: SUCCESS]",
    "",
    "",
});

// Presses Start on the log with the default rules, in one extraction type.
std::vector<std::vector<std::string>> pressRows(const std::string& log, ExtractionType type,
                                                RunFixture* keep = nullptr)
{
    RunFixture local(type);
    RunFixture& f = keep != nullptr ? *keep : local;
    f.ops.type = type;
    f.writeLog(log);
    return f.pressWithDefaultRules();
}

std::string pressOutput(const std::string& log, ExtractionType type)
{
    RunFixture f(type);
    ResetRegistry(f.store);
    f.writeLog(log);
    EXPECT_EQ(f.press().run.outcome, RunOutcome::Completed);
    return f.output();
}

// ---- Layout test and header block --------------------------------------------------------

TEST(VistaLogTest, FirstLineDecidesTheLayoutAndTheHeaderBlockItsHeaderRecord)
{
    const std::string section = crlf({">>>  [Enable Device Install]",
                                      ">>>  Section start 2020/01/02 03:04:05.678",
                                      "<<<  Section end 2020/01/02 03:04:05.700",
                                      "<<<  [Exit status: SUCCESS]"});
    struct Case {
        const char* what;
        std::string log;
        bool vista;           // read as the Vista layout (else refused)
        std::string header;   // Full Text of the header record
        std::string headDate;
        std::string firstFullLine;  // Line field of the first row after the header record
    };
    const Case cases[] = {
        {"H", kHead + section, true, "[Device Install Log] " + kHeaderText, "2012/03/14 20:58:02", "9"},
        {"byte-order mark", "\xEF\xBB\xBF" + kHead + section, true,
         "[Device Install Log] " + kHeaderText, "2012/03/14 20:58:02", "9"},
        {"trailing blanks", "[Device Install Log]   \r\n" + kHead.substr(22) + section, true,
         "[Device Install Log] " + kHeaderText, "2012/03/14 20:58:02", "9"},
        {"text after the tag", "[Device Install Log] x\r\n" + kHead.substr(22) + section, true,
         "[Device Install Log] " + kHeaderText, "2012/03/14 20:58:02", "9"},
        // No "[BeginLog]": the block ends before the title, which dates the header.
        {"no BeginLog", crlf({"[Device Install Log]", "     OS Version = 10.0.10240", ""}) + section,
         true, "[Device Install Log] OS Version = 10.0.10240", "2020/01/02 03:04:05", "0"},
        // A "[BeginLog]" followed by a TAB is no end of the block: it is the first body line.
        {"BeginLog with a TAB", crlf({"[Device Install Log]", "[BeginLog]\t"}) + section, true,
         "[Device Install Log] ", "2020/01/02 03:04:05", "2"},
        {"lower case", "[device install log]\r\n" + kHead.substr(22) + section, false, "", "", ""},
        {"UTF-16", "\xFF\xFE[\0D\0e\0v\0"s, false, "", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RunFixture f(ExtractionType::Full);
        f.ops.recordStatuses = true;
        f.writeLog(c.log);
        const PressResult press = f.press();
        if (!c.vista) {
            EXPECT_EQ(press.outcome, PressOutcome::NotSetupApi);
            EXPECT_EQ(press.message, "File is not a setupapi.log file.");
            continue;
        }
        ASSERT_EQ(press.outcome, PressOutcome::Ran);
        ASSERT_GE(f.ops.statuses.size(), 3u);
        const std::vector<std::string> statuses(f.ops.statuses.begin(), f.ops.statuses.begin() + 3);
        EXPECT_EQ(statuses, (std::vector<std::string>{
                                "File is not a WinXP setupapi.log file (does not have SetupAPI in header).",
                                "File is a Vista+ SetupAPI text log.", "Ready to process: "}));
        ASSERT_FALSE(f.ops.enabledHistory.empty());
        EXPECT_FALSE(f.ops.enabledHistory.front());
        const auto rows = f.rows();
        ASSERT_GE(rows.size(), 3u);
        const auto header = columns(rows[1]);
        EXPECT_EQ(header, (std::vector<std::string>{c.headDate, "", "0", "Header", "H", "", "", "",
                                                    "", c.header, ""}));
        EXPECT_EQ(columns(rows[2])[Line], c.firstFullLine);
        EXPECT_EQ(f.output().find("\xEF\xBB\xBF"), std::string::npos);
    }

    // The byte-order mark changes nothing, in any type.
    for (const auto type : {ExtractionType::Full, ExtractionType::Summary, ExtractionType::RuleBased}) {
        EXPECT_EQ(pressOutput("\xEF\xBB\xBF" + kHead + kVolumeSection, type),
                  pressOutput(kHead + kVolumeSection, type));
    }
    // The XP test comes first.
    RunFixture xp(ExtractionType::Full);
    xp.writeLog("[Device Install Log] SetupAPI\r\nOS = 1\r\n[2005/01/02 10:00:00 4.3]\r\n");
    ASSERT_EQ(xp.press().outcome, PressOutcome::Ran);
    EXPECT_EQ(columns(xp.rows().at(1))[Full], "[SetupAPI Log] OS = 1");
}

TEST(VistaLogTest, HeaderOnlyLogWritesColumnsAndHeaderRecord)
{
    const std::string log =
        crlf({"[Device Install Log]", "     OS Version = 10.0.10240", "", "[BeginLog]"});
    EXPECT_EQ(pressOutput(log, ExtractionType::Summary),
              "Date Time\tInstance\tLine\tType\tCode\tSignature\tGUID\tName\tDevice\tFull Text\tPath\r\n");
    const auto full = pressRows(log, ExtractionType::Full);
    ASSERT_EQ(full.size(), 2u);
    EXPECT_EQ(full[1][Date], "");
    EXPECT_EQ(full[1][Full], "[Device Install Log] OS Version = 10.0.10240");
}

// ---- Events and their boundaries ---------------------------------------------------------

struct Event {
    std::string date, instance, line, full, device, sig, name, guid, path;
};

std::vector<std::string> asColumns(const Event& e)
{
    return {e.date, e.instance, e.line, "Summary", "S", e.sig, e.guid, e.name, e.device, e.full, e.path};
}

struct EventCase {
    const char* what;
    std::string body;                   // after kHead
    std::vector<Event> events;          // Summary rows after the first boot session
    std::vector<std::string> ruleRows;  // Rule based rows after the column line
};

const EventCase kEventCases[] = {
    {"complete section", kVolumeSection,
     {{"2012/03/14 21:03:50", "Device Install (Hardware initiated) - " + kVolumeId, "4",
       "<<<  [Exit status: SUCCESS]", kVolumeId, kKingston, "Generic volume", "", ""}},
     {"2012/03/14 21:03:50\tGeneric volume\tUSBSTOR DISK KINGSTON PROD DATATRAVELER 2.0"}},
    {"no exit line",
     crlf({">>>  [Device Install (Hardware initiated) - FDC\\GENERIC_FLOPPY_DRIVE\\6&1a2b3c&0&0]",
           ">>>  Section start 2012/03/15 08:00:00.000",
           "     dvi:           DevDesc      - Floppy disk drive",
           "<<<  Section end 2012/03/15 08:00:01.000", "", ">>>  [Enable Device Install]",
           ">>>  Section start 2012/03/15 08:00:02.000", "<<<  Section end 2012/03/15 08:00:03.000",
           "<<<  [Exit status: SUCCESS]"}),
     {{"2012/03/15 08:00:00", "Device Install (Hardware initiated) - FDC\\GENERIC_FLOPPY_DRIVE\\6&1a2b3c&0&0",
       "3", "<<<  Section end 2012/03/15 08:00:01.000", "FDC\\GENERIC_FLOPPY_DRIVE\\6&1a2b3c&0&0", "",
       "Floppy disk drive", "", ""},
      {"2012/03/15 08:00:02", "Enable Device Install", "3", "<<<  [Exit status: SUCCESS]", "", "", "", "", ""}},
     {"2012/03/15 08:00:00\tFloppy disk drive\tFDC GENERIC FLOPPY DRIVE 6 1A2B3C 0 0"}},
    {"cut off mid-line",
     crlf({">>>  [Device Install (Hardware initiated) - IDE\\CdRomHL-DT-ST_DVDRAM_GH22NS50________________TN02____\\5&2b3c7d39&0&1.0.0]",
           ">>>  Section start 2012/03/15 09:00:00.000", "     dvi:           DevDesc      - CD-ROM Drive"}) +
         "     dvi: {Build Driver Li",
     {{"2012/03/15 09:00:00",
       "Device Install (Hardware initiated) - IDE\\CdRomHL-DT-ST_DVDRAM_GH22NS50________________TN02____\\5&2b3c7d39&0&1.0.0",
       "3", "     dvi: {Build Driver Li",
       "IDE\\CdRomHL-DT-ST_DVDRAM_GH22NS50________________TN02____\\5&2b3c7d39&0&1.0.0", "", "CD-ROM Drive",
       "", ""}},
     {"2012/03/15 09:00:00\tCD-ROM Drive\tIDE CDROMHL-DT-ST DVDRAM GH22NS50"}},
    {"restart during an install",
     crlf({">>>  [Device Install (Hardware initiated) - USB\\VID_0781&PID_5583\\4C530001234567890123]",
           ">>>  Section start 2012/03/16 10:00:00.000",
           "     dvi:           DevDesc      - USB Mass Storage Device", "",
           "[Boot Session: 2012/03/16 10:05:00.500]", ""}),
     {{"2012/03/16 10:00:00", "Device Install (Hardware initiated) - USB\\VID_0781&PID_5583\\4C530001234567890123",
       "2", "     dvi:           DevDesc      - USB Mass Storage Device",
       "USB\\VID_0781&PID_5583\\4C530001234567890123", "", "USB Mass Storage Device", "", ""},
      {"2012/03/16 10:05:00", "Boot Session", "0", "[Boot Session: 2012/03/16 10:05:00.500]", "", "", "", "", ""}},
     {"2012/03/16 10:00:00\tUSB Mass Storage Device\tUSB VID 0781 PID 5583 4C530001234567890123"}},
    {"title inside an open section",
     crlf({">>>  [Device Install (Hardware initiated) - USB\\VID_0781&PID_5583\\4C53]",
           ">>>  Section start 2012/03/16 11:00:00.000",
           ">>>  [Device Install (DiShowUpdateDevice) - USB\\VID_0781&PID_5583\\4C53]",
           ">>>  Section start 2012/03/16 11:00:01.000", "<<<  Section end 2012/03/16 11:00:02.000",
           "<<<  [Exit status: SUCCESS]", "     dvi:           DevDesc      - USB Mass Storage Device",
           "<<<  Section end 2012/03/16 11:00:03.000", "<<<  [Exit status: SUCCESS]"}),
     {{"2012/03/16 11:00:00", "Device Install (Hardware initiated) - USB\\VID_0781&PID_5583\\4C53", "1",
       ">>>  Section start 2012/03/16 11:00:00.000", "USB\\VID_0781&PID_5583\\4C53", "", "", "", ""},
      {"2012/03/16 11:00:01", "Device Install (DiShowUpdateDevice) - USB\\VID_0781&PID_5583\\4C53", "3",
       "<<<  [Exit status: SUCCESS]", "USB\\VID_0781&PID_5583\\4C53", "", "", "", ""}},
     {}},
    {"older documented forms",
     crlf({">>>  [Device Install - PCI\\VEN_104C&DEV_8019&SUBSYS_8010104C&REV_00\\3&61aaa01&0&38]",
           ">>>  2005/02/13 22:06:20.000: Section start", "     ndv: Retrieving device info...",
           "<<<  [2005/02/13 22:06:28.109: Section end]", "<<<  [Exit Status(0x00000000)]"}),
     {{"2005/02/13 22:06:20", "Device Install - PCI\\VEN_104C&DEV_8019&SUBSYS_8010104C&REV_00\\3&61aaa01&0&38",
       "4", "<<<  [Exit Status(0x00000000)]", "PCI\\VEN_104C&DEV_8019&SUBSYS_8010104C&REV_00\\3&61aaa01&0&38",
       "", "", "", ""}},
     {}},
    {"no start line, then a title as the last line",
     crlf({">>>  [Device Install (Hardware initiated) - 1394\\SONY&DV_CAMERA\\0123]",
           "     dvi:           DevDesc      - Sony DV camera", "<<<  [Exit status: SUCCESS]",
           ">>>  [Enable Device Install]"}),
     {{"", "Device Install (Hardware initiated) - 1394\\SONY&DV_CAMERA\\0123", "2",
       "<<<  [Exit status: SUCCESS]", "1394\\SONY&DV_CAMERA\\0123", "", "Sony DV camera", "", ""},
      {"", "Enable Device Install", "0", ">>>  [Enable Device Install]", "", "", "", "", ""}},
     {"\tSony DV camera\t1394 SONY DV CAMERA 0123"}},
    // The Windows 7 shape of a USB disk: the title keeps its case, the chosen driver names it.
    {"hardware-initiated USB disk",
     crlf({">>>  [Device Install (Hardware initiated) - " + kKingston + "]",
           ">>>  Section start 2012/03/14 21:03:45.473",
           "     ump: Creating Install Process: DrvInst.exe 21:03:45.473",
           "     dvi: {Build Driver List} 21:03:45.520", "     dvi:      Created Driver Node:",
           "     dvi:           HardwareID   - GenDisk",
           "     dvi:           InfName      - C:\\Windows\\System32\\DriverStore\\FileRepository\\disk.inf_amd64_neutral_a1b2\\disk.inf",
           "     dvi:           DevDesc      - Disk drive",
           "     dvi: {Build Driver List - exit(0x00000000)} 21:03:45.551",
           "     dvi:      {Select Best Driver}",
           "     dvi:           Class GUID of device remains: {4d36e967-e325-11ce-bfc1-08002be10318}.",
           "     dvi:           Selected:", "     dvi:                Description - [Disk drive]",
           "     dvi:                InfFile     - [c:\\windows\\system32\\driverstore\\filerepository\\disk.inf_amd64_neutral_a1b2\\disk.inf]",
           "     dvi:      {Select Best Driver - exit(0x00000000)}",
           "     ndv:      {Installing device - USBSTOR\\DISK&VEN_KINGSTON&PROD_DATATRAVELER_2.0&REV_PMAP\\5B6B0B2A08B9&0} 21:03:46.001",
           "<<<  Section end 2012/03/14 21:03:49.254", "<<<  [Exit status: SUCCESS]"}),
     {{"2012/03/14 21:03:45", "Device Install (Hardware initiated) - " + kKingston, "17",
       "<<<  [Exit status: SUCCESS]", kKingston, "", "Disk drive", "4d36e967-e325-11ce-bfc1-08002be10318",
       "c:\\windows\\system32\\driverstore\\filerepository\\disk.inf_amd64_neutral_a1b2\\disk.inf"}},
     {"2012/03/14 21:03:45\tDisk drive\tUSBSTOR DISK KINGSTON PROD DATATRAVELER 2.0"}},
    // The chosen driver's Description wins over the candidates and a skipped driver.
    {"name precedence",
     crlf({">>>  [Setup online Device Install (Hardware initiated) - SWD\\PRINTENUM\\PrintQueues]",
           ">>>  Section start 2015/11/22 17:55:25.000",
           "     dvi:           DevDesc      - Generic software device",
           "     dvi:           DevDesc      - Local Print Queue", "     dvi:      Selected:",
           "     dvi:           Description - [Local Print Queue]",
           "     dvi:           InfFile     - [c:\\windows\\inf\\printqueue.inf]",
           "     dvi:      Basic Driver Skipped:",
           "     dvi:           Description - 'Generic software device'",
           "     dvi:           InfFile     - C:\\Windows\\INF\\c_swdevice.inf",
           "<<<  Section end 2015/11/22 17:55:26.000", "<<<  [Exit status: SUCCESS]"}),
     {{"2015/11/22 17:55:25", "Setup online Device Install (Hardware initiated) - SWD\\PRINTENUM\\PrintQueues",
       "11", "<<<  [Exit status: SUCCESS]", "SWD\\PRINTENUM\\PrintQueues", "", "Local Print Queue", "",
       "c:\\windows\\inf\\printqueue.inf"}},
     {}},
    // An INF in the title comes before the command line; braces that are no class GUID.
    {"driver package",
     crlf({">>>  [Setup Import Driver Package - C:\\Program Files\\Oracle\\VirtualBox Guest Additions\\VBoxGuest.inf]",
           ">>>  Section start 2016/01/01 18:00:00.000",
           "      cmd: \"C:\\Program Files\\Oracle\\VirtualBox Guest Additions\\VBoxDrvInst.exe\" driver install",
           "     sto: {Stage Driver Package: C:\\Program Files\\Oracle\\VirtualBox Guest Additions\\VBoxGuest.inf} 18:00:00.100",
           "     inf:      Class GUID     = {4d36e97d-e325-11ce-bfc1-08002be10318}",
           "     flq:      Copying 'C:\\Users\\X\\AppData\\Local\\Temp\\{11111111-2222-3333-4444-555555555555}\\a.sys'",
           "     sig:      {_VERIFY_FILE_SIGNATURE} 18:00:00.200", "<<<  Section end 2016/01/01 18:00:01.000",
           "<<<  [Exit status: SUCCESS]"}),
     {{"2016/01/01 18:00:00",
       "Setup Import Driver Package - C:\\Program Files\\Oracle\\VirtualBox Guest Additions\\VBoxGuest.inf", "8",
       "<<<  [Exit status: SUCCESS]", "", "", "", "4d36e97d-e325-11ce-bfc1-08002be10318",
       "C:\\Program Files\\Oracle\\VirtualBox Guest Additions\\VBoxGuest.inf"}},
     {}},
    // A USB stick named only in a driver refresh: the event takes its Device from the title.
    {"driver refresh",
     crlf({">>>  [Install Driver Updates]", ">>>  Section start 2016/10/05 11:20:00.000",
           "     sto: {Update Device Drivers: disk.inf} 11:20:00.001",
           "     sto:      {Update Device: USBSTOR\\Disk&Ven_SanDisk&Prod_Cruzer&Rev_1.26\\20043513&0}",
           "     inf:      {Configure Driver: Disk drive}", "     sto:      {Update Device: exit(0x00000000)}",
           "<<<  Section end 2016/10/05 11:20:01.000", "<<<  [Exit status: SUCCESS]"}),
     {{"2016/10/05 11:20:00", "Install Driver Updates", "7", "<<<  [Exit status: SUCCESS]", "", "", "", "", ""}},
     {}},
    // Bytes above 0x7F pass unchanged; the English name rule then misses a USB device ...
    {"localised name",
     crlf({">>>  [Device Install (Hardware initiated) - USB\\VID_0781&PID_5583\\4C53]",
           ">>>  Section start 2012/03/17 10:00:00.000",
           "     dvi:           DevDesc      - P\xE9riph\xE9rique de stockage de masse USB",
           "<<<  Section end 2012/03/17 10:00:01.000", "<<<  [Exit status: SUCCESS]",
           // ... while the device rule still finds a USB disk.
           ">>>  [Delete Device - USBSTOR\\Disk&Ven_A&Prod_B&Rev_1.0\\123&0]",
           ">>>  Section start 2012/03/17 11:00:00.000",
           "     dvi:           DevDesc      - P\xE9riph\xE9rique de stockage de masse USB",
           "<<<  Section end 2012/03/17 11:00:01.000", "<<<  [Exit status: SUCCESS]"}),
     {{"2012/03/17 10:00:00", "Device Install (Hardware initiated) - USB\\VID_0781&PID_5583\\4C53", "4",
       "<<<  [Exit status: SUCCESS]", "USB\\VID_0781&PID_5583\\4C53", "",
       "P\xE9riph\xE9rique de stockage de masse USB", "", ""},
      {"2012/03/17 11:00:00", "Delete Device - USBSTOR\\Disk&Ven_A&Prod_B&Rev_1.0\\123&0", "4",
       "<<<  [Exit status: SUCCESS]", "USBSTOR\\Disk&Ven_A&Prod_B&Rev_1.0\\123&0", "",
       "P\xE9riph\xE9rique de stockage de masse USB", "", ""}},
     {"2012/03/17 11:00:00\tP\xE9riph\xE9rique de stockage de masse USB\tUSBSTOR DISK A PROD B"}},
};

TEST(VistaLogTest, EventsRunFromTitleToExitAndCarryTheirValues)
{
    const Event boot{"2012/03/14 20:58:02", "Boot Session", "0", "[Boot Session: 2012/03/14 20:58:02.500]",
                     "", "", "", "", ""};
    for (const EventCase& c : kEventCases) {
        SCOPED_TRACE(c.what);
        const auto summary = pressRows(kHead + c.body, ExtractionType::Summary);
        ASSERT_EQ(summary.size(), 2 + c.events.size());
        EXPECT_EQ(summary[1], asColumns(boot));
        for (std::size_t i = 0; i < c.events.size(); ++i) {
            EXPECT_EQ(summary[2 + i], asColumns(c.events[i])) << "event " << i + 1;
        }

        RunFixture rules(ExtractionType::RuleBased);
        pressRows(kHead + c.body, ExtractionType::RuleBased, &rules);
        std::vector<std::string> ruleRows = rules.rows();
        ASSERT_FALSE(ruleRows.empty());
        EXPECT_EQ(ruleRows[0], "Date Time\tName\tDevice");
        ruleRows.erase(ruleRows.begin());
        EXPECT_EQ(ruleRows, c.ruleRows);

        // Full: one row per line after the header block, plus the column line and header.
        const auto full = pressRows(kHead + c.body, ExtractionType::Full);
        std::size_t lines = 0;
        for (const char ch : kHead + c.body) {
            lines += ch == '\n' ? 1 : 0;
        }
        lines += (c.body.empty() || c.body.back() == '\n') ? 0 : 1;
        EXPECT_EQ(full.size(), lines - 8 + 2);
    }
}

TEST(VistaLogTest, FullRowsOfASectionAndTheLinesAroundIt)
{
    const std::string outside = "   . ump: Start service install for: STORAGE\\Volume\\{aaaaaaaa-bbbb-cccc-dddd-eeeeeeeeeeee}#0000000000100000";
    const auto rows = pressRows(kHead + kVolumeSection + outside + "\r\n", ExtractionType::Full);
    ASSERT_EQ(rows.size(), 2u + 3u + 7u + 1u);
    const std::string instance = "Device Install (Hardware initiated) - " + kVolumeId;
    const std::string date = "2012/03/14 21:03:50";
    // Date, Instance, Line, Type, Code, Signature, GUID, Name, Device (Full Text and Path apart).
    const std::vector<std::vector<std::string>> expected = {
        {"2012/03/14 20:58:02", "", "9", "", "", "", "", "", ""},  // empty line before any event
        {"2012/03/14 20:58:02", "Boot Session", "0", "", "", "", "", "", ""},
        {"2012/03/14 20:58:02", "Boot Session", "1", "", "", "", "", "", ""},
        {date, instance, "0", "", "", kKingston, "", "", kVolumeId},  // title, dated by its start
        {date, instance, "1", "Informational", ">>>", "", "", "", ""},
        {date, instance, "2", "Informational", "dvi", "", "", "Generic volume", ""},
        {date, instance, "3", "Informational", "<<<", "", "", "", ""},
        {date, instance, "4", "Informational", "<<<", "", "", "", ""},
        {date, instance, "5", "", "", "", "", "", ""},
        {date, instance, "6", "", "", "", "", "", ""},
        {date, instance, "7", "Informational", "ump", "", "", "", ""},  // out of any section
    };
    for (std::size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(i);
        const auto& row = rows[2 + i];
        ASSERT_EQ(row.size(), 11u);
        EXPECT_EQ(std::vector<std::string>(row.begin(), row.begin() + 9), expected[i]);
    }
    EXPECT_EQ(rows.back()[Full], outside);
    // The outside line changes no event.
    const auto summary = pressRows(kHead + kVolumeSection + outside + "\r\n", ExtractionType::Summary);
    EXPECT_EQ(summary, pressRows(kHead + kVolumeSection, ExtractionType::Summary));
}

TEST(VistaLogTest, LineEndsAndACutAfterTheExitLineChangeNothingElse)
{
    std::string lf = kHead + kVolumeSection;
    for (std::size_t at = lf.find("\r\n"); at != std::string::npos; at = lf.find("\r\n", at)) {
        lf.erase(at, 1);
    }
    const std::string crlfLog = kHead + kVolumeSection;
    const std::string cut = crlfLog.substr(0, crlfLog.size() - 6);  // no line end after the exit line
    for (const auto type : {ExtractionType::Full, ExtractionType::Summary, ExtractionType::RuleBased}) {
        SCOPED_TRACE(static_cast<int>(type));
        const std::string expected = pressOutput(crlfLog, type);
        EXPECT_EQ(pressOutput(lf, type), expected);
        if (type == ExtractionType::Full) {
            auto rows = splitRows(expected);
            rows.resize(rows.size() - 2);  // the two empty lines
            std::string less;
            for (const std::string& row : rows) {
                less += row + "\r\n";
            }
            EXPECT_EQ(pressOutput(cut, type), less);
        } else {
            EXPECT_EQ(pressOutput(cut, type), expected);
        }
    }
}

TEST(VistaLogTest, SectionsLongerThanSixteenBitsKeepCounting)
{
    std::string log = kHead + crlf({">>>  [Install Driver Updates]", ">>>  Section start 2020/01/01 00:00:00.000"});
    for (int i = 0; i < 40000; ++i) {
        log += "     inf:      {Configure Driver: Disk drive}\r\n";
    }
    log += crlf({"<<<  Section end 2020/01/01 00:10:00.000", "<<<  [Exit status: SUCCESS]"});
    const auto summary = pressRows(log, ExtractionType::Summary);
    ASSERT_EQ(summary.size(), 3u);
    EXPECT_EQ(summary[2][Line], "40003");
    EXPECT_EQ(summary[2][Date], "2020/01/01 00:00:00");
}

TEST(VistaLogTest, RuleSettingsApplyAsForTheOlderLayouts)
{
    // Tidy off: the Device as logged. Count 0: the column line only.
    RunFixture untidy(ExtractionType::RuleBased);
    ResetRegistry(untidy.store);
    untidy.store.save(store::kRules, store::kTidyDevice, "0");
    untidy.writeLog(kHead + kVolumeSection);
    ASSERT_EQ(untidy.press().run.outcome, RunOutcome::Completed);
    ASSERT_EQ(untidy.rows().size(), 2u);
    EXPECT_EQ(untidy.rows()[1], "2012/03/14 21:03:50\tGeneric volume\t" + kVolumeId);

    RunFixture none(ExtractionType::RuleBased);
    ResetRegistry(none.store);
    none.store.save(store::kRules, store::kCount, "0");
    none.writeLog(kHead + kVolumeSection);
    ASSERT_EQ(none.press().run.outcome, RunOutcome::Completed);
    EXPECT_EQ(none.rows(), std::vector<std::string>{"Date Time\tName\tDevice"});
}

// ---- Field values of single lines --------------------------------------------------------

TEST(VistaLinesTest, LineKinds)
{
    using vista::LineKind;
    const std::pair<std::string_view, LineKind> cases[] = {
        {"", LineKind::Empty},
        {">>>  [Delete Device - X]", LineKind::Title},
        {">>>[X", LineKind::Title},
        {">>>  Section start 2016/11/22 23:50:30.119", LineKind::Start},
        {">>>  2005/02/13 22:06:20.000: Section start", LineKind::Start},
        {"<<<  Section end 2016/11/22 23:50:36.580", LineKind::End},
        {"<<<  [2005/02/13 22:06:28.109: Section end]", LineKind::End},
        {"<<<  [Exit status: SUCCESS]", LineKind::Exit},
        {"<<<  [Exit]", LineKind::Exit},
        {"[Boot Session: 2016/11/22 23:39:14.499]", LineKind::Boot},
        {"[Device Install Log]", LineKind::Body},
        {"[BeginLog]", LineKind::Body},
        {"     dvi: {Build Driver List}", LineKind::Body},
        {" ", LineKind::Body},
    };
    for (const auto& [line, kind] : cases) {
        EXPECT_EQ(vista::classify(line), kind) << line;
    }
    EXPECT_EQ(vista::dateTimeText(">>>  Section start 2016/11/22 23:50:30.119"), "2016/11/22 23:50:30");
    EXPECT_EQ(vista::dateTimeText("1/2 2016/11/22 23:50:3 2017/01/02 03:04:05"), "2017/01/02 03:04:05");
    EXPECT_EQ(vista::dateTimeText(">>>  Section start 2016/11/22 23:50"), "");
}

TEST(VistaLinesTest, TitleFields)
{
    struct Case {
        std::string_view line, instance, device, signature, path;
    };
    const Case cases[] = {
        {">>>  [Device Install (Install Windows Update driver) - acpi\\lhk2019]",
         "Device Install (Install Windows Update driver) - acpi\\lhk2019", "acpi\\lhk2019", "", ""},
        {">>>  [Setup Import Driver Package - C:\\Windows\\system32\\spool\\tools\\Microsoft Print To PDF\\prnms009.Inf]",
         "Setup Import Driver Package - C:\\Windows\\system32\\spool\\tools\\Microsoft Print To PDF\\prnms009.Inf", "",
         "", "C:\\Windows\\system32\\spool\\tools\\Microsoft Print To PDF\\prnms009.Inf"},
        {">>>  [SetupUninstallOEMInf - oem4.inf]", "SetupUninstallOEMInf - oem4.inf", "", "", "oem4.inf"},
        {">>>  [Sysprep Specialize - {51198c35-bd73-bb4d-a3cb-65bd5f2ab9cb}]",
         "Sysprep Specialize - {51198c35-bd73-bb4d-a3cb-65bd5f2ab9cb}", "", "", ""},
        {">>>  [Install Driver Updates]", "Install Driver Updates", "", "", ""},
        {">>>  [Enable Device Install ]", "Enable Device Install ", "", "", ""},
        {">>>  [Delete Device - SWD\\PRINTENUM\\{8EFF57D8-FE54-45A5-8A94-11DFA0C4214D}",
         "Delete Device - SWD\\PRINTENUM\\{8EFF57D8-FE54-45A5-8A94-11DFA0C4214D}",
         "SWD\\PRINTENUM\\{8EFF57D8-FE54-45A5-8A94-11DFA0C4214D}", "", ""},
        // A time stamp inside the brackets ends the identifier.
        {">>>  [Device Install (Hardware initiated) - USBSTOR\\Disk&Ven_SanDisk&Prod_Cruzer&Rev_1.00\\4C53&0 2023/04/15 14:23:12.330]",
         "Device Install (Hardware initiated) - USBSTOR\\Disk&Ven_SanDisk&Prod_Cruzer&Rev_1.00\\4C53&0 2023/04/15 14:23:12.330",
         "USBSTOR\\Disk&Ven_SanDisk&Prod_Cruzer&Rev_1.00\\4C53&0", "", ""},
        // A Windows 7 WPD node ends in "#"; an SD card; a fixed volume has no disk ID.
        {">>>  [X - WPDBUSENUMROOT\\UMB\\2&37c186b&0&STORAGE#VOLUME#_??_USBSTOR#DISK&VEN_KINGSTON&PROD_DATATRAVELER_2.0&REV_PMAP#5B6B0B2A08B9&0#]",
         "X - WPDBUSENUMROOT\\UMB\\2&37c186b&0&STORAGE#VOLUME#_??_USBSTOR#DISK&VEN_KINGSTON&PROD_DATATRAVELER_2.0&REV_PMAP#5B6B0B2A08B9&0#",
         "WPDBUSENUMROOT\\UMB\\2&37c186b&0&STORAGE#VOLUME#_??_USBSTOR#DISK&VEN_KINGSTON&PROD_DATATRAVELER_2.0&REV_PMAP#5B6B0B2A08B9&0#",
         "USBSTOR\\DISK&VEN_KINGSTON&PROD_DATATRAVELER_2.0&REV_PMAP\\5B6B0B2A08B9&0", ""},
        {">>>  [X - STORAGE\\Volume\\_??_SD#DISK&Generic&SD_Card&1.00#1234abcd#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}]",
         "X - STORAGE\\Volume\\_??_SD#DISK&Generic&SD_Card&1.00#1234abcd#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}",
         "STORAGE\\Volume\\_??_SD#DISK&Generic&SD_Card&1.00#1234abcd#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}",
         "SD\\DISK&Generic&SD_Card&1.00\\1234abcd", ""},
        {">>>  [X - STORAGE\\Volume\\{daaab795-9184-11e5-9bc1-806e6f6e6963}#0000000000100000]",
         "X - STORAGE\\Volume\\{daaab795-9184-11e5-9bc1-806e6f6e6963}#0000000000100000",
         "STORAGE\\Volume\\{daaab795-9184-11e5-9bc1-806e6f6e6963}#0000000000100000", "", ""},
    };
    for (const Case& c : cases) {
        const vista::TitleFields title = vista::parseTitle(c.line);
        EXPECT_EQ(title.instance, c.instance) << c.line;
        EXPECT_EQ(title.device, c.device) << c.line;
        EXPECT_EQ(title.signature, c.signature) << c.line;
        EXPECT_EQ(title.path, c.path) << c.line;
    }
}

TEST(VistaLinesTest, BodyFields)
{
    struct Case {
        std::string_view line, type, code, device, signature, name, guid, path;
    };
    const Case cases[] = {
        {"!!!  dvi: Device not started: Device has problem: 0x0a (CM_PROB_FAILED_START).", "Error", "dvi", "", "", "", "", ""},
        {"!    ndv: Device class {4d36e967-e325-11ce-bfc1-08002be10318} is not configurable.", "Warning", "ndv", "",
         "", "", "4d36e967-e325-11ce-bfc1-08002be10318", ""},
        {"     ui : Showing dialog", "Informational", "ui", "", "", "", "", ""},
        {"     ...: vendor text", "Informational", "...", "", "", "", "", ""},
        {"no category here", "Informational", "", "", "", "", "", ""},
        {"      cmd: C:\\Windows\\system32\\svchost.exe", "Informational", "cmd", "", "", "", "",
         "C:\\Windows\\system32\\svchost.exe"},
        // A cmd line that also reads as an InfFile value takes the whole message.
        {"      cmd: InfFile - x.inf", "Informational", "cmd", "", "", "", "", "InfFile - x.inf"},
        {"     sto:      SCSI\\Disk&Ven_VBOX&Prod_HARDDISK\\4&2617aeae&0&000000 -> GenDisk [disk_install.NT]",
         "Informational", "sto", "SCSI\\Disk&Ven_VBOX&Prod_HARDDISK\\4&2617aeae&0&000000", "", "", "", ""},
        {"     set: Device SWD\\IP_TUNNEL_VBUS\\ISATAP_0 was removed.", "Informational", "set",
         "SWD\\IP_TUNNEL_VBUS\\ISATAP_0", "", "", "", ""},
        {"     set: Device was last used with alternate Hardware Configuration (0), setting re-specialize.",
         "Informational", "set", "", "", "", "", ""},
        // A block marker gives its argument, never an exit code, a path or a description.
        {"     ndv:      {Installing device - SWD\\WPDBUSENUM\\_??_USBSTOR#DISK&VEN_GENERIC#99E2116A&0#{53F56307-B6BF-11D0-94F2-00A0C91EFB8B}} 23:50:35.689",
         "Informational", "ndv",
         "SWD\\WPDBUSENUM\\_??_USBSTOR#DISK&VEN_GENERIC#99E2116A&0#{53F56307-B6BF-11D0-94F2-00A0C91EFB8B}",
         "USBSTOR\\DISK&VEN_GENERIC\\99E2116A&0", "", "", ""},
        {"     sto:      {Update Device: exit(0x00000000)}", "Informational", "sto", "", "", "", "", ""},
        {"     sto: {Stage Driver Package: C:\\x\\a.inf} 18:00:00.100", "Informational", "sto", "", "", "", "", ""},
        {"     sig:      {_VERIFY_FILE_SIGNATURE} 18:00:00.200", "Informational", "sig", "", "", "", "", ""},
        {"     dvi: {Build Driver List} 21:03:45.520", "Informational", "dvi", "", "", "", "", ""},
        {"     inf:      {Configure Driver: Disk drive}", "Informational", "inf", "", "", "", "", ""},
        {"     flq:      Copying 'C:\\Temp\\{11111111-2222-3333-4444-555555555555}\\a.sys'", "Informational", "flq",
         "", "", "", "", ""},
        {"     utl:      Class GUID     - {4D36E979-E325-11CE-BFC1-08002BE10318}", "Informational", "utl", "", "",
         "", "4D36E979-E325-11CE-BFC1-08002BE10318", ""},
        {"     dvi:           DevDesc      - Disk drive", "Informational", "dvi", "", "", "Disk drive", "", ""},
        {"     dvi:           Description - 'Generic software device'", "Informational", "dvi", "", "",
         "Generic software device", "", ""},
        {"     dvi:           Description - []", "Informational", "dvi", "", "", "", "", ""},
        {"     inf:      Description   = Event provider", "Informational", "inf", "", "", "", "", ""},
        {"     dvi:                InfFile     - [c:\\windows\\inf\\printqueue.inf]", "Informational", "dvi", "",
         "", "", "", "c:\\windows\\inf\\printqueue.inf"},
        {"     inf:      Display Name  = Service d\x92\xe9num\xe9rateur", "Informational", "inf", "", "", "", "", ""},
    };
    for (const Case& c : cases) {
        Record record;
        vista::readBodyLine(c.line, record);
        EXPECT_EQ(record.type, c.type) << c.line;
        EXPECT_EQ(record.code, c.code) << c.line;
        EXPECT_EQ(record.device, c.device) << c.line;
        EXPECT_EQ(record.sig, c.signature) << c.line;
        EXPECT_EQ(record.name, c.name) << c.line;
        EXPECT_EQ(record.guid, c.guid) << c.line;
        EXPECT_EQ(record.path, c.path) << c.line;
    }
}

}  // namespace
}  // namespace tillery::test
