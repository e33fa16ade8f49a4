// The press and the run keep evidence whole: what they read, what they write over, and
// what they report when the log or the machine fails them.

#include "extract/LineReader.h"
#include "extract/Messages.h"
#include "extract/RunChecks.h"
#include "support/RunFixture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <fstream>

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace tillery::test {
namespace {

constexpr std::size_t kDateColumn = 0;
constexpr std::size_t kFullTextColumn = 9;

const std::string kXpLog = "[SetupAPI Log]\r\nOS Version = 5.1\r\n"
                           "[2005/03/01 09:00:00 412.3 Driver Install]\r\n#I022 Found x\r\n";

TEST(RunEvidence, AnOutputCreatedByAnotherRunAfterTheDeletionIsLeftAlone)
{
    // Two runs on one output: the other one created it between this press's deletion of
    // the old file and this run's open.
    RunFixture f(ExtractionType::Full);
    f.writeLog(kXpLog);
    writeFile(f.outputPath, "old table\r\n");
    f.ops.onStatus = [&](const std::string& status) {
        if (status == msg::kFileDeleted) {
            writeFile(f.outputPath, "the other run's table\r\n");
        }
    };
    const PressResult press = f.press();
    ASSERT_EQ(press.outcome, PressOutcome::Ran);
    EXPECT_EQ(press.run.outcome, RunOutcome::Failed);
    EXPECT_EQ(press.run.reason, "the output file could not be opened for writing: File exists "
                                "(another run may be writing it; it was left alone)");
    EXPECT_EQ(f.output(), "the other run's table\r\n");
}

TEST(RunEvidence, TheFirstLineIsTestedWithABoundedPartOfIt)
{
    const std::size_t block = std::size_t{1} << 20;  // the reader's block
    const std::string longTail(3 * block, '\0');
    const std::string straddling = std::string(block - 4, 'x') + "SetupAPI";
    struct Case {
        std::string line;
        LogLayout layout;
    };
    const std::vector<Case> cases = {
        {"[SetupAPI Log]", LogLayout::WindowsXp},
        {"[2004/01/01 10:00:00 1.1]", LogLayout::Windows2000},
        {longTail, LogLayout::Unknown},
        {"[2" + longTail, LogLayout::Windows2000},
        {longTail + "SetupAPI", LogLayout::WindowsXp},
        {straddling, LogLayout::WindowsXp},  // split between two blocks
        {straddling.substr(0, straddling.size() - 1), LogLayout::Unknown},
        {std::string(FirstLine::kKept - 4, 'x') + "SetupAPI", LogLayout::WindowsXp},
    };
    TempDir dir;
    const std::string path = dir.file("first.log");
    for (const Case& c : cases) {
        for (const std::string_view end : {"\r\n", "\n", ""}) {
            writeFile(path, c.line + std::string(end) + "second\r\n");
            LineReader reader;
            ASSERT_TRUE(reader.open(path));
            const FirstLine first = readFirstLine(reader);
            const std::string what = std::to_string(c.line.size()) + " bytes, end " + std::string(end);
            EXPECT_TRUE(first.present) << what;
            EXPECT_EQ(detectLayout(first.layoutText()), c.layout) << what;
            EXPECT_LE(first.kept.size(), FirstLine::kKept) << what;
            EXPECT_EQ(first.cut, c.line.size() > FirstLine::kKept) << what;
            if (!first.cut && !end.empty()) {
                EXPECT_EQ(first.kept, c.line) << what;
            }
            // The reader stands on the second line (without a line end, "second" belongs
            // to the first line).
            std::string_view next;
            if (!end.empty()) {
                ASSERT_TRUE(reader.next(next)) << what;
                EXPECT_EQ(next, "second") << what;
            }
        }
    }
}

TEST(RunEvidence, ALongFirstLineIsPassedOnWholeWhereItIsUsed)
{
    // A Windows 2000 date and an XP header that is the first line alone use all of it.
    const std::string longLine = "[2004/01/01 10:00:00 1.1]" + std::string(3 << 20, 'y');
    RunFixture w2k(ExtractionType::Full);
    w2k.writeLog(longLine + "\r\n#I022 Found x\r\n");
    ASSERT_EQ(w2k.press().run.outcome, RunOutcome::Completed);
    auto rows = w2k.rows();
    ASSERT_GE(rows.size(), 3u);
    EXPECT_EQ(columns(rows[1])[kDateColumn], "2004/01/01 10:00:00");

    const std::string xpLine = "[SetupAPI Log]" + std::string(3 << 20, 'z');
    RunFixture xp(ExtractionType::Full);
    xp.writeLog(xpLine);
    ASSERT_EQ(xp.press().run.outcome, RunOutcome::Completed);
    rows = xp.rows();
    ASSERT_GE(rows.size(), 2u);
    EXPECT_EQ(columns(rows[1])[kFullTextColumn], "[SetupAPI Log] " + xpLine);
}

TEST(RunEvidence, ALogThatChangedDuringTheRunIsReported)
{
    struct Case {
        const char* what;
        std::function<void(const std::string&)> change;
        bool changed;
    };
    const std::vector<Case> cases = {
        {"untouched", [](const std::string&) {}, false},
        {"grown", [](const std::string& log) { std::ofstream(log, std::ios::app) << "#I022 more\r\n"; }, true},
        {"shrunk", [](const std::string& log) { std::filesystem::resize_file(log, 10); }, true},
        {"rewritten",
         [](const std::string& log) {
             std::filesystem::last_write_time(
                 log, std::filesystem::last_write_time(log) - std::chrono::hours(1));
         },
         true},
    };
    for (const Case& c : cases) {
        RunFixture f(ExtractionType::Full);
        f.writeLog(kXpLog);
        f.ops.onStatus = [&](const std::string& status) {
            if (status.starts_with(msg::kFinished)) {
                c.change(f.logPath);
            }
        };
        const PressResult press = f.press();
        EXPECT_EQ(press.run.outcome, RunOutcome::Completed) << c.what;
        EXPECT_EQ(press.logChanged, c.changed) << c.what;
        EXPECT_GE(f.rows().size(), 4u) << c.what;  // the rows stay
    }
}

#ifndef _WIN32
TEST(RunEvidence, ALogThatCannotBeReadGetsItsCauseInTheBox)
{
    RunFixture f(ExtractionType::Summary);
    f.writeLog(kXpLog);
    std::filesystem::permissions(f.logPath, std::filesystem::perms::none);
    std::filesystem::permissions(f.dir.path(), std::filesystem::perms::all);
    // Root reads every file: the press then runs in a child as an unprivileged user.
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) {
            _exit(3);
        }
        const PressResult press = f.press();
        const bool ok = press.outcome == PressOutcome::Refused && f.ops.boxes.size() == 1 &&
                        f.ops.boxes[0].text ==
                            "File: " + f.logPath + " cannot be read: Permission denied" &&
                        f.ops.boxes[0].icon == BoxIcon::Critical &&
                        f.ops.status() == "SetupApi file cannot be read:" + f.logPath;
        _exit(ok ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: wrong box, 3: cannot drop privileges";
}
#endif

}  // namespace
}  // namespace tillery::test
