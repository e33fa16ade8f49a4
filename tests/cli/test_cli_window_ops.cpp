#include "app/CliWindowOps.h"

#include "core/MemorySettingsStore.h"
#include "extract/Messages.h"
#include "extract/RunController.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

namespace tillery::cli {
namespace {

using namespace std::chrono_literals;

const std::string kTitle(msg::kMainTitle);

// An error stream in a temporary file, and a clock the test moves by hand.
class CliWindowOpsTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(m_err, nullptr); }
    void TearDown() override { std::fclose(m_err); }

    CliWindowOps make(ProgressMode mode)
    {
        return CliWindowOps(m_err, mode, ExtractionType::Summary, [this] { return m_now; });
    }

    std::string written()
    {
        std::string text(static_cast<std::size_t>(std::ftell(m_err)), '\0');
        std::rewind(m_err);
        text.resize(std::fread(text.data(), 1, text.size(), m_err));
        return text;
    }

    std::FILE* m_err = std::tmpfile();
    std::chrono::steady_clock::time_point m_now{1h};
};

TEST_F(CliWindowOpsTest, LiveRedrawsOnlyWhenAskedAndAtMostEveryHundredMilliseconds)
{
    CliWindowOps ops = make(ProgressMode::Live);
    ops.setStatus("Counting lines... 1");  // not asked for
    ASSERT_TRUE(ops.statusDue());
    ops.setStatus("Found date entry: [2006/04/12 14:22:07 1060.3]");  // no progress text
    ops.setStatus("Counting lines... 1234567890123456789");
    ops.setStatus("Counting lines... 2");  // the draw asked for is used up
    m_now += 99ms;
    EXPECT_FALSE(ops.statusDue());
    m_now += 1ms;
    ASSERT_TRUE(ops.statusDue());
    ops.setStatus("Processing 1 events and 2 entries");
    EXPECT_EQ(ops.status(), "Processing 1 events and 2 entries");
    ops.setStatus("Finished processing: 4 events and 22 entries");
    ops.messageBox("Extraction complete.", BoxIcon::None, kTitle);

    // A shorter text is padded over the longer one; the line is cleared before others.
    EXPECT_EQ(written(), "\rCounting lines... 1234567890123456789"
                         "\rProcessing 1 events and 2 entries    "
                         "\r" + std::string(33, ' ') + "\r"
                         "Finished processing: 4 events and 22 entries\n"
                         "Extraction complete.\n");
}

TEST_F(CliWindowOpsTest, SummaryModeNeverAsksForProgressAndPrintsOneLine)
{
    CliWindowOps ops = make(ProgressMode::Summary);
    m_now += 1s;
    EXPECT_FALSE(ops.statusDue());
    ops.setStatus("Counting lines... 5");
    ops.setStatus("5 lines found in source file to process");
    ops.setStatus("Finished processing: 1 events and 5 entries");
    ops.messageBox("Extraction complete.", BoxIcon::None, kTitle);
    EXPECT_EQ(written(), "Finished processing: 1 events and 5 entries\nExtraction complete.\n");
}

TEST_F(CliWindowOpsTest, QuietKeepsOnlyRefusalsAndFailures)
{
    CliWindowOps ops = make(ProgressMode::Quiet);
    EXPECT_FALSE(ops.statusDue());
    ops.setStatus("Finished processing: 1 events and 5 entries");
    ops.messageBox("Extraction complete.", BoxIcon::None, kTitle);
    ops.messageBox("o.xls already exists.  File will be deleted when you press OK.",
                   BoxIcon::Information, kTitle);
    ops.messageBox(std::string(msg::kNotSetupApiLog), BoxIcon::Information, kTitle);
    ops.messageBox(std::string(msg::kRunError), BoxIcon::Critical, kTitle);
    EXPECT_EQ(written(), std::string(msg::kNotSetupApiLog) + "\n" + std::string(msg::kRunError) + "\n");
}

// A whole press on a terminal, with a clock that moves 30 ms per look.
TEST_F(CliWindowOpsTest, APressOnATerminalShowsOnePassThenTheSummary)
{
    CliWindowOps ops(m_err, ProgressMode::Live, ExtractionType::Summary, [this] {
        return m_now += 30ms;
    });
    ops.setOpenPath(TILLERY_TEST_DATA "/sample_xp.log");
    std::FILE* table = std::tmpfile();
    ASSERT_NE(table, nullptr);
    MemorySettingsStore store;
    const PressResult result = cmdCommand_Click(ops, store, PressOptions{table});
    std::fclose(table);
    ASSERT_EQ(result.outcome, PressOutcome::Ran);
    EXPECT_EQ(result.run.outcome, RunOutcome::Completed);
    EXPECT_EQ(ops.startCaption(), "Restart");
    EXPECT_TRUE(ops.startEnabled());

    const std::string err = written();
    // The log is read once: no line count is shown, only the extraction's progress.
    EXPECT_TRUE(err.starts_with("\rProcessing ")) << err;
    EXPECT_EQ(err.find("Counting lines"), std::string::npos) << err;
    EXPECT_TRUE(err.ends_with("\rFinished processing: 4 events and 22 entries\nExtraction complete.\n"))
        << err;
    // At least one progress draw and its clearing; far fewer draws than lines.
    const auto draws = std::count(err.begin(), err.end(), '\r');
    EXPECT_GE(draws, 3);
    EXPECT_LT(draws, 20);
}

}  // namespace
}  // namespace tillery::cli
