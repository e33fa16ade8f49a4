#include "ParsedOutput.h"
#include "core/FieldCatalogue.h"
#include "core/OutputFormat.h"
#include "export/TimelineSink.h"
#include "export/TimelineText.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace tillery;

namespace {

constexpr const char* kWpd =
    R"(SWD\WPDBUSENUM\_??_USBSTOR#Disk&Ven_Generic&Prod_Flash_Disk&Rev_8.07#99E2116A&0#{53f56307-b6bf-11d0-94f2-00a0c91efb8b})";

Record vistaEvent()
{
    Record r;
    r.full = "<<<  [Exit status: SUCCESS]";
    r.date = "2016/11/22 23:50:30";
    r.instance = std::string("Device Install (Hardware initiated) - ") + kWpd;
    r.line = "125";
    r.type = "Summary";
    r.code = "S";
    r.device = kWpd;
    r.sig = R"(USBSTOR\Disk&Ven_Generic&Prod_Flash_Disk&Rev_8.07\99E2116A&0)";
    r.name = "WPD FileSystem Volume Driver";
    return r;
}

ExportOptions options(std::string encoding = "windows-1252", std::string mask = "",
                      bool ruleBased = false)
{
    return {*TextDecoder::open(encoding), TimeConversion(), std::move(mask), ruleBased};
}

RowContext context(RowKind kind, TimeKind time, std::int64_t line, Layout layout = Layout::Vista)
{
    RowContext c;
    c.layout = layout;
    c.kind = kind;
    c.time = time;
    c.sourceLine = line;
    return c;
}

// A Summary run of a short Vista log: column line, boot event, device event.
void feedVistaSummary(TimelineSink& sink)
{
    sink.beginSource("/cases/pc1/setupapi.dev.log");
    sink.row(viewOf(columnRecord()), context(RowKind::Columns, TimeKind::None, 0));
    Record boot;
    boot.full = "[Boot Session: 2016/11/22 23:40:01.500]";
    boot.date = "2016/11/22 23:40:01";
    boot.instance = "Boot Session";
    boot.line = "0";
    boot.type = "Summary";
    boot.code = "S";
    sink.row(viewOf(boot), context(RowKind::Event, TimeKind::VistaBootSession, 9));
    sink.row(viewOf(vistaEvent()), context(RowKind::Event, TimeKind::VistaSection, 110));
}

}  // namespace

TEST(TimelineSink, CsvHasColumnRowThenOneRowPerRowOfTheRunAndReadsBack)
{
    std::ostringstream out;
    TimelineSink sink(out, ExportFormat::Csv, options());
    feedVistaSummary(sink);
    sink.finish();

    const auto rows = test::readCsv(out.str());
    ASSERT_EQ(rows.size(), 3u);
    const std::vector<std::string> expectedColumns = {
        "datetime", "timestamp_desc", "message", "Date Time", "Instance", "Line", "Type", "Code",
        "Signature", "GUID", "Name", "Device", "Full Text", "Path", "source", "source_line",
        "time_note", "bus", "vendor", "product", "revision", "serial", "serial_unique", "vid", "pid"};
    EXPECT_EQ(rows[0], expectedColumns);
    EXPECT_EQ(sink.columnNames(), expectedColumns);
    ASSERT_EQ(rows[1].size(), expectedColumns.size());
    const std::vector<std::string> device = {
        "2016-11-22T23:50:30", "Section start",
        std::string("Device Install (Hardware initiated): ") + kWpd + " (WPD FileSystem Volume Driver)",
        "2016/11/22 23:50:30", vistaEvent().instance, "125", "Summary", "S",
        vistaEvent().sig, "", "WPD FileSystem Volume Driver", kWpd, "<<<  [Exit status: SUCCESS]", "",
        "/cases/pc1/setupapi.dev.log", "110", "", "USBSTOR", "Generic", "Flash_Disk", "8.07",
        "99E2116A&0", "true", "", ""};
    EXPECT_EQ(rows[2], device);
    EXPECT_EQ(rows[1][1], "Boot session");
    EXPECT_EQ(rows[1][2], "[Boot Session: 2016/11/22 23:40:01.500]");
    EXPECT_EQ(rows[1][22], "") << "no serial, no uniqueness";
}

TEST(TimelineSink, RuleBasedRowsHoldOnlyTheMaskedFields)
{
    std::ostringstream out;
    // Date Time, Name and Device: the default selection.
    TimelineSink sink(out, ExportFormat::Csv, options("windows-1252", "10000001100", true));
    sink.beginSource("a.log");
    sink.row(viewOf(columnRecord()), context(RowKind::Columns, TimeKind::None, 0));
    sink.row(viewOf(vistaEvent()), context(RowKind::Event, TimeKind::VistaSection, 110));
    const auto rows = test::readCsv(out.str());
    ASSERT_EQ(rows.size(), 2u);
    ASSERT_GE(rows[0].size(), 6u);
    EXPECT_EQ(std::vector<std::string>(rows[0].begin(), rows[0].begin() + 6),
              (std::vector<std::string>{"datetime", "timestamp_desc", "message", "Date Time",
                                        "Name", "Device"}));
    EXPECT_EQ(rows[0].size(), 6u + kTimelineTail.size());
}

TEST(TimelineSink, FullRunGivesHeaderAndLineRowsDecodedToUtf8)
{
    std::ostringstream out;
    TimelineSink sink(out, ExportFormat::Jsonl, options("windows-1251"));
    sink.beginSource("C:\\cases\\\xCF\xCA\\setupapi.log");  // "ПК" in windows-1251
    Record header;
    header.full = "[SetupAPI Log] OS Version = 5.1.2600 Service Pack 2";
    header.date = "2008/05/01 10:00:00";
    sink.row(viewOf(header), context(RowKind::Header, TimeKind::LogHeader, 0, Layout::WindowsXp));
    Record line;
    line.full = "#I022 Found \"\xD3\xF1\" in usbstor.inf";
    line.date = "2008/05/01 10:05:00";
    sink.row(viewOf(line), context(RowKind::Line, TimeKind::XpSection, 12, Layout::WindowsXp));

    const auto rows = test::readJsonLines(out.str());
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0]["timestamp_desc"], "Log header");
    EXPECT_EQ(rows[0]["source_line"], 1);
    EXPECT_EQ(rows[0]["message"], header.full);
    EXPECT_EQ(rows[0]["source"], "C:\\cases\\\xD0\x9F\xD0\x9A\\setupapi.log");
    EXPECT_EQ(rows[1]["timestamp_desc"], "Device install section");
    EXPECT_EQ(rows[1]["Full Text"], "#I022 Found \"\xD0\xA3\xD1\x81\" in usbstor.inf");
    EXPECT_EQ(rows[1]["message"], rows[1]["Full Text"]);
}

TEST(TimelineSink, EmptyRunStillWritesTheCsvColumnRow)
{
    std::ostringstream out;
    TimelineSink sink(out, ExportFormat::Csv, options());
    sink.finish();
    sink.finish();
    const auto rows = test::readCsv(out.str());
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].size(), 25u);
}

TEST(TimelineMessage, SaysWhatHappenedToWhichDevice)
{
    const struct {
        Layout layout;
        TimeKind time;
        const char* instance;
        const char* device;
        const char* name;
        const char* full;
        const char* message;
    } cases[] = {
        {Layout::Vista, TimeKind::VistaSection,
         R"(Device Install (Hardware initiated) - USBSTOR\Disk&Ven_Kingston&Prod_DT&Rev_PMAP\0019&0)",
         R"(USBSTOR\Disk&Ven_Kingston&Prod_DT&Rev_PMAP\0019&0)", "", "<<<  [Exit status: SUCCESS]",
         R"(Device Install (Hardware initiated): USBSTOR\Disk&Ven_Kingston&Prod_DT&Rev_PMAP\0019&0)"},
        // A Device the tidy left without serial: the identifier as the log gave it, and a Name.
        {Layout::Vista, TimeKind::VistaSection, R"(Device Install (Hardware initiated) - USBSTOR\Disk&Ven_A&Prod_B\1&0)",
         "USBSTOR DISK A B", "Disk drive", "", R"(Device Install (Hardware initiated): USBSTOR\Disk&Ven_A&Prod_B\1&0 (Disk drive))"},
        // No Device: the identifier of the title, without the time written after it.
        {Layout::Vista, TimeKind::VistaSection,
         R"(Device Install (Hardware initiated) - USB\VID_0781&PID_5583\4C53 2023/04/15 14:23:11.456)", "", "", "",
         R"(Device Install (Hardware initiated): USB\VID_0781&PID_5583\4C53)"},
        {Layout::Vista, TimeKind::VistaSection, "SetupUninstallOEMInf - oem4.inf", "", "", "",
         "SetupUninstallOEMInf: oem4.inf"},
        {Layout::Vista, TimeKind::VistaBootSession, "Boot Session", "", "",
         "[Boot Session: 2015/11/22 17:58:03.498]", "[Boot Session: 2015/11/22 17:58:03.498]"},
        {Layout::WindowsXp, TimeKind::XpSection, R"( 632.5] Device Install - USB\VID_04E8&PID_6860\0123)",
         R"(USB\VID_04E8&PID_6860\0123)", "", "", R"(Device Install: USB\VID_04E8&PID_6860\0123)"},
        {Layout::WindowsXp, TimeKind::XpSection, " 264.1531 Driver Install", "", "", "#I121 done.",
         "Driver Install"},
        {Layout::WindowsXp, TimeKind::XpSection, "", "", "", "  #-198 Command line processed  ",
         "#-198 Command line processed"},
        {Layout::Windows2000, TimeKind::Win2000Section, " 180.12", "", "Volume", "", "Volume"},
    };
    for (const auto& c : cases) {
        Record r;
        r.instance = c.instance;
        r.device = c.device;
        r.name = c.name;
        r.full = c.full;
        RowContext ctx;
        ctx.layout = c.layout;
        ctx.kind = RowKind::Event;
        ctx.time = c.time;
        const std::string untidied = r.device == "USBSTOR DISK A B" ? R"(USBSTOR\Disk&Ven_A&Prod_B\1&0)" : r.device;
        ctx.untidiedDevice = untidied;
        std::string scratch;
        EXPECT_EQ(timelineMessage(viewOf(r), ctx, scratch), c.message) << c.instance;
    }
}
