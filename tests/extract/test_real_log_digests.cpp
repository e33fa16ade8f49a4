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

TEST(RealLogDigestTest, DigestIsFnv1a64)
{
    // The published test vectors of the 64-bit FNV-1a hash.
    EXPECT_EQ(fnv1a64Hex(""), "cbf29ce484222325");
    EXPECT_EQ(fnv1a64Hex("a"), "af63dc4c8601ec8c");
    EXPECT_EQ(fnv1a64Hex("foobar"), "85944171f73967e8");
}

TEST(RealLogDigestTest, EveryRealLogGivesThePinnedOutput)
{
    const std::vector<LogDigest> actual = realLogDigests();
    if (actual.empty()) {
        GTEST_SKIP() << "no real logs beside the project";
    }
    const std::map<DigestKey, LogDigest> expected = readDigestTable(kTablePath);
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

}  // namespace
}  // namespace tillery::test
