// The exit status of the built program, one test per status, compared with the numbers a
// calling script sees (not with the program's own constants).

#include "cli/CliHarness.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tillery {
namespace {

using test::readFile;
using test::runBinary;
using test::TempDir;
using test::writeFile;

class CliExitStatus : public ::testing::Test {
protected:
    void SetUp() override
    {
        writeFile(log, readFile(test::kSampleLog));
        writeFile(settings, "");
    }

    TempDir dir;
    const std::string log = dir.file("setupapi.log");
    const std::string settings = dir.file("settings.ini");
};

TEST_F(CliExitStatus, ZeroWhenTheTableIsWritten)
{
    const test::CliResult r = runBinary(dir.path(), {"--settings", settings, "-o", "-", log});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, test::kSampleRuleTable);
}

TEST_F(CliExitStatus, OneWhenTheRunTakesItsErrorPath)
{
    // A table that cannot be written: the device that is always full.
    const test::CliResult r =
        runBinary(dir.path(), {"--settings", settings, "-o", "/dev/full", log});
    EXPECT_EQ(r.exitCode, 1) << r.err;
}

TEST_F(CliExitStatus, TwoWhenTheArgumentsOrTheInputAreRefused)
{
    writeFile(dir.file("other.log"), "not a device-installation log\r\n");
    const std::vector<std::vector<std::string>> refusals = {
        {"--bogus", log},               // unknown option
        {},                             // no log
        {dir.file("missing.log")},      // no such log
        {"-o", "-", dir.file("other.log")},  // neither layout
        {"--force", "-o", log, log},    // the output would be the log
    };
    for (const auto& arguments : refusals) {
        std::vector<std::string> withSettings = {"--settings", settings};
        withSettings.insert(withSettings.end(), arguments.begin(), arguments.end());
        const test::CliResult r = runBinary(dir.path(), withSettings);
        EXPECT_EQ(r.exitCode, 2) << testing::PrintToString(arguments) << "\n" << r.err;
    }
}

}  // namespace
}  // namespace tillery
