// The exit status of the built program, compared with the numbers a calling script sees
// (not with the program's own constants).

#include "cli/CliHarness.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tillery {
namespace {

TEST(CliExitStatus, ZeroWrittenOneFailedRunTwoRefused)
{
    const test::TempDir dir;
    const std::string log = dir.file("setupapi.log");
    test::writeFile(log, test::readFile(test::kSampleLog));
    test::writeFile(dir.file("settings.ini"), "");
    test::writeFile(dir.file("other.log"), "not a device-installation log\r\n");
    const std::vector<std::pair<std::vector<std::string>, int>> cases = {
        {{"-o", "-", log}, 0},
        {{"-o", "/dev/full", log}, 1},  // a table that cannot be written
        {{"--bogus", log}, 2},
        {{}, 2},
        {{dir.file("missing.log")}, 2},
        {{"-o", "-", dir.file("other.log")}, 2},
        {{"--force", "-o", log, log}, 2},
    };
    for (const auto& [arguments, status] : cases) {
        std::vector<std::string> withSettings = {"--settings", dir.file("settings.ini")};
        withSettings.insert(withSettings.end(), arguments.begin(), arguments.end());
        const test::CliResult r = test::runBinary(dir.path(), withSettings);
        EXPECT_EQ(r.exitCode, status) << testing::PrintToString(arguments) << "\n" << r.err;
        EXPECT_EQ(r.out, status == 0 ? test::kSampleRuleTable : "");
    }
}

}  // namespace
}  // namespace tillery
