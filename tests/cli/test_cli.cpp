#include "app/CliOptions.h"
#include "app/CliRun.h"
#include "cli/CliHarness.h"
#include "core/DefaultRules.h"
#include "extract/Messages.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#ifndef _WIN32
#include <unistd.h>
#endif

namespace tillery {
namespace {

namespace fs = std::filesystem;
using test::CliResult;
using test::kSampleLog;
using test::kSampleRuleTable;
using test::kSampleSummaryLines;
using test::readFile;
using test::TempDir;
using test::writeFile;

using CliRunTest = test::CliRunFixture;

TEST_F(CliRunTest, WritesTheRuleTableBesideTheLogByDefault)
{
    const CliResult r = run({log});
    EXPECT_EQ(r.exitCode, cli::kExitOk) << r.err;
    EXPECT_EQ(readFile(log + ".xls"), kSampleRuleTable);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, kSampleSummaryLines);
    EXPECT_EQ(readFile(log), readFile(kSampleLog));
}

TEST_F(CliRunTest, DashSendsOnlyTheTableToStandardOutput)
{
    writeFile(log + ".xls", "keep");  // the derived name is neither refused nor deleted
    const CliResult r = run({"-o", "-", log});
    EXPECT_EQ(r.exitCode, cli::kExitOk) << r.err;
    EXPECT_EQ(r.out, kSampleRuleTable);
    EXPECT_EQ(r.err, kSampleSummaryLines);
    EXPECT_EQ(readFile(log + ".xls"), "keep");
}

TEST_F(CliRunTest, AnExistingOutputIsRefusedUnlessForced)
{
    const std::string output = dir.file("out.xls");
    writeFile(output, "older table\r\n");
    const CliResult refused = run({"-o", output, log});
    EXPECT_EQ(refused.exitCode, cli::kExitRefused);
    EXPECT_EQ(refused.err, output + " already exists. Use --force to replace it.\n");
    EXPECT_EQ(readFile(output), "older table\r\n");

    // Forced, the old file is deleted first: the run appends, so this shows it went.
    const CliResult forced = run({"--force", "-o", output, log});
    EXPECT_EQ(forced.exitCode, cli::kExitOk) << forced.err;
    EXPECT_EQ(readFile(output), kSampleRuleTable);
}

TEST_F(CliRunTest, TheLogIsNeverTheOutputHoweverSpelled)
{
    const std::string hardLink = dir.file("hard.log");
    const std::string symLink = dir.file("sym.log");
    fs::create_hard_link(log, hardLink);
    fs::create_symlink(log, symLink);
    const std::string dotted = (dir.path() / "." / "setupapi.log").string();
    for (const std::string& output : {log, dotted, hardLink, symLink}) {
        const CliResult r = run({"--force", "-o", output, log});
        EXPECT_EQ(r.exitCode, cli::kExitRefused) << output;
        EXPECT_EQ(r.err, std::string(msg::kSameFileBox) + "\n") << output;
        EXPECT_EQ(readFile(log), readFile(kSampleLog)) << output;
    }
}

TEST_F(CliRunTest, RefusedInputsExitTwoWithoutTouchingAnything)
{
    const std::string folder = dir.path().string();
    const std::string missing = dir.file("missing.log");
    const std::string notALog = dir.file("notes.txt");
    const std::string emptyLog = dir.file("empty.log");
    writeFile(notALog, "[setupapi log]\r\n");
    writeFile(notALog + ".xls", "older table");
    writeFile(emptyLog, "");
    const std::string notSetupApi = std::string(msg::kNotSetupApiLog) + "\n";
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{missing}, "File: " + missing + " not found.\n"},
        {{emptyLog}, notSetupApi},
        // Refused before the old output is deleted, even when forced.
        {{"--force", notALog}, notSetupApi},
        {{"--force", "--format", "jsonl", "-o", folder, log},
         folder + " is a folder; the output must be a file.\n"},
        {{"--settings", missing, log}, "Cannot read the settings file: " + missing + "\n"},
        {{"--settings", folder, log}, "Cannot read the settings file: " + folder + "\n"},
    };
    for (const auto& [arguments, err] : cases) {
        const CliResult r = run(arguments);  // a later --settings wins over the fixture's
        EXPECT_EQ(r.exitCode, cli::kExitRefused) << arguments.back();
        EXPECT_EQ(r.err, err);
        EXPECT_EQ(r.out, "");
    }
    EXPECT_EQ(readFile(notALog + ".xls"), "older table");
    EXPECT_FALSE(fs::exists(log + ".xls"));
    EXPECT_FALSE(fs::exists(missing));
    EXPECT_FALSE(fs::exists(emptyLog + ".xls"));
}

TEST_F(CliRunTest, ASettingsFileChoosesColumnsAndRulesAndIsNeverWritten)
{
    const std::string settings = dir.file("usb.ini");
    test::writeUsbOnlySettings(settings);
    const std::string before = readFile(settings);
    const auto stamp = fs::last_write_time(settings);

    const CliResult r = run({"-o", "-", log}, settings);
    EXPECT_EQ(r.exitCode, cli::kExitOk) << r.err;
    EXPECT_EQ(r.out, test::kSampleUsbOnlyTable);
    EXPECT_EQ(readFile(settings), before);
    EXPECT_EQ(fs::last_write_time(settings), stamp);
}

TEST_F(CliRunTest, AFailingRunExitsOneWithItsReason)
{
#ifdef _WIN32
    GTEST_SKIP() << "needs a device that refuses every write";
#else
    const CliResult r = run({"-o", "/dev/full", log});
    EXPECT_EQ(r.exitCode, cli::kExitRunFailed);
    EXPECT_TRUE(r.err.ends_with(std::string(msg::kRunError) +
                                "\nReason: cannot write the output file: No space left on device\n"))
        << r.err;
#endif
}

TEST_F(CliRunTest, QuietPrintsNothingButRefusals)
{
    const CliResult ok = run({"--quiet", "-o", "-", log});
    EXPECT_EQ(ok.exitCode, cli::kExitOk);
    EXPECT_EQ(ok.out, kSampleRuleTable);
    EXPECT_EQ(ok.err, "");

    const CliResult refused = run({"--quiet", dir.file("nothing.log")});
    EXPECT_EQ(refused.exitCode, cli::kExitRefused);
    EXPECT_EQ(refused.err, "File: " + dir.file("nothing.log") + " not found.\n");
}

TEST_F(CliRunTest, AnOutputThatCannotBeDeletedGivesTheWindowsText)
{
#ifdef _WIN32
    GTEST_SKIP() << "needs a file the system refuses to delete";
#else
    const std::string locked = dir.file("locked");
    fs::create_directory(locked);
    const std::string output = locked + "/out.xls";
    writeFile(output, "older table");
    // The superuser deletes in any folder; an immutable file stops even it.
    const bool superuser = geteuid() == 0;
    if (superuser) {
        if (std::system(("chattr +i '" + output + "' 2>/dev/null").c_str()) != 0) {
            GTEST_SKIP() << "cannot make a file immutable here";
        }
    } else {
        fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_exec);
    }
    const CliResult r = run({"--force", "-o", output, log});
    if (superuser) {
        EXPECT_EQ(std::system(("chattr -i '" + output + "'").c_str()), 0);
    }
    fs::permissions(locked, fs::perms::owner_all);
    EXPECT_EQ(r.exitCode, cli::kExitRefused);
    EXPECT_TRUE(r.err.ends_with("Unable to delete " + output +
                                ". Check to see that the file is not still open!\n"))
        << r.err;
    EXPECT_EQ(readFile(output), "older table");
#endif
}

TEST(CopyRunSettings, NoStoredRuleCountGivesTheDefaultRuleSet)
{
    MemorySettingsStore source;
    source.save(store::kShowFields, "Instance", "True");
    source.save(store::kRules, "1f", "Name");
    MemorySettingsStore defaults;
    ResetRegistry(defaults);
    EXPECT_EQ(cli::copyRunSettings(source).sections(), defaults.sections());
}

TEST(CopyRunSettings, CopiesExactlyWhatARunReads)
{
    MemorySettingsStore source;
    source.save(store::kShowFields, "Date Time", "False");
    source.save(store::kShowFields, "Full Text", "");  // stored, if empty
    source.save(store::kShowFields, "Not A Field", "True");
    source.save(store::kRules, store::kTidyDevice, "1");
    source.save(store::kRules, store::kCount, " 2 ");
    source.save(store::kRules, "1f", "Device");
    source.save(store::kRules, "1s", "Starts with");
    source.save(store::kRules, "1v", "usbstor\\");
    source.save(store::kRules, "2f", "Name");  // rule 2 is incomplete in the store
    source.save(store::kRules, "3f", "Name");  // beyond the count
    source.save(store::kSettings, store::kOpen, "c:\\a.log");

    const MemorySettingsStore::Sections expected = {
        {"ShowFields", {{"Date Time", "False"}, {"Full Text", ""}}},
        {"Rules",
         {{"TidyDevice", "1"}, {"Count", " 2 "}, {"1f", "Device"}, {"1s", "Starts with"},
          {"1v", "usbstor\\"}, {"2f", "Name"}}},
    };
    EXPECT_EQ(cli::copyRunSettings(source).sections(), expected);

    // A count that is no number is copied as it stands, for the run to fail on.
    MemorySettingsStore broken;
    broken.save(store::kRules, store::kCount, "many");
    broken.save(store::kRules, "1f", "Name");
    EXPECT_EQ(cli::copyRunSettings(broken).sections(),
              MemorySettingsStore::Sections({{"Rules", {{"Count", "many"}}}}));
}

}  // namespace
}  // namespace tillery
