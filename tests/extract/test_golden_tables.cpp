// Whole extractions against tables written out by hand in tests/data:
//   <case>.<type>.expected.tsv  the whole table, one row a line (LF ends in the file);
//   <case>.<type>.excerpt.tsv   chosen rows of a large table, each line the row's number
//                               in the output (from 1, the column line), a TAB, the row.
// The run must write exactly those rows, each ending in CR LF. On a mismatch the whole
// output is written to <case>.<type>.actual.tsv in the build tree for a diff.

#include "core/DefaultRules.h"
#include "support/RunFixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace tillery::test {
namespace {

namespace fs = std::filesystem;

struct GoldenCase {
    const char* name;
    fs::path log;
    ExtractionType type;
    const char* typeName;
};

std::vector<std::string> fileLines(const fs::path& path)
{
    std::vector<std::string> lines;
    std::ifstream in(path, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        lines.push_back(line);
    }
    return lines;
}

void keepActual(const GoldenCase& c, const std::vector<std::string>& rows)
{
    fs::create_directories(TILLERY_TEST_OUTPUT);
    const fs::path path =
        fs::path(TILLERY_TEST_OUTPUT) / (std::string(c.name) + "." + c.typeName + ".actual.tsv");
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    for (const std::string& row : rows) {
        out << row << '\n';
    }
    ADD_FAILURE() << "output kept in " << path.string();
}

// A press of Start with the default rule set; the rows of the output.
std::vector<std::string> extractRows(const GoldenCase& c)
{
    RunFixture f(c.type);
    ResetRegistry(f.store);
    fs::copy_file(c.log, f.logPath);
    const PressResult press = f.press();
    EXPECT_EQ(press.outcome, PressOutcome::Ran);
    EXPECT_EQ(press.run.outcome, RunOutcome::Completed) << press.run.reason;
    const std::string output = f.output();
    EXPECT_TRUE(output.ends_with("\r\n")) << "the last row has no CR LF";
    return splitRows(output);
}

void expectGolden(const GoldenCase& c)
{
    SCOPED_TRACE(std::string(c.name) + " " + c.typeName);
    const fs::path data(TILLERY_TEST_DATA);
    const std::string stem = std::string(c.name) + "." + c.typeName;
    const std::vector<std::string> rows = extractRows(c);
    bool same = true;
    if (fs::exists(data / (stem + ".expected.tsv"))) {
        const std::vector<std::string> expected = fileLines(data / (stem + ".expected.tsv"));
        ASSERT_FALSE(expected.empty());
        EXPECT_EQ(rows.size(), expected.size()) << "row count";
        for (std::size_t i = 0; i < std::min(rows.size(), expected.size()); ++i) {
            if (rows[i] != expected[i]) {
                ADD_FAILURE() << "row " << i + 1 << "\n  expected: " << expected[i]
                              << "\n  actual:   " << rows[i];
                same = false;
            }
        }
        same = same && rows.size() == expected.size();
    } else {
        const std::vector<std::string> excerpt = fileLines(data / (stem + ".excerpt.tsv"));
        ASSERT_FALSE(excerpt.empty()) << "no table for " << stem;
        for (const std::string& line : excerpt) {
            const auto tab = line.find('\t');
            ASSERT_NE(tab, std::string::npos) << "excerpt line without a row number: " << line;
            const std::size_t number = std::stoul(line.substr(0, tab));
            ASSERT_GE(number, 1u);
            if (rows.size() < number) {
                ADD_FAILURE() << "row " << number << " missing: only " << rows.size() << " rows";
                same = false;
                break;
            }
            if (rows[number - 1] != line.substr(tab + 1)) {
                ADD_FAILURE() << "row " << number << "\n  expected: " << line.substr(tab + 1)
                              << "\n  actual:   " << rows[number - 1];
                same = false;
            }
        }
    }
    if (!same) {
        keepActual(c, rows);
    }
}

TEST(GoldenTables, SampleXpLogInEveryType)
{
    const fs::path log = fs::path(TILLERY_TEST_DATA) / "sample_xp.log";
    expectGolden({"sample_xp", log, ExtractionType::Full, "full"});
    expectGolden({"sample_xp", log, ExtractionType::Summary, "summary"});
    expectGolden({"sample_xp", log, ExtractionType::RuleBased, "rules"});
}

// Full and Summary are excerpts: the first events, the CD-ROM drive and the volume.
TEST(GoldenTables, Windows2000RealLogInEveryType)
{
    const fs::path log =
        fs::path(TILLERY_REAL_LOGS) / "w2k/Win2000DevCommunity_RemoteDesk2K_setupapi.log";
    if (!fs::exists(log)) {
        GTEST_SKIP() << "no real logs beside the project";
    }
    expectGolden({"w2k_remotedesk", log, ExtractionType::Full, "full"});
    expectGolden({"w2k_remotedesk", log, ExtractionType::Summary, "summary"});
    expectGolden({"w2k_remotedesk", log, ExtractionType::RuleBased, "rules"});
}

}  // namespace
}  // namespace tillery::test
