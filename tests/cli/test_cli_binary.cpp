// The built program, run as a user runs it: its own process, streams and per-user folder.

#include "app/CliOptions.h"
#include "cli/CliHarness.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace tillery {
namespace {

namespace fs = std::filesystem;
using test::CliResult;
using test::readFile;
using test::TempDir;
using test::writeFile;

// Every file below a folder, as paths relative to it.
std::vector<std::string> filesBelow(const fs::path& folder)
{
    std::vector<std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (!entry.is_directory()) {
            files.push_back(fs::relative(entry.path(), folder).string());
        }
    }
    return files;
}

class CliBinaryTest : public ::testing::Test {
protected:
    void SetUp() override { writeFile(log, readFile(test::kSampleLog)); }

    CliResult run(const std::vector<std::string>& arguments)
    {
        return test::runBinary(dir.path(), arguments);
    }

    TempDir dir;
    const std::string log = dir.file("setupapi.log");
    const fs::path userStore = dir.path() / "config" / "VORN" / "VORN.ini";
};

TEST_F(CliBinaryTest, HelpAndUsageErrors)
{
    const CliResult help = run({"--help"});
    EXPECT_EQ(help.exitCode, cli::kExitOk);
    EXPECT_EQ(help.out, cli::helpText());
    EXPECT_EQ(help.err, "");

    const CliResult unknown = run({"--verbose", log});
    EXPECT_EQ(unknown.exitCode, cli::kExitRefused);
    EXPECT_EQ(unknown.out, "");
    EXPECT_EQ(unknown.err, "tillery-cli: unknown option: --verbose\n"
                           "Try 'tillery-cli --help' for more information.\n");

    const CliResult noLog = run({"--force"});
    EXPECT_EQ(noLog.exitCode, cli::kExitRefused);
    EXPECT_TRUE(noLog.err.starts_with("tillery-cli: no log file or folder given\n")) << noLog.err;
}

TEST_F(CliBinaryTest, ARunWithoutAStoreNeitherCreatesOneNorWritesElsewhere)
{
    const CliResult r = run({log});
    EXPECT_EQ(r.exitCode, cli::kExitOk) << r.err;
    EXPECT_EQ(readFile(log + ".xls"), test::kSampleRuleTable);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, test::kSampleSummaryLines);  // no terminal: no "\r" progress
    EXPECT_EQ(filesBelow(dir.path() / "config"), std::vector<std::string>{});
    EXPECT_EQ(filesBelow(dir.path() / "home"), std::vector<std::string>{});
}

TEST_F(CliBinaryTest, ARunUsesTheUsersStoreAndLeavesItUnchanged)
{
    fs::create_directories(userStore.parent_path());
    test::writeUsbOnlySettings(userStore.string());
    const std::string before = readFile(userStore.string());
    const auto stamp = fs::last_write_time(userStore);

    const CliResult r = run({"--type", "rules", "-o", "-", log});
    EXPECT_EQ(r.exitCode, cli::kExitOk) << r.err;
    EXPECT_EQ(r.out, test::kSampleUsbOnlyTable);
    EXPECT_EQ(r.err, test::kSampleSummaryLines);
    EXPECT_EQ(readFile(userStore.string()), before);
    EXPECT_EQ(fs::last_write_time(userStore), stamp);
    EXPECT_EQ(filesBelow(dir.path() / "config"), std::vector<std::string>{"VORN/VORN.ini"});

    // --settings replaces the user's store: an empty file means the default rules.
    writeFile(dir.file("empty.ini"), "");
    const CliResult other = run({"--settings", "empty.ini", "-o", "-", log});
    EXPECT_EQ(other.exitCode, cli::kExitOk) << other.err;
    EXPECT_EQ(other.out, test::kSampleRuleTable);
    EXPECT_EQ(readFile(dir.file("empty.ini")), "");
    EXPECT_EQ(readFile(userStore.string()), before);
}

TEST_F(CliBinaryTest, RefusalsExitTwo)
{
    writeFile(dir.file("out.xls"), "older");
    const CliResult exists = run({"-o", "out.xls", log});
    EXPECT_EQ(exists.exitCode, cli::kExitRefused);
    EXPECT_EQ(readFile(dir.file("out.xls")), "older");
    EXPECT_EQ(run({"--force", "-o", "out.xls", log}).exitCode, cli::kExitOk);
    EXPECT_EQ(readFile(dir.file("out.xls")), test::kSampleRuleTable);

    EXPECT_EQ(run({"config"}).exitCode, cli::kExitRefused);  // a folder without a log
    // A folder as the output of a table that must be a file.
    EXPECT_EQ(run({"--format", "csv", "-o", "config", log}).exitCode, cli::kExitRefused);
    EXPECT_EQ(run({"--force", "-o", "./setupapi.log", "setupapi.log"}).exitCode, cli::kExitRefused);
    EXPECT_EQ(readFile(log), readFile(test::kSampleLog));
}

}  // namespace
}  // namespace tillery
