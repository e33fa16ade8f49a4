// A change detector, not a check of correctness: the row count and a 64-bit FNV-1a digest
// of the output of every real log in every extraction type, against
// tests/data/real_log_digests.txt. The pinned values were taken from the program itself;
// the golden tables (test_golden_tables.cpp) say what is right. A change of output shows
// up here and has to be explained in review; scripts/update_digests.sh then remakes the
// table. No test writes it.

#include "core/DefaultRules.h"
#include "support/RealLogDigests.h"
#include "support/RealLogs.h"
#include "support/RunFixture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace tillery::test {
namespace {

namespace fs = std::filesystem;

const fs::path kTablePath = fs::path(TILLERY_TEST_DATA) / "real_log_digests.txt";

using Key = std::pair<std::string, std::string>;  // file, type

std::map<Key, LogDigest> readTable()
{
    std::map<Key, LogDigest> table;
    std::ifstream in(kTablePath);
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line.front() == '#') {
            continue;
        }
        std::istringstream fields(line);
        LogDigest d;
        if (std::getline(fields, d.file, '\t') && std::getline(fields, d.type, '\t') &&
            (fields >> d.rows >> d.digest)) {
            table[{d.file, d.type}] = d;
        } else {
            ADD_FAILURE() << "unreadable line in " << kTablePath.string() << ": " << line;
        }
    }
    return table;
}

TEST(RealLogDigestTest, DigestIsFnv1a64)
{
    // The published test vectors of the 64-bit FNV-1a hash.
    EXPECT_EQ(fnv1a64Hex(""), "cbf29ce484222325");
    EXPECT_EQ(fnv1a64Hex("a"), "af63dc4c8601ec8c");
    EXPECT_EQ(fnv1a64Hex("foobar"), "85944171f73967e8");
}

TEST(RealLogDigestTest, EveryOlderLayoutLogGivesThePinnedOutput)
{
    const std::vector<LogDigest> actual = realLogDigests();
    if (actual.empty()) {
        GTEST_SKIP() << "no real logs beside the project";
    }
    const std::map<Key, LogDigest> expected = readTable();
    ASSERT_FALSE(expected.empty()) << "no digests in " << kTablePath.string()
                                   << "; scripts/update_digests.sh makes them";
    std::size_t found = 0;
    for (const LogDigest& d : actual) {
        SCOPED_TRACE(d.file + " " + d.type);
        EXPECT_EQ(d.problem, "");
        const auto pinned = expected.find({d.file, d.type});
        if (pinned == expected.end()) {
            ADD_FAILURE() << "not in the table (" << d.rows << " rows, " << d.digest << ")";
            continue;
        }
        ++found;
        EXPECT_EQ(d.rows, pinned->second.rows) << "row count";
        EXPECT_EQ(d.digest, pinned->second.digest) << "output bytes";
    }
    EXPECT_EQ(found, expected.size()) << "the table names logs that are not beside the project";
}

// Logs of the later layout open with "[Device Install Log]": neither older layout, so the
// press refuses them before anything is written.
TEST(RealLogDigestTest, LaterLayoutLogsAreRefused)
{
    const std::vector<fs::path> logs = realLogs("vista");
    if (logs.empty()) {
        GTEST_SKIP() << "no real logs beside the project";
    }
    for (const fs::path& log : logs) {
        SCOPED_TRACE(log.filename().string());
        RunFixture f(ExtractionType::RuleBased);
        ResetRegistry(f.store);
        fs::copy_file(log, f.logPath);
        const PressResult press = f.press();
        EXPECT_EQ(press.outcome, PressOutcome::NotSetupApi);
        EXPECT_EQ(press.message, "File is not a setupapi.log file.");
        ASSERT_FALSE(f.ops.boxes.empty());
        EXPECT_EQ(f.ops.boxes.back().text, "File is not a setupapi.log file.");
        EXPECT_EQ(f.ops.boxes.back().icon, BoxIcon::Information);
        EXPECT_FALSE(fs::exists(f.outputPath));
    }
}

}  // namespace
}  // namespace tillery::test
