#include "ParsedOutput.h"
#include "export/TimelineSink.h"
#include "support/RealLogs.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

using namespace tillery;

namespace {

std::vector<std::string> linesOf(const std::filesystem::path& log)
{
    std::ifstream in(log, std::ios::binary);
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        lines.push_back(line);
    }
    return lines;
}

// Every line of a real log as a Full row, written in one format.
std::string timeline(const std::filesystem::path& log, const std::vector<std::string>& lines,
                     ExportFormat format, const char* encoding)
{
    std::ostringstream out;
    TimelineSink sink(out, format, {*TextDecoder::open(encoding), TimeConversion(), "", false});
    sink.beginSource(log.string());
    RowContext context;
    context.layout = Layout::Vista;
    context.time = TimeKind::VistaSection;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        Record record;
        record.full = lines[i];
        context.sourceLine = static_cast<std::int64_t>(i) + 1;
        sink.row(record, context);
    }
    sink.finish();
    return out.str();
}

}  // namespace

// The real logs in windows-1252 and windows-1251 come out as valid UTF-8 that a CSV reader
// and a JSON parser read back line for line, with the names in their own script.
TEST(RealLogText, EveryLineReadsBackFromCsvAndJsonLines)
{
    const struct {
        const char* nameEnd;
        const char* encoding;
        std::string expected;  // UTF-8 text the log holds in its code page
    } cases[] = {
        {"OUALI42_CyberSecu_setupapi.dev.log", "windows-1252",
         "Service d\xE2\x80\x99\xC3\xA9num\xC3\xA9rateur Bluetooth"},
        {"ttxamlottmolo75-cmd_support-bot_setupapi.dev.log", "windows-1251",
         "\xD0\x94\xD1\x80\xD0\xB0\xD0\xB9\xD0\xB2\xD0\xB5\xD1\x80 UMPass Microsoft"},
    };
    int checked = 0;
    for (const auto& log : test::realLogs("vista")) {
        for (const auto& c : cases) {
            if (log.filename() != c.nameEnd) {
                continue;
            }
            const auto lines = linesOf(log);
            ASSERT_GT(lines.size(), 1000u);

            const auto objects = test::readJsonLines(timeline(log, lines, ExportFormat::Jsonl, c.encoding));
            ASSERT_EQ(objects.size(), lines.size()) << log;
            bool found = false;
            for (const auto& object : objects) {
                found = found || object["Full Text"].get<std::string>().find(c.expected) != std::string::npos;
            }
            EXPECT_TRUE(found) << log;
            EXPECT_EQ(objects.back()["source_line"], lines.size());

            const auto rows = test::readCsv(timeline(log, lines, ExportFormat::Csv, c.encoding));
            ASSERT_EQ(rows.size(), lines.size() + 1) << log;
            ASSERT_GE(rows.back().size(), 13u);
            EXPECT_EQ(rows.back()[12], objects.back()["Full Text"].get<std::string>());
            ++checked;
        }
    }
    if (checked == 0) {
        GTEST_SKIP() << "real logs not present";
    }
    EXPECT_EQ(checked, 2);
}
