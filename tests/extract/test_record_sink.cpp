// A run given a record sink hands it every row it would write, with the row's place in
// the log, and opens no output file.

#include "core/DefaultRules.h"
#include "core/OutputFormat.h"
#include "extract/RecordSink.h"
#include "support/RunFixture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace tillery::test {
namespace {

struct Collected : RecordSink {
    struct Row {
        RowKind kind;
        TimeKind time;
        std::int64_t sourceLine;
        bool operator==(const Row&) const = default;
    };
    std::vector<Row> rows;
    std::vector<Layout> layouts;
    std::string table;  // the rows as the ".xls" file would hold them

    void row(const RecordView& record, const RowContext& context) override
    {
        rows.push_back({context.kind, context.time, context.sourceLine});
        layouts.push_back(context.layout);
        appendRow(table, context.mask, context.ruleBased, ownedRecord(record));
        table += "\r\n";
    }
};

using K = RowKind;
using T = TimeKind;

const std::string kXp =
    "[SetupAPI Log]\r\nOS Version = 5.1\r\n\r\n"
    "[2005/01/02 10:00:00 400.3 Driver Install]\r\n"
    "#I022 Found \"USBSTOR\\DISK&VEN_A&PROD_B\\1&0\" in usbstor.inf; Device: \"Disk drive\"\r\n";
const std::string kW2k =
    "[2004/08/17 12:03:45 1234.5 Driver Install]\r\n"
    "Found USBSTOR\\DiskZorbex in C:\\WINNT\\inf\\usbstor.inf; Device: Disk drive; Driver: x\r\n"
    "[2004/08/17 12:05:00 99.1]\r\n"
    "EXE name: C:\\WINNT\\system32\\setup.exe\r\n";
const std::string kVista =
    "[Device Install Log]\r\n     OS Version = 10.0.10240\r\n\r\n[BeginLog]\r\n\r\n"
    "[Boot Session: 2016/11/22 23:39:14.499]\r\n\r\n"
    ">>>  [Delete Device - USBSTOR\\Disk&Ven_A&Prod_B&Rev_1.0\\123&0]\r\n"
    ">>>  Section start 2016/11/22 23:40:00.000\r\n"
    "<<<  Section end 2016/11/22 23:40:01.000\r\n"
    "<<<  [Exit status: SUCCESS]\r\n";

const struct SinkCase {
    const char* what;
    std::string log;
    Layout layout;
    ExtractionType type;
    std::vector<Collected::Row> rows;
} kCases[] = {
    // XP: the line before the first section is the header part's event.
    {"XP full", kXp, Layout::WindowsXp, ExtractionType::Full,
     {{K::Columns, T::None, 0}, {K::Header, T::LogHeader, 0}, {K::Line, T::LogHeader, 3},
      {K::Line, T::XpSection, 4}, {K::Line, T::XpSection, 5}}},
    {"XP summary", kXp, Layout::WindowsXp, ExtractionType::Summary,
     {{K::Columns, T::None, 0}, {K::Event, T::LogHeader, 3}, {K::Event, T::XpSection, 4}}},
    {"2000 full", kW2k, Layout::Windows2000, ExtractionType::Full,
     {{K::Columns, T::None, 0}, {K::Header, T::LogHeader, 0}, {K::Line, T::Win2000Section, 1},
      {K::Line, T::Win2000Section, 2}, {K::Line, T::Win2000Section, 3}, {K::Line, T::Win2000Section, 4}}},
    {"2000 summary", kW2k, Layout::Windows2000, ExtractionType::Summary,
     {{K::Columns, T::None, 0}, {K::Event, T::Win2000Section, 1}, {K::Event, T::Win2000Section, 3}}},
    // Vista: the title's row is written after its start line has been read, in file order.
    {"Vista full", kVista, Layout::Vista, ExtractionType::Full,
     {{K::Columns, T::None, 0}, {K::Header, T::LogHeader, 0}, {K::Line, T::LogHeader, 5},
      {K::Line, T::VistaBootSession, 6}, {K::Line, T::VistaBootSession, 7}, {K::Line, T::VistaSection, 8},
      {K::Line, T::VistaSection, 9}, {K::Line, T::VistaSection, 10}, {K::Line, T::VistaSection, 11}}},
    {"Vista summary", kVista, Layout::Vista, ExtractionType::Summary,
     {{K::Columns, T::None, 0}, {K::Event, T::VistaBootSession, 6}, {K::Event, T::VistaSection, 8}}},
    {"Vista rules", kVista, Layout::Vista, ExtractionType::RuleBased,
     {{K::Columns, T::None, 0}, {K::Event, T::VistaSection, 8}}},
};

TEST(RecordSinkTest, EveryRowWithItsPlaceInTheLogAndNoFile)
{
    for (const SinkCase& c : kCases) {
        SCOPED_TRACE(c.what);
        RunFixture f(c.type);
        ResetRegistry(f.store);
        f.writeLog(c.log);
        Collected sink;
        ASSERT_EQ(cmdCommand_Click(f.ops, f.store, {.sink = &sink}).run.outcome, RunOutcome::Completed);
        EXPECT_FALSE(std::filesystem::exists(f.outputPath));
        EXPECT_EQ(sink.rows, c.rows);
        EXPECT_EQ(sink.layouts, std::vector<Layout>(sink.rows.size(), c.layout));
        // The table the same press writes to its file.
        ASSERT_EQ(f.press().run.outcome, RunOutcome::Completed);
        EXPECT_EQ(sink.table, f.output());
    }
}

}  // namespace
}  // namespace tillery::test
