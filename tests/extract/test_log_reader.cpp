#include "core/DefaultRules.h"
#include "support/RunFixture.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace tillery::test {
namespace {

// Column positions in the output (catalogue order).
enum Col { Date, Instance, Line, Type, Code, Sig, Guid, Name, Device, Full, Path };

const std::string kColumnLine =
    "Date Time\tInstance\tLine\tType\tCode\tSignature\tGUID\tName\tDevice\tFull Text\tPath";

// A small Windows 2000 log: two sections, unmarked lines.
const std::string kW2k =
    "[2004/08/17 12:03:45 1234.5 Driver Install]\r\n"
    "Searching for hardware ID(s): usbstor\\disk\r\n"
    "Found USBSTOR\\DiskZorbex in C:\\WINNT\\inf\\usbstor.inf; Device: Disk drive; Driver: x\r\n"
    "[2004/08/17 12:05:00 99.1]\r\n"
    "EXE name: C:\\WINNT\\system32\\setup.exe\r\n";

TEST(LogReaderTest, Windows2000FullWritesHeaderRecordAndEveryLine)
{
    RunFixture f(ExtractionType::Full);
    f.writeLog(kW2k);
    const RunResult result = f.run("2004/08/17 12:03:45", "Win2K SetupAPI.log file", 0);
    ASSERT_EQ(result.outcome, RunOutcome::Completed);

    const auto rows = f.rows();
    ASSERT_EQ(rows.size(), 2u + 5u);
    EXPECT_EQ(rows[0], kColumnLine);
    const auto header = columns(rows[1]);
    EXPECT_EQ(header[Date], "2004/08/17 12:03:45");
    EXPECT_EQ(header[Line], "0");
    EXPECT_EQ(header[Type], "Header");
    EXPECT_EQ(header[Code], "H");
    EXPECT_EQ(header[Full], "[SetupAPI Log] Win2K SetupAPI.log file");

    const auto section = columns(rows[2]);
    EXPECT_EQ(section[Line], "0");
    EXPECT_EQ(section[Type], "");
    EXPECT_EQ(section[Code], "");
    EXPECT_EQ(section[Instance], " 1234.5 Driver Install");
    EXPECT_EQ(section[Full], "[2004/08/17 12:03:45 1234.5 Driver Install]");

    const auto found = columns(rows[4]);
    EXPECT_EQ(found[Line], "2");
    EXPECT_EQ(found[Type], "Win2K");
    EXPECT_EQ(found[Code], "2K");
    EXPECT_EQ(found[Device], "USBSTOR\\DiskZorbex");
    EXPECT_EQ(found[Name], "Disk drive");

    // A bare section header has an empty Instance less its closing bracket.
    EXPECT_EQ(columns(rows[5])[Instance], " 99.1");
    EXPECT_EQ(f.ops.boxes.size(), 1u);
    EXPECT_EQ(f.ops.boxes[0].text, "Extraction complete.");
    EXPECT_EQ(f.ops.boxes[0].icon, BoxIcon::None);
    EXPECT_EQ(f.ops.boxes[0].title, "Tillery (VORN) beta");
    EXPECT_EQ(f.ops.status(), "Finished processing: 2 events and 5 entries");
    EXPECT_EQ(f.ops.caption, "Restart");
    EXPECT_TRUE(f.ops.startEnabled);
}

TEST(LogReaderTest, SummaryWritesOneRecordPerEventWithGatheredValues)
{
    RunFixture f(ExtractionType::Summary);
    f.writeLog(kW2k);
    ASSERT_EQ(f.run("d", "Win2K SetupAPI.log file", 0).outcome, RunOutcome::Completed);
    const auto rows = f.rows();
    ASSERT_EQ(rows.size(), 3u);  // column line and two events; no event before the first header
    const auto first = columns(rows[1]);
    EXPECT_EQ(first[Type], "Summary");
    EXPECT_EQ(first[Code], "S");
    EXPECT_EQ(first[Line], "2");  // number of entry lines in the section
    EXPECT_EQ(first[Date], "2004/08/17 12:03:45");
    EXPECT_EQ(first[Device], "USBSTOR\\DiskZorbex");
    EXPECT_EQ(first[Name], "Disk drive");
    // No line carried an event code: the last line of the section stands for the event.
    EXPECT_EQ(first[Full], "Found USBSTOR\\DiskZorbex in C:\\WINNT\\inf\\usbstor.inf; Device: Disk drive; Driver: x");
    const auto second = columns(rows[2]);
    EXPECT_EQ(second[Line], "1");
    EXPECT_EQ(second[Path], "C:\\WINNT\\system32\\setup.exe");
    EXPECT_EQ(second[Device], "");  // values do not leak from one event to the next
}

TEST(LogReaderTest, XpHeaderPartIsAnEventOfItsOwn)
{
    // Seven head lines, an empty line, the first section header on line 9.
    RunFixture f(ExtractionType::Summary);
    f.writeLog("[SetupAPI Log]\r\nOS Version = 5.1\r\nPlatform ID = 2\r\nService Pack = 2.0\r\n"
               "Suite = 0x0100\r\nProduct Type = 1\r\nArchitecture = x86\r\n\r\n"
               "[2005/01/02 10:00:00 400.3 Driver Install]\r\n"
               "#-019 Searching for hardware ID(s): usbstor\\disk\r\n");
    ASSERT_EQ(f.run("2005/01/02 10:00:00", "OS Version = 5.1; ...", 8).outcome, RunOutcome::Completed);
    const auto rows = f.rows();
    ASSERT_EQ(rows.size(), 3u);
    const auto head = columns(rows[1]);
    EXPECT_EQ(head[Full], "");
    EXPECT_EQ(head[Date], "2005/01/02 10:00:00");
    EXPECT_EQ(head[Instance], "");
    EXPECT_EQ(head[Line], "9");
    EXPECT_EQ(columns(rows[2])[Line], "1");
}

TEST(LogReaderTest, XpHeaderPartLinesInFullContinueTheHeadNumbering)
{
    RunFixture f(ExtractionType::Full);
    f.writeLog("[SetupAPI Log]\r\nOS Version = 5.1\r\n\r\n[2005/01/02 10:00:00 4.3]\r\n");
    ASSERT_EQ(f.run("2005/01/02 10:00:00", "OS Version = 5.1", 3).outcome, RunOutcome::Completed);
    const auto rows = f.rows();
    ASSERT_EQ(rows.size(), 4u);  // column line, header record, empty line, section header
    const auto empty = columns(rows[2]);
    EXPECT_EQ(empty[Line], "4");
    EXPECT_EQ(empty[Type], "Win2K");
    EXPECT_EQ(empty[Code], "2K");
    EXPECT_EQ(columns(rows[1])[Full], "[SetupAPI Log] OS Version = 5.1");
}

TEST(LogReaderTest, TimeStampedLinesAreHandledFromTheirMarker)
{
    RunFixture f(ExtractionType::Full);
    const std::string stamped =
        "@ 20:14:31.046 #I121 Device install of \"USBSTOR\\DISK&VEN_Z\\1\" finished successfully.";
    f.writeLog("[2001/02/27 20:14:30 1148.173]\n" + stamped + "\n@ 20:14:32.000 no marker here\n");
    ASSERT_EQ(f.run("x", "h", 0).outcome, RunOutcome::Completed);
    const auto rows = f.rows();
    ASSERT_EQ(rows.size(), 5u);
    const auto line = columns(rows[3]);
    EXPECT_EQ(line[Code], "121");
    EXPECT_EQ(line[Type], "Informational");
    EXPECT_EQ(line[Full], stamped);  // the line record keeps the whole line
    EXPECT_EQ(line[Device], "USBSTOR\\DISK&VEN_Z\\1");
    // Without "#" nothing is cut; the line is still read as a marked one.
    const auto plain = columns(rows[4]);
    EXPECT_EQ(plain[Type], "?");
    EXPECT_EQ(plain[Code], "20:");

    RunFixture s(ExtractionType::Summary);
    s.writeLog("[2001/02/27 20:14:30 1148.173]\n" + stamped + "\n");
    ASSERT_EQ(s.run("x", "h", 0).outcome, RunOutcome::Completed);
    // The event takes the cut line as its Full Text.
    EXPECT_EQ(columns(s.rows()[1])[Full], stamped.substr(stamped.find('#')));
}

TEST(LogReaderTest, EventFullTextFallsBackToTheLastLine)
{
    RunFixture f(ExtractionType::Summary);
    f.writeLog("[2001/01/01 00:00:00 1.1]\n#-019 searching\n#I022 Found \"A\" in x\n#-166 later\n"
               "[2001/01/01 00:00:01 1.2]\n#-019 one\n@ 1 #-019 last\n");
    ASSERT_EQ(f.run("x", "h", 0).outcome, RunOutcome::Completed);
    const auto rows = f.rows();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(columns(rows[1])[Full], "#I022 Found \"A\" in x");  // the first event-code line wins
    EXPECT_EQ(columns(rows[2])[Full], "#-019 last");  // end of log: the cut line
}

TEST(LogReaderTest, SectionBoundaryFallbackIsTheLineAsRead)
{
    RunFixture f(ExtractionType::Summary);
    f.writeLog("[2001/01/01 00:00:00 1.1]\n@ 1 #-019 stamped\n[2001/01/01 00:00:01 1.2]\n");
    ASSERT_EQ(f.run("x", "h", 0).outcome, RunOutcome::Completed);
    EXPECT_EQ(columns(f.rows()[1])[Full], "@ 1 #-019 stamped");
}

// Six codes, and only these, make their line the event's Full Text; the first such line
// of an event wins, and without one the event's last line stands for it.
TEST(LogReaderTest, EachEventTextCodeGivesTheEventItsFullText)
{
    const auto eventFullText = [](const std::string& entryLines) {
        RunFixture f(ExtractionType::Summary);
        f.writeLog("[2001/01/01 00:00:00 1.1]\r\n#-019 before\r\n" + entryLines + "#-166 the last line\r\n");
        EXPECT_EQ(f.run("x", "h", 0).outcome, RunOutcome::Completed);
        return columns(f.rows()[1])[Full];
    };
    for (const char* code : {"142", "022", "121", "144", "289", "125", "019", "143", "120", "023"}) {
        const std::string line = std::string("#I") + code + " the line with the code";
        const bool eventText = std::string_view("142 022 121 144 289 125").find(code) != std::string_view::npos;
        EXPECT_EQ(eventFullText(line + "\r\n#I022 a later line\r\n"), eventText ? line : "#I022 a later line")
            << code;
    }
    EXPECT_EQ(eventFullText("#I143 x\r\n"), "#-166 the last line");
}

TEST(LogReaderTest, RuleBasedWritesOnlyMatchingEventsWithTidyDeviceAndMask)
{
    RunFixture f(ExtractionType::RuleBased);
    ResetRegistry(f.store);
    f.writeLog("[2004/08/17 12:03:45 1.1 Driver Install]\r\n"
               "#I022 Found \"USBSTOR\\DISK&VEN_ZORBEX&PROD_QUIKDRIVE&REV_2.10\\0A1B&0\" in usbstor.inf; Device: \"Disk drive\"\r\n"
               "[2004/08/17 12:04:00 1.2 Driver Install]\r\n"
               "#I022 Found \"PCI\\VEN_8086&DEV_1229\" in net.inf; Device: \"Fast Ethernet\"\r\n");
    ASSERT_EQ(f.run("x", "h", 0).outcome, RunOutcome::Completed);
    const auto rows = f.rows();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0], "Date Time\tName\tDevice");
    EXPECT_EQ(rows[1], "2004/08/17 12:03:45\tDisk drive\tUSBSTOR DISK ZORBEX PROD QUIKDRIVE");
}

TEST(LogReaderTest, RuleBasedWithoutRulesWritesOnlyTheColumnLine)
{
    for (const char* count : std::initializer_list<const char*>{"0", nullptr}) {
        RunFixture f(ExtractionType::RuleBased);
        if (count != nullptr) {
            f.store.save("Rules", "Count", count);
        }
        f.writeLog(kW2k);
        ASSERT_EQ(f.run("x", "h", 0).outcome, RunOutcome::Completed);
        EXPECT_EQ(f.rows(), std::vector<std::string>{kColumnLine});
    }
}

TEST(LogReaderTest, UnreadableRuleCountTakesTheErrorPathAndKeepsWrittenRows)
{
    RunFixture f(ExtractionType::RuleBased);
    f.store.save("Rules", "Count", "");  // stored but empty: no number
    f.ops.caption = "Start";
    f.ops.startEnabled = false;
    f.writeLog(kW2k);
    const RunResult result = f.run("x", "h", 0);
    EXPECT_EQ(result.outcome, RunOutcome::Failed);
    ASSERT_EQ(f.ops.boxes.size(), 1u);
    EXPECT_EQ(f.ops.boxes[0].text, "Error occurred while processing file.");
    EXPECT_EQ(f.ops.boxes[0].icon, BoxIcon::Critical);
    EXPECT_EQ(f.ops.caption, "Restart");
    EXPECT_TRUE(f.ops.startEnabled);
    EXPECT_EQ(f.rows(), std::vector<std::string>{kColumnLine});  // written before the failure
}

TEST(LogReaderTest, MissingLogOrOutputFolderTakesTheErrorPath)
{
    RunFixture missing;
    EXPECT_EQ(missing.run("x", "h", 0).outcome, RunOutcome::Failed);

    RunFixture noFolder;
    noFolder.writeLog(kW2k);
    noFolder.ops.save = noFolder.dir.file("no/such/folder/out.xls");
    EXPECT_EQ(noFolder.run("x", "h", 0).outcome, RunOutcome::Failed);
    EXPECT_EQ(noFolder.ops.boxes.back().text, "Error occurred while processing file.");
}

TEST(LogReaderTest, AnExistingOutputIsNeverWrittenInto)
{
    // Another run may be writing it: the run fails instead of mixing two tables.
    RunFixture f(ExtractionType::Summary);
    f.writeLog(kW2k);
    writeFile(f.outputPath, "kept\r\n");
    const RunResult result = f.run("x", "h", 0);
    EXPECT_EQ(result.outcome, RunOutcome::Failed);
    EXPECT_TRUE(result.reason.starts_with(
        "the output file could not be opened for writing: File exists"))
        << result.reason;
    EXPECT_EQ(f.output(), "kept\r\n");
}

TEST(LogReaderTest, ShortMarkedLinesAndHeadersDoNotFailTheRun)
{
    RunFixture f(ExtractionType::Full);
    f.writeLog("[2001/01/01 00:00:00 1.1]\n#I\n#I02\n@ x\n[x]\n[\n");
    ASSERT_EQ(f.run("x", "h", 0).outcome, RunOutcome::Completed);
    const auto rows = f.rows();
    ASSERT_EQ(rows.size(), 8u);
    EXPECT_EQ(columns(rows[3])[Code], "");
    EXPECT_EQ(columns(rows[4])[Code], "02");
    EXPECT_EQ(columns(rows[6])[Date], "?");
    EXPECT_EQ(columns(rows[6])[Instance], "");
}

TEST(LogReaderTest, LineEndsAndBytesPassThrough)
{
    std::string bytes = "[2001/01/01 00:00:00 1.1]\nSome \xff\xe9 text \x01\x7f";
    bytes.push_back('\0');
    bytes += " end";  // last line without a line end
    RunFixture lf(ExtractionType::Full);
    lf.writeLog(bytes);
    ASSERT_EQ(lf.run("x", "h", 0).outcome, RunOutcome::Completed);

    std::string crlf = bytes;
    crlf.replace(crlf.find('\n'), 1, "\r\n");
    RunFixture cr(ExtractionType::Full);
    cr.writeLog(crlf);
    ASSERT_EQ(cr.run("x", "h", 0).outcome, RunOutcome::Completed);

    EXPECT_EQ(lf.output(), cr.output());
    const auto rows = lf.rows();
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(columns(rows[3])[Full], bytes.substr(bytes.find('\n') + 1));
}

TEST(LogReaderTest, VeryLongLinesAndBinaryBytesAreReadWhole)
{
    RunFixture f(ExtractionType::Full);
    std::string longLine = "#I022 Found \"" + std::string(100000, 'A') + "\" in x; Device: \"D\"";
    std::string binary;
    for (int i = 0; i < 4096; ++i) {
        binary.push_back(static_cast<char>((i * 7919) & 0xFF));
    }
    f.writeLog("[2001/01/01 00:00:00 1.1]\r\n" + longLine + "\r\n" + binary);
    ASSERT_EQ(f.run("x", "h", 0).outcome, RunOutcome::Completed);
    const auto rows = f.rows();
    ASSERT_GE(rows.size(), 4u);
    EXPECT_EQ(columns(rows[3])[Device], std::string(100000, 'A'));
    EXPECT_EQ(columns(rows[3])[Name], "D");
    // Every line of the binary tail comes out as one row, the unended last one included.
    const auto lineEnds = std::count(binary.begin(), binary.end(), '\n');
    ASSERT_NE(binary.back(), '\n');
    EXPECT_EQ(rows.size(), 4u + static_cast<std::size_t>(lineEnds) + 1u);
}

TEST(LogReaderTest, CountingProgressSweepsOnePointPerHundredLines)
{
    RunFixture f(ExtractionType::Full);
    std::string log;
    for (int i = 0; i < 9851; ++i) {
        log += "x\n";
    }
    f.writeLog(log);
    f.ops.recordProgress = true;
    ASSERT_EQ(f.run("x", "h", 0).outcome, RunOutcome::Completed);
    // The first value is the initial 100; the counting pass follows line by line.
    const auto& p = f.ops.progressValues;
    ASSERT_GT(p.size(), 9851u);
    const auto atLine = [&](int line) { return p[static_cast<std::size_t>(line)]; };
    EXPECT_EQ(atLine(1), 100);
    EXPECT_EQ(atLine(50), 100);
    EXPECT_EQ(atLine(51), 99);
    EXPECT_EQ(atLine(149), 99);
    EXPECT_EQ(atLine(150), 98);
    EXPECT_EQ(atLine(250), 98);
    EXPECT_EQ(atLine(9750), 2);
    EXPECT_EQ(atLine(9850), 2);
    EXPECT_EQ(atLine(9851), 100);
    // The extraction pass then counts up from 0 to the line count.
    EXPECT_EQ(f.ops.progressMax, 9851);
    EXPECT_EQ(p.back(), 9851);
}

TEST(LogReaderTest, WithoutALineCountTheLogIsReadOnceAndProgressIsInBytes)
{
    const std::string log = "[2001/01/01 00:00:00 1.1]\r\n#I022 Found \"D\" in x\r\nlast line";
    RunFixture counted(ExtractionType::Full);
    counted.writeLog(log);
    ASSERT_EQ(counted.run("x", "h", 0).outcome, RunOutcome::Completed);

    RunFixture f(ExtractionType::Full);
    f.writeLog(log);
    f.ops.countLines = false;
    f.ops.recordProgress = true;
    f.ops.recordStatuses = true;
    ASSERT_EQ(f.run("x", "h", 0).outcome, RunOutcome::Completed);
    EXPECT_EQ(f.output(), counted.output());
    for (const std::string& status : f.ops.statuses) {
        EXPECT_EQ(status.find("lines"), std::string::npos) << status;
    }
    // 0, then the bytes read up to each line's end, then the full bar.
    const auto size = static_cast<double>(log.size());
    EXPECT_EQ(f.ops.progressMax, size);
    const std::vector<double>& values = f.ops.progressValues;
    EXPECT_EQ(values, (std::vector<double>{0, 27, 49, size, size}));
}

// A front end asked every few lines gets the same table, is asked at the first line and
// every stride-th after it, and still sees the bar end full.
TEST(LogReaderTest, AFrontEndAskedEveryFewLinesGetsTheSameTable)
{
    std::string log;
    for (int i = 0; i < 7; ++i) {
        log += "[2001/01/01 00:00:0" + std::to_string(i) + " 1.1]\r\n#I022 Found \"D\" in x\r\n";
    }
    RunFixture each(ExtractionType::Summary);
    each.writeLog(log);
    ASSERT_EQ(each.run("x", "h", 0).outcome, RunOutcome::Completed);
    for (const int stride : {3, 14, 256}) {
        RunFixture f(ExtractionType::Summary);
        f.writeLog(log);
        f.ops.stride = stride;
        ASSERT_EQ(f.run("x", "h", 0).outcome, RunOutcome::Completed);
        EXPECT_EQ(f.output(), each.output()) << stride;
        EXPECT_EQ(f.ops.yields, (14 + stride - 1) / stride) << stride;
        EXPECT_EQ(f.ops.progressValue, 14) << stride;
    }
}

TEST(LogReaderTest, LongLogsAreCountedPastSixteenBits)
{
    RunFixture f(ExtractionType::Summary);
    std::string log;
    for (int section = 0; section < 4000; ++section) {
        log += "[2001/01/01 00:00:00 1.1 Driver Install]\r\n";
        for (int i = 0; i < 9; ++i) {
            log += "#-019 Searching for hardware ID(s): usbstor\\disk\r\n";
        }
    }
    f.writeLog(log);
    const RunResult result = f.run("x", "h", 0);
    ASSERT_EQ(result.outcome, RunOutcome::Completed);
    EXPECT_EQ(result.entries, 40000);
    EXPECT_EQ(result.events, 4000);
    EXPECT_EQ(f.rows().size(), 4001u);
    EXPECT_EQ(f.ops.status(), "Finished processing: 4000 events and 40000 entries");
}

// A log large enough to be counted in two halves at once has the count of a count in one
// pass, whether the halves meet at a line's start or inside a line, and however it ends.
TEST(LogReaderTest, LargeLogsCountedInHalvesHaveTheWholeCount)
{
    const std::string line = std::string(999, 'x') + "\n";
    const struct {
        std::size_t lines;
        std::string last;  // after the whole lines
        std::int64_t count;
    } cases[] = {
        {9000, "", 9000},         // the halves meet at a line's start
        {9000, "tail", 9001},     // inside a line, which has no line end
        {9001, "\r\n\n", 9003},  // inside a line; empty lines at the end
        {8999, std::string(998, 'y'), 9000},  // at a line end
    };
    for (const auto& c : cases) {
        RunFixture f(ExtractionType::Summary);
        std::string log;
        log.reserve(c.lines * line.size() + c.last.size());
        for (std::size_t i = 0; i < c.lines; ++i) {
            log += line;
        }
        f.writeLog(log + c.last);
        f.ops.recordStatuses = true;
        ASSERT_EQ(f.run("x", "h", 0).outcome, RunOutcome::Completed);
        EXPECT_EQ(f.ops.progressMax, static_cast<double>(c.count)) << c.lines;
        const std::string found = std::to_string(c.count) + " lines found in source file to process";
        EXPECT_NE(std::find(f.ops.statuses.begin(), f.ops.statuses.end(), found), f.ops.statuses.end())
            << found;
    }
}

TEST(LogReaderTest, LongSectionLineNumbersPassSixteenBits)
{
    RunFixture f(ExtractionType::Summary);
    std::string log = "[2001/01/01 00:00:00 1.1]\n";
    for (int i = 0; i < 40000; ++i) {
        log += "x\n";
    }
    f.writeLog(log);
    ASSERT_EQ(f.run("x", "h", 0).outcome, RunOutcome::Completed);
    EXPECT_EQ(columns(f.rows()[1])[Line], "40000");
}

TEST(LogReaderTest, ClosingTheProgramMidRunKeepsTheRowsWritten)
{
    RunFixture f(ExtractionType::Full);
    f.writeLog(kW2k);
    f.ops.onYield = [](FakeWindowOps& ops) { return ops.yields < 3; };
    const RunResult result = f.run("x", "h", 0);
    EXPECT_EQ(result.outcome, RunOutcome::Stopped);
    EXPECT_TRUE(f.ops.boxes.empty());
    EXPECT_EQ(f.rows().size(), 4u);  // column line, header record and the two lines read
}

TEST(LogReaderTest, ExtractionTypeIsReadAfreshAtEachEventClose)
{
    RunFixture f(ExtractionType::Summary);
    f.writeLog(kW2k);
    // Switch to Full after the first section has been read.
    f.ops.onYield = [](FakeWindowOps& ops) {
        if (ops.yields == 4) {
            ops.type = ExtractionType::Full;
        }
        return true;
    };
    ASSERT_EQ(f.run("x", "h", 0).outcome, RunOutcome::Completed);
    const auto rows = f.rows();
    // Full from the fourth line on: the second header closes no Summary record.
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(columns(rows[1])[Line], "0");
}

// An event whose lines hold no text for it takes the text of its last line: whole when a
// section header ends it, from the "#" marker on when the log ends. Its Full rows keep
// every line as read.
TEST(LogReaderTest, AnEventWithoutTextTakesItsLastLine)
{
    struct Case {
        const char* name;
        std::string log;
        std::vector<std::string> texts;  // the Full Text of each Summary row
    };
    const std::vector<Case> cases = {
        {"ended by a header",
         "[2005/01/01 10:00:00 1.1]\r\n#-198 Command line\r\n@ 10:00:01 #I060 Set driver.\r\n"
         "[2005/01/01 10:00:02 1.2]\r\n",
         {"@ 10:00:01 #I060 Set driver.", "[2005/01/01 10:00:02 1.2]"}},
        {"ended by the log",
         "[2005/01/01 10:00:00 1.1]\r\n#-198 Command line\r\n@ 10:00:01 #I060 Set driver.",
         {"#I060 Set driver."}},
        {"a text of its own",
         "[2005/01/01 10:00:00 1.1]\r\n@ 10:00:01 #I022 Found \"A\" here\r\n#I060 Set.\r\n"
         "[2005/01/01 10:00:02 1.2]\r\n#I060 Last.\r\n",
         {"#I022 Found \"A\" here", "#I060 Last."}},
    };
    for (const Case& c : cases) {
        for (const ExtractionType type : {ExtractionType::Summary, ExtractionType::Full}) {
            RunFixture f(type);
            f.writeLog(c.log);
            ASSERT_EQ(f.run("d", "h", 0).outcome, RunOutcome::Completed) << c.name;
            const auto rows = f.rows();
            std::vector<std::string> texts;
            for (std::size_t i = type == ExtractionType::Full ? 2 : 1; i < rows.size(); ++i) {
                texts.push_back(columns(rows[i])[Full]);
            }
            if (type == ExtractionType::Summary) {
                EXPECT_EQ(texts, c.texts) << c.name;
            } else {
                std::vector<std::string> lines;
                std::string_view rest = c.log;
                while (!rest.empty()) {
                    const auto end = rest.find("\r\n");
                    lines.emplace_back(rest.substr(0, end));
                    rest = end == std::string_view::npos ? "" : rest.substr(end + 2);
                }
                EXPECT_EQ(texts, lines) << c.name;
            }
        }
    }
}

// The run keeps the rules it read while the store stands still, yet a rule saved while the
// run goes on (the rules dialog is open during a run) decides from the next event on,
// and so does a rule count made unreadable.
TEST(LogReaderTest, RuleSavedMidRunAppliesFromTheNextEventOn)
{
    RunFixture f(ExtractionType::RuleBased);
    f.store.save("Rules", "1f", "Name");
    f.store.save("Rules", "1s", "Contains");
    f.store.save("Rules", "1v", "disk");
    f.store.save("Rules", "Count", "1");
    std::string log;
    for (const char* name : {"Disk one", "Disk two", "Disk three", "Disk four", "Disk five"}) {
        log += "[2004/08/17 12:03:45 1.1 Driver Install]\r\n#I022 Found \"D\" in x.inf; Device: \"" +
               std::string(name) + "\"\r\n";
    }
    f.writeLog(log);
    // A section's date is shown after the event before it was closed and decided.
    int sections = 0;
    f.ops.onStatus = [&](const std::string& text) {
        if (!text.starts_with("Found date entry: ") || text.find(" => ") != std::string::npos) {
            return;
        }
        ++sections;
        if (sections == 3) {
            f.store.save("Rules", "1v", "tape");
        } else if (sections == 4) {
            f.store.save("Rules", "1v", "disk");
        } else if (sections == 5) {
            f.store.save("Rules", "Count", "40000");
        }
    };
    const RunResult result = f.run("x", "h", 0);
    EXPECT_EQ(result.outcome, RunOutcome::Failed);
    EXPECT_EQ(result.reason, "the stored rule count \"40000\" is not a whole number from -32768 to 32767");
    CheckedVector<std::string> names;
    for (const std::string& row : f.rows()) {
        names.push_back(columns(row)[Name]);
    }
    EXPECT_EQ(names, (CheckedVector<std::string>{"Name", "Disk one", "Disk two", "Disk four"}));
}

// Rule based rows tested and written on a thread of their own are those written in turn:
// over many batches, with an event too long to queue among them, and with the type
// switched to Summary and back during the run.
TEST(LogReaderTest, RuleBasedRowsWrittenAsideAreThoseWrittenInTurn)
{
    std::string log;
    for (int i = 0; i < 3000; ++i) {
        const std::string device = i == 700 ? "USBSTOR\\" + std::string(600000, 'L') : "USBSTOR\\N" + std::to_string(i);
        log += "[2004/08/17 12:03:45 1." + std::to_string(i) + " Driver Install]\r\n#I022 Found \"" + device +
               "\" in x.inf; Device: \"" + (i % 3 == 0 ? "Fast Ethernet" : "Disk drive") + "\"\r\n";
    }
    std::vector<std::string> outputs;
    for (const bool aside : {true, false}) {
        RunFixture f(ExtractionType::RuleBased);
        ResetRegistry(f.store);
        f.ops.spareCore = aside;
        f.writeLog(log);
        f.ops.onYield = [](FakeWindowOps& ops) {
            ops.type = ops.yields >= 1000 && ops.yields < 1100 ? ExtractionType::Summary
                                                              : ExtractionType::RuleBased;
            return true;
        };
        ASSERT_EQ(f.run("x", "h", 0).outcome, RunOutcome::Completed);
        outputs.push_back(f.output());
    }
    EXPECT_EQ(outputs[0], outputs[1]);
    EXPECT_NE(outputs[0].find(std::string(600000, 'L')), std::string::npos);
    EXPECT_NE(outputs[0].find("Summary\tS"), std::string::npos);  // the rows while switched
    EXPECT_GT(std::count(outputs[0].begin(), outputs[0].end(), '\n'), 1000);
}

}  // namespace
}  // namespace tillery::test
