#include "core/DefaultRules.h"
#include "support/RealLogs.h"
#include "support/RunFixture.h"

#include <filesystem>

#include <gtest/gtest.h>

namespace tillery::test {
namespace {

namespace fs = std::filesystem;

class RealLogTest : public ::testing::TestWithParam<ExtractionType> {};

// Every real log of either older layout runs to the end in every extraction type, whether
// pressed through Start (for logs that pass the layout test) or run directly.
TEST_P(RealLogTest, EveryRealLogRunsToCompletion)
{
    std::vector<fs::path> logs = realLogs("xp");
    const auto w2k = realLogs("w2k");
    logs.insert(logs.end(), w2k.begin(), w2k.end());
    if (logs.empty()) {
        GTEST_SKIP() << "no real logs beside the project";
    }
    for (const fs::path& log : logs) {
        SCOPED_TRACE(log.filename().string());
        RunFixture f(GetParam());
        ResetRegistry(f.store);
        fs::copy_file(log, f.logPath);
        const PressResult press = f.press();
        if (press.outcome == PressOutcome::NotSetupApi) {
            // Carved fragments start in the middle of a line: the engine still reads them.
            f.ops.boxes.clear();
            EXPECT_EQ(f.run("?", "fragment", 0).outcome, RunOutcome::Completed);
        } else {
            ASSERT_EQ(press.outcome, PressOutcome::Ran);
            EXPECT_EQ(press.run.outcome, RunOutcome::Completed) << press.run.reason;
        }
        ASSERT_FALSE(f.ops.boxes.empty());
        EXPECT_EQ(f.ops.boxes.back().text, "Extraction complete.");
        EXPECT_GE(f.rows().size(), 1u);
    }
}

INSTANTIATE_TEST_SUITE_P(AllTypes, RealLogTest,
                         ::testing::Values(ExtractionType::Full, ExtractionType::Summary,
                                           ExtractionType::RuleBased));

TEST(RealLogTest, Windows2000LogFindsItsDrivesAndVolumeSize)
{
    const fs::path log = fs::path(TILLERY_REAL_LOGS) / "w2k/Win2000DevCommunity_RemoteDesk2K_setupapi.log";
    if (!fs::exists(log)) {
        GTEST_SKIP() << "no real logs beside the project";
    }
    RunFixture f(ExtractionType::RuleBased);
    ResetRegistry(f.store);
    fs::copy_file(log, f.logPath);
    ASSERT_EQ(f.press().run.outcome, RunOutcome::Completed);
    const std::string out = f.output();
    // The CD-ROM drive and the volume with its real size (the identifier has no quotes).
    EXPECT_NE(out.find("IDE CDROMNECVMWAR VMWARE IDE CDR10"), std::string::npos);
    EXPECT_NE(out.find("Signature: 37C637C5, Offset: 0 MB, Size: 8 GB"), std::string::npos);

    // Full: one row per line, the trailing run of NUL bytes included as a line.
    RunFixture full(ExtractionType::Full);
    fs::copy_file(log, full.logPath);
    ASSERT_EQ(full.press().run.outcome, RunOutcome::Completed);
    EXPECT_EQ(full.rows().size(), 2u + 2878u);
}

}  // namespace
}  // namespace tillery::test
