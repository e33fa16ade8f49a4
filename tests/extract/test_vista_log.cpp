// The Vista-and-later log (setupapi.dev.log) on small hand-made logs: the layout test and
// header, events and their boundaries, and the fields of each kind of line. The real logs
// (test_real_logs.cpp and the digests) carry the shapes Windows writes.

#include "core/DefaultRules.h"
#include "extract/VistaLines.h"
#include "support/RunFixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

namespace tillery::test {
namespace {

using namespace std::string_literals;

enum Col { Date, Instance, Line, Type, Code, Sig, Guid, Name, Device, Full, Path, All };

// Lines joined with CR LF, each ending in one.
std::string crlf(std::initializer_list<std::string_view> lines)
{
    std::string text;
    for (const std::string_view line : lines) {
        text.append(line).append("\r\n");
    }
    return text;
}

// Header block of eight lines, then a boot session: the body's first row is Full row 5.
const std::string kHead = crlf({"[Device Install Log]", "     OS Version = 6.1.7601", "     Service Pack = 1.0",
                                "     Suite = 0x0100", "     ProductType = 1", "     Architecture = amd64", "",
                                "[BeginLog]", "", "[Boot Session: 2012/03/14 20:58:02.500]", ""});
const std::string kHeader = "[Device Install Log] OS Version = 6.1.7601; Service Pack = 1.0; Suite = 0x0100; "
                            "ProductType = 1; Architecture = amd64";

const std::string kKingston = "USBSTOR\\Disk&Ven_Kingston&Prod_DataTraveler_2.0&Rev_PMAP\\5B6B0B2A08B9&0";
const std::string kVolumeId = "STORAGE\\Volume\\_??_USBSTOR#Disk&Ven_Kingston&Prod_DataTraveler_2.0&Rev_PMAP#"
                              "5B6B0B2A08B9&0#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}";
const std::string kVolume = "Device Install (Hardware initiated) - " + kVolumeId;
const std::string kVolumeSection =
    crlf({">>>  [" + kVolume + "]", ">>>  Section start 2012/03/14 21:03:50.100",
          "     dvi:           DevDesc      - Generic volume", "<<<  Section end 2012/03/14 21:03:51.000",
          "<<<  [Exit status: SUCCESS]", "", ""});

std::string pressOutput(const std::string& log, ExtractionType type)
{
    RunFixture f(type);
    ResetRegistry(f.store);
    f.writeLog(log);
    EXPECT_EQ(f.press().run.outcome, RunOutcome::Completed);
    return f.output();
}

TEST(VistaLogTest, FirstLineDecidesTheLayoutAndTheHeaderBlockItsHeaderRecord)
{
    const std::string section = crlf({">>>  [Enable Device Install]", ">>>  Section start 2020/01/02 03:04:05.678"});
    struct Case {
        const char* what;
        std::string log;
        std::string header;     // Full Text of the header record; "" when the log is refused
        std::string headDate;
        const char* firstLine;  // Line of the row after the header record, if any
    };
    const Case cases[] = {
        {"plain", kHead + section, kHeader, "2012/03/14 20:58:02", "9"},
        {"byte-order mark", "\xEF\xBB\xBF" + kHead + section, kHeader, "2012/03/14 20:58:02", "9"},
        {"text after the tag", "[Device Install Log] x\r\n" + kHead.substr(22) + section, kHeader,
         "2012/03/14 20:58:02", "9"},
        // Without "[BeginLog]" the block ends before the title, whose start dates the header.
        {"no BeginLog", crlf({"[Device Install Log]", "     OS Version = 10.0.10240", ""}) + section,
         "[Device Install Log] OS Version = 10.0.10240", "2020/01/02 03:04:05", "0"},
        // "[BeginLog]" and a TAB ends the block without being part of it.
        {"BeginLog with a TAB", crlf({"[Device Install Log]", "[BeginLog]\t"}) + section, "[Device Install Log] ",
         "2020/01/02 03:04:05", "2"},
        {"header only", crlf({"[Device Install Log]", "     OS Version = 10.0.10240", "", "[BeginLog]"}),
         "[Device Install Log] OS Version = 10.0.10240", "", nullptr},
        {"lower case", "[device install log]\r\n" + kHead.substr(22) + section, "", "", nullptr},
        {"UTF-16", "\xFF\xFE[\0D\0e\0v\0"s, "", "", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RunFixture f(ExtractionType::Full);
        f.ops.recordStatuses = true;
        f.writeLog(c.log);
        const PressResult press = f.press();
        if (c.header.empty()) {
            EXPECT_EQ(press.outcome, PressOutcome::NotSetupApi);
            EXPECT_EQ(press.message, "File is not a setupapi.log file.");
            continue;
        }
        ASSERT_EQ(press.outcome, PressOutcome::Ran);
        ASSERT_GE(f.ops.statuses.size(), 3u);
        EXPECT_EQ(std::vector<std::string>(f.ops.statuses.begin(), f.ops.statuses.begin() + 3),
                  (std::vector<std::string>{
                      "File is not a WinXP setupapi.log file (does not have SetupAPI in header).",
                      "File is a Vista+ SetupAPI text log.", "Ready to process: "}));
        ASSERT_FALSE(f.ops.enabledHistory.empty());
        EXPECT_FALSE(f.ops.enabledHistory.front());
        const auto rows = f.rows();
        EXPECT_EQ(columns(rows[1]), (std::vector<std::string>{c.headDate, "", "0", "Header", "H", "", "", "", "",
                                                              c.header, ""}));
        if (c.firstLine != nullptr) {
            EXPECT_EQ(columns(rows[2])[Line], c.firstLine);
        } else {
            EXPECT_EQ(rows.size(), 2u);
        }
        EXPECT_EQ(f.output().find("\xEF\xBB\xBF"), std::string::npos);
    }
    // The XP test comes first.
    RunFixture xp(ExtractionType::Full);
    xp.writeLog("[Device Install Log] SetupAPI\r\nOS = 1\r\n[2005/01/02 10:00:00 4.3]\r\n");
    ASSERT_EQ(xp.press().outcome, PressOutcome::Ran);
    EXPECT_EQ(columns(xp.rows()[1])[Full], "[SetupAPI Log] OS = 1");
}

// ---- Events, their boundaries and values, in whole runs ------------------------------------

struct Check {
    char type;  // 'F'ull, 'S'ummary or 'R'ule based (default rules)
    std::size_t row;
    Col col;    // All: the whole row, TAB-separated
    std::string value;
};

struct EventCase {
    const char* what;
    std::string body;  // after kHead
    std::size_t summaryRows;
    std::vector<Check> checks;
};

const std::string kFloppy = "Device Install (Hardware initiated) - FDC\\FLOPPY\\6&1";
const std::string kOuter = "Device Install (Hardware initiated) - USB\\VID_0781&PID_5583\\4C53";
const std::string kInner = "Device Install (DiShowUpdateDevice) - USB\\VID_0781&PID_5583\\4C53";
const std::string kLocalName = "P\xE9riph\xE9rique de stockage de masse USB";

const EventCase kEventCases[] = {
    {"complete section and the lines around it",
     kVolumeSection + "   . ump: Start service install for: STORAGE\\Volume\\{aaaaaaaa-bbbb-cccc-dddd-eeeeeeeeeeee}#01\r\n",
     3,
     {{'S', 1, All, "2012/03/14 20:58:02\tBoot Session\t0\tSummary\tS\t\t\t\t\t[Boot Session: 2012/03/14 20:58:02.500]\t"},
      {'S', 2, All, "2012/03/14 21:03:50\t" + kVolume + "\t4\tSummary\tS\t" + kKingston + "\t\tGeneric volume\t" +
                        kVolumeId + "\t<<<  [Exit status: SUCCESS]\t"},
      {'R', 1, All, "2012/03/14 21:03:50\tGeneric volume\tUSBSTOR DISK KINGSTON PROD DATATRAVELER 2.0"},
      // Before any event: the header's date, no Instance. After the boot line: its event.
      {'F', 2, Date, "2012/03/14 20:58:02"}, {'F', 2, Instance, ""}, {'F', 2, Line, "9"},
      {'F', 4, Instance, "Boot Session"}, {'F', 4, Line, "1"},
      // The title row is held until its start line has dated the section.
      {'F', 5, Date, "2012/03/14 21:03:50"}, {'F', 5, Line, "0"}, {'F', 5, Type, ""}, {'F', 5, Code, ""},
      {'F', 5, Device, kVolumeId}, {'F', 5, Sig, kKingston},
      {'F', 6, Type, "Informational"}, {'F', 6, Code, ">>>"}, {'F', 7, Name, "Generic volume"},
      {'F', 8, Code, "<<<"}, {'F', 9, Code, "<<<"}, {'F', 11, Line, "6"}, {'F', 11, Type, ""},
      // An entry outside any section keeps the last event's date and Instance, changes no event.
      {'F', 12, Line, "7"}, {'F', 12, Type, "Informational"}, {'F', 12, Code, "ump"},
      {'F', 12, Date, "2012/03/14 21:03:50"}, {'F', 12, Instance, kVolume}, {'F', 12, Device, ""}}},
    // Without an exit line the end line seals the section; the line after it is outside.
    {"no exit line",
     crlf({">>>  [" + kFloppy + "]", ">>>  Section start 2012/03/15 08:00:00.000",
           "     dvi:           DevDesc      - Floppy disk drive", "<<<  Section end 2012/03/15 08:00:01.000",
           "   . ump: after the end", ">>>  [Enable Device Install]", ">>>  Section start 2012/03/15 08:00:02.000",
           "<<<  Section end 2012/03/15 08:00:03.000", "<<<  [Exit status: SUCCESS]"}),
     4,
     {{'S', 2, Line, "3"}, {'S', 2, Full, "<<<  Section end 2012/03/15 08:00:01.000"},
      {'S', 2, Name, "Floppy disk drive"}, {'S', 3, Date, "2012/03/15 08:00:02"},
      {'S', 3, Instance, "Enable Device Install"}, {'S', 3, Line, "3"}, {'S', 3, Full, "<<<  [Exit status: SUCCESS]"},
      {'F', 9, Line, "4"}, {'F', 9, Instance, kFloppy}}},
    // Cut off mid-line; a device named in the body changes no event.
    {"cut off mid-line",
     crlf({">>>  [Device Install (Hardware initiated) - IDE\\CdRom\\5&2b]", ">>>  Section start 2012/03/15 09:00:00.000",
           "     ndv:      {Installing device - USBSTOR\\A\\1} 09:00:00.100"}) + "     dvi: {Build Driver Li",
     3,
     {{'S', 2, Date, "2012/03/15 09:00:00"}, {'S', 2, Line, "3"}, {'S', 2, Full, "     dvi: {Build Driver Li"},
      {'S', 2, Device, "IDE\\CdRom\\5&2b"}, {'F', 7, Device, "USBSTOR\\A\\1"}}},
    // A restart closes the section, whose last line is not the empty one.
    {"boot inside a section",
     crlf({">>>  [" + kOuter + "]", ">>>  Section start 2012/03/16 10:00:00.000",
           "     dvi:           DevDesc      - USB Mass Storage Device", "",
           "[Boot Session: 2012/03/16 10:05:00.500]", ""}),
     4,
     {{'S', 2, Line, "2"}, {'S', 2, Full, "     dvi:           DevDesc      - USB Mass Storage Device"},
      {'S', 3, Date, "2012/03/16 10:05:00"}, {'S', 3, Instance, "Boot Session"}}},
    // A title closes the open section; what follows the inner exit is outside.
    {"title inside a section",
     crlf({">>>  [" + kOuter + "]", ">>>  Section start 2012/03/16 11:00:00.000", ">>>  [" + kInner + "]",
           ">>>  Section start 2012/03/16 11:00:01.000", "<<<  Section end 2012/03/16 11:00:02.000",
           "<<<  [Exit status: SUCCESS]", "     dvi:           DevDesc      - USB Mass Storage Device",
           "<<<  Section end 2012/03/16 11:00:03.000", "<<<  [Exit status: SUCCESS]"}),
     4,
     {{'S', 2, Line, "1"}, {'S', 2, Full, ">>>  Section start 2012/03/16 11:00:00.000"}, {'S', 2, Name, ""},
      {'S', 3, Date, "2012/03/16 11:00:01"}, {'S', 3, Line, "3"}, {'S', 3, Name, ""},
      {'F', 11, Line, "4"}, {'F', 11, Instance, kInner}}},
    // No start line: no date; the last candidate names the event; a title as the last line
    // is written at the end.
    {"no start line, a title last",
     crlf({">>>  [Device Install (Hardware initiated) - 1394\\SONY\\0123]", "     dvi:           DevDesc      - First",
           "     dvi:           DevDesc      - Sony DV camera", "<<<  [Exit status: SUCCESS]",
           ">>>  [Enable Device Install]"}),
     4,
     {{'S', 2, Date, ""}, {'S', 2, Line, "3"}, {'S', 2, Name, "Sony DV camera"}, {'S', 3, Line, "0"},
      {'S', 3, Full, ">>>  [Enable Device Install]"}, {'F', 5, Date, ""}, {'F', 9, Date, ""},
      {'F', 9, Full, ">>>  [Enable Device Install]"}}},
    // The title's INF beats the command line and the chosen INF; the chosen driver's
    // Description names the event for good, an empty one does not; a GUID counts only as a
    // class GUID; bytes above 0x7F pass unchanged.
    {"event values",
     crlf({">>>  [Setup Import Driver Package - C:\\x\\a.inf]", ">>>  Section start 2016/01/01 18:00:00.000",
           "      cmd: C:\\Windows\\System32\\spoolsv.exe", "     dvi:           DevDesc      - First",
           "     dvi:           Description - []", "     dvi:           Description - [" + kLocalName + "]",
           "     dvi:           DevDesc      - Later", "     dvi:           Description - 'Skipped'",
           "     inf:      Class GUID     = {4d36e97d-e325-11ce-bfc1-08002be10318}",
           "     flq:      Copying 'C:\\Temp\\{11111111-2222-3333-4444-555555555555}\\a.sys'",
           "     dvi:                InfFile     - [c:\\b.inf]", "<<<  Section end 2016/01/01 18:00:01.000",
           "<<<  [Exit status: SUCCESS]"}),
     3,
     {{'S', 2, Path, "C:\\x\\a.inf"}, {'S', 2, Name, kLocalName}, {'S', 2, Device, ""},
      {'S', 2, Guid, "4d36e97d-e325-11ce-bfc1-08002be10318"}, {'F', 10, Name, kLocalName}}},
    // No 16-bit limit on the lines of a section.
    {"long section",
     crlf({">>>  [Install Driver Updates]", ">>>  Section start 2020/01/01 00:00:00.000"}) +
         [] {
             std::string lines;
             for (int i = 0; i < 40000; ++i) {
                 lines += "     inf:      {Configure Driver: Disk drive}\r\n";
             }
             return lines;
         }() + crlf({"<<<  Section end 2020/01/01 00:10:00.000", "<<<  [Exit status: SUCCESS]"}),
     3,
     {{'S', 2, Line, "40003"}}},
};

// Each case in every type, with the checks above; its output is the same with LF line ends.
TEST(VistaLogTest, EventsRunFromTitleToExitAndCarryTheirValues)
{
    for (const EventCase& c : kEventCases) {
        SCOPED_TRACE(c.what);
        const std::string log = kHead + c.body;
        std::string lf = log;
        std::erase(lf, '\r');
        std::map<char, CheckedVector<std::string>> rows;
        for (const auto& [key, type] : {std::pair('F', ExtractionType::Full), {'S', ExtractionType::Summary},
                                        {'R', ExtractionType::RuleBased}}) {
            const std::string output = pressOutput(log, type);
            EXPECT_EQ(pressOutput(lf, type), output) << "LF line ends, type " << key;
            rows[key] = splitRows(output);
        }
        EXPECT_EQ(rows['S'].size(), c.summaryRows);
        // Full: a row per line after the header block, the column line and the header record.
        const auto lines = std::count(log.begin(), log.end(), '\n') + (log.ends_with('\n') ? 0 : 1);
        EXPECT_EQ(rows['F'].size(), static_cast<std::size_t>(lines - 8 + 2));
        for (const Check& check : c.checks) {
            const std::string& row = rows[check.type][check.row];
            EXPECT_EQ(check.col == All ? row : columns(row)[check.col], check.value)
                << check.type << " row " << check.row << " column " << check.col;
        }
    }
}

// Line numbers below 1000 are looked up, the others worked out: an event of 1200 lines
// numbers every one, across the change.
TEST(VistaLogTest, LongEventNumbersEveryLine)
{
    std::string log = kHead + ">>>  [Enable Device Install]\r\n";
    for (int i = 0; i < 1200; ++i) {
        log += "     dvi: line\r\n";
    }
    const auto rows = splitRows(pressOutput(log, ExtractionType::Full));
    ASSERT_EQ(rows.size(), 5u + 1201u);
    std::vector<std::string> numbers;
    std::vector<std::string> expected;
    for (std::size_t n = 0; n <= 1200; ++n) {
        numbers.push_back(columns(rows[5 + n])[Line]);
        expected.push_back(std::to_string(n));
    }
    EXPECT_EQ(numbers, expected);
}

// ---- Fields of single lines ------------------------------------------------------------------

TEST(VistaLinesTest, LineKindsAndDates)
{
    using enum vista::LineKind;
    const std::pair<std::string_view, vista::LineKind> cases[] = {
        {"", Empty}, {">>>  [Delete Device - X]", Title}, {">>>[X", Title},
        {">>>  Section start 2016/11/22 23:50:30.119", Start}, {">>>  2005/02/13 22:06:20.000: Section start", Start},
        {"<<<  Section end 2016/11/22 23:50:36.580", End}, {"<<<  [2005/02/13 22:06:28.109: Section end]", End},
        {"<<<  [Exit status: SUCCESS]", Exit}, {"<<<  [Exit]", Exit},
        {"[Boot Session: 2016/11/22 23:39:14.499]", Boot}, {"[Device Install Log]", Body}, {"[BeginLog]", Body},
        {"     dvi: {Build Driver List}", Body}, {" ", Body},
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
        // An INF path, blanks and all, whatever the case of ".inf"; its drive makes it no device.
        {">>>  [Setup Import Driver Package - C:\\Program Files\\x\\prnms009.Inf]",
         "Setup Import Driver Package - C:\\Program Files\\x\\prnms009.Inf", "", "",
         "C:\\Program Files\\x\\prnms009.Inf"},
        {">>>  [Install Driver Updates]", "Install Driver Updates", "", "", ""},
        {">>>  [Enable Device Install ]", "Enable Device Install ", "", "", ""},
        {">>>  [Delete Device - SWD\\PRINTENUM\\{8EFF57D8}", "Delete Device - SWD\\PRINTENUM\\{8EFF57D8}",
         "SWD\\PRINTENUM\\{8EFF57D8}", "", ""},
        // A time stamp inside the brackets ends the identifier.
        {">>>  [Device Install - USBSTOR\\Disk&Ven_A\\4C53&0 2023/04/15 14:23:12.330]",
         "Device Install - USBSTOR\\Disk&Ven_A\\4C53&0 2023/04/15 14:23:12.330", "USBSTOR\\Disk&Ven_A\\4C53&0", "", ""},
        // A Windows 7 WPD node ends in "#": the disk ID has no trailing backslash.
        {">>>  [X - WPDBUSENUMROOT\\UMB\\2&37&0&STORAGE#VOLUME#_??_USBSTOR#DISK&VEN_K&PROD_D&REV_P#5B6B&0#]",
         "X - WPDBUSENUMROOT\\UMB\\2&37&0&STORAGE#VOLUME#_??_USBSTOR#DISK&VEN_K&PROD_D&REV_P#5B6B&0#",
         "WPDBUSENUMROOT\\UMB\\2&37&0&STORAGE#VOLUME#_??_USBSTOR#DISK&VEN_K&PROD_D&REV_P#5B6B&0#",
         "USBSTOR\\DISK&VEN_K&PROD_D&REV_P\\5B6B&0", ""},
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
        std::string line, type, code, device, signature, name, guid, path;
    };
    const std::string kGuid = "4d36e967-e325-11ce-bfc1-08002be10318";
    const Case cases[] = {
        // Prefix and category; "Device " followed by no device.
        {"!!!  dvi: Device not started: problem 0x0a.", "Error", "dvi", "", "", "", "", ""},
        {"!    ndv: Device class {4d36e967-e325-11ce-bfc1-08002be10318} is not configurable.", "Warning", "ndv",
         "", "", "", kGuid, ""},
        {"     ui : Showing dialog", "Informational", "ui", "", "", "", "", ""},
        {"no category here", "Informational", "", "", "", "", "", ""},
        // A command line, also when it reads as an InfFile value.
        {"      cmd: C:\\Windows\\system32\\svchost.exe", "Informational", "cmd", "", "", "", "",
         "C:\\Windows\\system32\\svchost.exe"},
        {"      cmd: InfFile - x.inf", "Informational", "cmd", "", "", "", "", "InfFile - x.inf"},
        // Devices: a list entry, "Device ID", a block marker's last word (with the disk it
        // embeds), never a marker holding a path; braces without a class are no GUID.
        {"     sto:      SCSI\\Disk&Ven_VBOX\\4&26&0 -> GenDisk [disk_install.NT]", "Informational", "sto",
         "SCSI\\Disk&Ven_VBOX\\4&26&0", "", "", "", ""},
        {"     set: Device SWD\\IP_TUNNEL_VBUS\\ISATAP_0 was removed.", "Informational", "set",
         "SWD\\IP_TUNNEL_VBUS\\ISATAP_0", "", "", "", ""},
        {"     ndv:      {Installing device - SWD\\WPDBUSENUM\\_??_USBSTOR#DISK&VEN_G#99E2&0#{53F56307-B6BF-11D0-94F2-"
         "00A0C91EFB8B}} 23:50:35.689",
         "Informational", "ndv", "SWD\\WPDBUSENUM\\_??_USBSTOR#DISK&VEN_G#99E2&0#{53F56307-B6BF-11D0-94F2-00A0C91EFB8B}",
         "USBSTOR\\DISK&VEN_G\\99E2&0", "", "", ""},
        {"     sto: {Stage Driver Package: C:\\Program Files\\x\\a.cat} 18:00:00.100", "Informational", "sto", "", "",
         "", "", ""},
        // A marker without its closing brace, and one that is a device alone.
        {"     ndv: {Install USB\\VID_1&PID_2", "Informational", "ndv", "USB\\VID_1&PID_2", "", "", "", ""},
        {"     ndv: {USB\\ROOT_HUB} 01:02:03.004", "Informational", "ndv", "USB\\ROOT_HUB", "", "", "", ""},
        {"     dvi: {Build Driver List} 21:03:45.520", "Informational", "dvi", "", "", "", "", ""},
        {"     flq:      Copying 'C:\\Temp\\{11111111-2222-3333-4444-555555555555}\\a.sys'", "Informational", "flq",
         "", "", "", "", ""},
        {"     utl:      Class GUID     - {4D36E979-E325-11CE-BFC1-08002BE10318}", "Informational", "utl", "", "",
         "", "4D36E979-E325-11CE-BFC1-08002BE10318", ""},
        // Dash values: brackets and quotes go; "=" is no dash.
        {"     dvi:           DevDesc      - Disk drive", "Informational", "dvi", "", "", "Disk drive", "", ""},
        {"     dvi:           Description - 'Generic software device'", "Informational", "dvi", "", "",
         "Generic software device", "", ""},
        {"     dvi:           Description - []", "Informational", "dvi", "", "", "", "", ""},
        {"     inf:      Description   = Event provider", "Informational", "inf", "", "", "", "", ""},
        {"     dvi:                InfFile     - [c:\\windows\\inf\\printqueue.inf]", "Informational", "dvi", "",
         "", "", "", "c:\\windows\\inf\\printqueue.inf"},
    };
    for (const Case& c : cases) {
        const vista::BodyFields body = vista::readBodyLine(c.line);
        const std::string_view device = vista::bodyDevice(body.message);
        EXPECT_EQ((std::vector<std::string>{std::string(body.type), std::string(body.code), std::string(device),
                                            vista::embeddedDeviceId(device), std::string(body.name),
                                            std::string(body.guid), std::string(body.path)}),
                  (std::vector{c.type, c.code, c.device, c.signature, c.name, c.guid, c.path}))
            << c.line;
    }
}

// The class GUID at the edges of its search: one ending the message, one cut short by the
// end, near misses (a dash, the closing brace or a digit out of place) before a good one.
TEST(VistaLinesTest, ClassGuidAtTheEdgesOfTheMessage)
{
    const std::string kGuid = "4d36e967-e325-11ce-bfc1-08002be10318";
    const struct {
        std::string message, guid;
    } cases[] = {
        {"Class {" + kGuid + "}", kGuid},
        {"{" + kGuid + "} class", kGuid},
        {"Class {" + kGuid, ""},
        {"Class {" + kGuid.substr(0, 35) + "}", ""},
        {"class {4d36e967-e325-11ce-bfc1008002be10318} {" + kGuid + "}", kGuid},
        {"class {4d36e967-e325-11ce-bfc1-08002be10318 {" + kGuid + "}", kGuid},
        {"class {4d36e967-e325-11ce-bfc1-08002be1031g} {" + kGuid + "}", kGuid},
        {"{{" + kGuid + "}} CLASS", kGuid},
        {"{" + kGuid + "} no such word", ""},
        {"{" + kGuid + "} cLaSs", kGuid},
        {"{" + kGuid + "} cl@ss CLAS\xd3", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(vista::classGuid(c.message), c.guid) << c.message;
        const std::string line = "     ndv: " + c.message;
        EXPECT_EQ(vista::readBodyLine(line).guid, c.guid) << c.message;
    }
}

// The look for "class" moves on by more than one byte where it can: every text of up to
// seven letters drawn from the word's own (in both cases) and one other, against a plain look.
TEST(VistaLinesTest, ClassIsFoundWhereverItStands)
{
    const std::string kGuid = "{4d36e967-e325-11ce-bfc1-08002be10318} ";
    const std::string_view kLetters = "clasCSx";
    std::string tail;
    const auto check = [&](const auto& self, std::size_t length) -> void {
        std::string folded = tail;
        for (char& c : folded) {
            c = c == 'C' ? 'c' : c == 'S' ? 's' : c;
        }
        const bool mentions = folded.find("class") != std::string::npos;
        EXPECT_EQ(vista::classGuid(kGuid + tail).empty(), !mentions) << tail;
        if (length == 7) {
            return;
        }
        for (const char c : kLetters) {
            tail.push_back(c);
            self(self, length + 1);
            tail.pop_back();
        }
    };
    check(check, 0);
}

// Blanks before the category and before the message, counted several bytes at a time: every
// run length on both sides of a word's width, and lines of blanks alone.
TEST(VistaLinesTest, BlankRunsOfEveryLengthAreSkipped)
{
    for (std::size_t before = 0; before <= 18; ++before) {
        for (std::size_t after = 0; after <= 18; ++after) {
            const std::string line = std::string(before, ' ') + "inf: " + std::string(after, ' ') + "x y";
            const vista::BodyFields body = vista::readBodyLine(line);
            EXPECT_EQ(body.code, "inf") << before << " " << after;
            EXPECT_EQ(body.message, "x y") << before << " " << after;
        }
        const vista::BodyFields blank = vista::readBodyLine(std::string(before, ' '));
        EXPECT_EQ(blank.message, "") << before;
        EXPECT_EQ(blank.code, "") << before;
    }
}

}  // namespace
}  // namespace tillery::test
