// Whole extractions against tables written out by hand in tests/data:
//   <case>.<type>.expected.tsv  the whole table, one row a line (LF ends in the file);
//   <case>.<type>.excerpt.tsv   chosen rows of a large table, each line the row's number
//                               in the output (from 1, the column line), a TAB, the row.
// The run must write exactly those rows, each ending in CR LF.

#include "core/DefaultRules.h"
#include "support/GoldenTable.h"
#include "support/RunFixture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>

namespace tillery::test {
namespace {

namespace fs = std::filesystem;

// Presses Start on the log with the default rule set, in each type, against its table.
void expectGolden(const char* name, const fs::path& log)
{
    const std::pair<ExtractionType, const char*> types[] = {
        {ExtractionType::Full, "full"}, {ExtractionType::Summary, "summary"}, {ExtractionType::RuleBased, "rules"}};
    for (const auto& [type, typeName] : types) {
        const std::string stem = std::string(name) + "." + typeName;
        SCOPED_TRACE(stem);
        RunFixture f(type);
        ResetRegistry(f.store);
        fs::copy_file(log, f.logPath);
        const PressResult press = f.press();
        ASSERT_EQ(press.run.outcome, RunOutcome::Completed) << press.message << press.run.reason;
        if (fs::exists(fs::path(TILLERY_TEST_DATA) / (stem + ".expected.tsv"))) {
            EXPECT_EQ(f.output(), goldenTable(stem + ".expected.tsv"));
            continue;
        }
        const std::string output = f.output();
        EXPECT_TRUE(output.ends_with("\r\n")) << "the last row has no CR LF";
        const auto rows = splitRows(output);
        std::istringstream excerpt(readFile(std::string(TILLERY_TEST_DATA) + "/" + stem + ".excerpt.tsv"));
        std::string line;
        int checked = 0;
        while (std::getline(excerpt, line)) {
            const auto tab = line.find('\t');
            ASSERT_NE(tab, std::string::npos) << "excerpt line without a row number: " << line;
            const std::size_t number = std::stoul(line.substr(0, tab));
            ASSERT_GE(number, 1u);
            EXPECT_EQ(rows[number - 1], line.substr(tab + 1)) << "row " << number;
            ++checked;
        }
        EXPECT_GT(checked, 0) << "no table for " << stem;
    }
}

TEST(GoldenTables, SampleXpLogInEveryType)
{
    expectGolden("sample_xp", fs::path(TILLERY_TEST_DATA) / "sample_xp.log");
}

// Full and Summary are excerpts: the first events, the CD-ROM drive and the volume.
TEST(GoldenTables, Windows2000RealLogInEveryType)
{
    const fs::path log = fs::path(TILLERY_REAL_LOGS) / "w2k/Win2000DevCommunity_RemoteDesk2K_setupapi.log";
    if (!fs::exists(log)) {
        GTEST_SKIP() << "no real logs beside the project";
    }
    expectGolden("w2k_remotedesk", log);
}

}  // namespace
}  // namespace tillery::test
