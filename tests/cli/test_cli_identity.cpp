// The command line must write exactly the bytes a press of Start writes through the
// window operations, for any log, settings and extraction type.

#include "app/CliOptions.h"
#include "cli/CliHarness.h"
#include "support/RealLogs.h"
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

constexpr ExtractionType kTypes[] = {ExtractionType::Full, ExtractionType::Summary,
                                     ExtractionType::RuleBased};

enum class Settings { Defaults, UsbOnly };


// Compares the command line (in this process to a file and to standard output, and as
// the built program) with a window press on one log. Returns whether the press ran.
bool expectSameTable(const std::string& log, ExtractionType type, Settings settings)
{
    SCOPED_TRACE(log + " --type " + test::typeArgument(type) +
                 (settings == Settings::UsbOnly ? " (one rule)" : " (default rules)"));
    const TempDir dir;
    const std::string ini = dir.file("settings.ini");
    if (settings == Settings::UsbOnly) {
        test::writeUsbOnlySettings(ini);
    } else {
        test::writeFile(ini, "");
    }
    const std::string windowStore = dir.file("window.ini");
    fs::copy_file(ini, windowStore);
    const test::WindowPress window =
        test::pressStartInWindow(log, type, windowStore, dir.file("window.xls"));
    const int expectedExit = !window.ran         ? cli::kExitRefused
                             : window.completed ? cli::kExitOk
                                                 : cli::kExitRunFailed;
    if (window.ran) {
        EXPECT_FALSE(window.table.empty());
    }

    const std::vector<std::string> common = {"--settings", ini, "--type", test::typeArgument(type)};
    auto withOutput = [&](const std::string& output) {
        std::vector<std::string> arguments = common;
        arguments.insert(arguments.end(), {"-o", output, log});
        return arguments;
    };

    const std::string toFile = dir.file("cli.xls");
    const CliResult inFile = test::runInProcess(withOutput(toFile));
    EXPECT_EQ(inFile.exitCode, expectedExit) << inFile.err;
    EXPECT_EQ(fs::exists(toFile) ? readFile(toFile) : std::string(), window.table);

    const CliResult toStdout = test::runInProcess(withOutput("-"));
    EXPECT_EQ(toStdout.exitCode, expectedExit) << toStdout.err;
    EXPECT_EQ(toStdout.out, window.table);

    const std::string binaryFile = dir.file("binary.xls");
    const CliResult binary = test::runBinary(dir.path(), withOutput(binaryFile));
    EXPECT_EQ(binary.exitCode, expectedExit) << binary.err;
    EXPECT_EQ(fs::exists(binaryFile) ? readFile(binaryFile) : std::string(), window.table);
    return window.ran;
}

TEST(CliIdentity, SampleLogInEveryTypeAndSettings)
{
    for (const ExtractionType type : kTypes) {
        for (const Settings settings : {Settings::Defaults, Settings::UsbOnly}) {
            EXPECT_TRUE(expectSameTable(test::kSampleLog, type, settings));
        }
    }
}

void expectSameTablesForRealLogs(const std::string& folder)
{
    const std::vector<fs::path> logs = test::realLogs(folder);
    if (logs.empty()) {
        GTEST_SKIP() << "no real logs in " << TILLERY_REAL_LOGS << "/" << folder;
    }
    int ran = 0;
    for (const fs::path& log : logs) {
        for (const ExtractionType type : kTypes) {
            for (const Settings settings : {Settings::Defaults, Settings::UsbOnly}) {
                ran += expectSameTable(log.string(), type, settings) ? 1 : 0;
            }
        }
    }
    // At least one log of the folder must be one the press takes.
    EXPECT_GT(ran, 0);
}

TEST(CliIdentity, RealWindowsXpLogs)
{
    expectSameTablesForRealLogs("xp");
}

TEST(CliIdentity, RealWindows2000Logs)
{
    expectSameTablesForRealLogs("w2k");
}

TEST(CliIdentity, RealVistaLogs)
{
    expectSameTablesForRealLogs("vista");
}

}  // namespace
}  // namespace tillery
