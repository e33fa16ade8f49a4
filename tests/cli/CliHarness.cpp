#include "cli/CliHarness.h"

#include "app/CliRun.h"
#include "core/DefaultRules.h"
#include "core/FieldCatalogue.h"
#include "core/SettingsStore.h"
#include "support/GoldenTable.h"
#include "support/TempDir.h"
#include "ui/QSettingsStore.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#ifndef _WIN32
#include <sys/wait.h>
#endif

namespace tillery::test {
namespace {

// The per-user store of this test process lives in a folder of its own, set before any
// test (and so before any QSettings) runs.
struct PrivateUserFolders {
    PrivateUserFolders()
    {
        const std::string config = (folder.path() / "config").string();
        const std::string home = (folder.path() / "home").string();
        std::filesystem::create_directories(config);
        std::filesystem::create_directories(home);
#ifdef _WIN32
        _putenv_s("XDG_CONFIG_HOME", config.c_str());
        _putenv_s("HOME", home.c_str());
#else
        setenv("XDG_CONFIG_HOME", config.c_str(), 1);
        setenv("HOME", home.c_str(), 1);
#endif
    }
    TempDir folder;
};
const PrivateUserFolders privateUserFolders;

std::string readStream(std::FILE* stream)
{
    std::string text;
    std::rewind(stream);
    char block[4096];
    std::size_t got = 0;
    while ((got = std::fread(block, 1, sizeof block, stream)) > 0) {
        text.append(block, got);
    }
    return text;
}

std::string shellQuote(const std::string& text)
{
    std::string quoted = "'";
    for (const char c : text) {
        if (c == '\'') {
            quoted += "'\\''";
        } else {
            quoted += c;
        }
    }
    return quoted + "'";
}

}  // namespace

const std::string kSampleLog = TILLERY_TEST_DATA "/sample_xp.log";
const std::string kSampleRuleTable = goldenTable("sample_xp.rules.expected.tsv");
const std::string kSampleUsbOnlyTable =
    "Name\tDevice\r\n"
    "Disk drive\tUSBSTOR\\DISK&VEN_ZORBEX&PROD_QUIKDRIVE&REV_2.10\\0A1B2C3D4E5F&0\r\n";
const std::string kSampleSummaryLines =
    "Finished processing: 4 events and 22 entries\nExtraction complete.\n";

CliResult runInProcess(const std::vector<std::string>& arguments)
{
    std::vector<std::string> storage{"tillery-cli"};
    storage.insert(storage.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& argument : storage) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);

    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    if (out == nullptr || err == nullptr) {
        throw std::runtime_error("cannot create temporary streams");
    }
    CliResult result;
    result.exitCode = cli::runCli(static_cast<int>(storage.size()), argv.data(), out, err);
    result.out = readStream(out);
    result.err = readStream(err);
    std::fclose(out);
    std::fclose(err);
    return result;
}

CliResult runBinary(const std::filesystem::path& workDir, const std::vector<std::string>& arguments)
{
    static int runNumber = 0;
    ++runNumber;
    const std::filesystem::path config = workDir / "config";
    const std::filesystem::path home = workDir / "home";
    std::filesystem::create_directories(config);
    std::filesystem::create_directories(home);
    const std::string outFile = (workDir / ("stdout-" + std::to_string(runNumber))).string();
    const std::string errFile = (workDir / ("stderr-" + std::to_string(runNumber))).string();

    std::string command = "cd " + shellQuote(workDir.string()) + " && env XDG_CONFIG_HOME=" +
                          shellQuote(config.string()) + " HOME=" + shellQuote(home.string()) +
                          " " + shellQuote(TILLERY_CLI_PATH);
    for (const std::string& argument : arguments) {
        command += " " + shellQuote(argument);
    }
    command += " >" + shellQuote(outFile) + " 2>" + shellQuote(errFile) + " </dev/null";

    CliResult result;
    const int status = std::system(command.c_str());
#ifdef _WIN32
    result.exitCode = status;
#else
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
    result.out = readFile(outFile);
    result.err = readFile(errFile);
    std::filesystem::remove(outFile);
    std::filesystem::remove(errFile);
    return result;
}

void writeUsbOnlySettings(const std::string& iniPath)
{
    QSettingsStore store(QString::fromStdString(iniPath));
    for (const std::string_view field : kFieldNames) {
        const bool shown = field == "Name" || field == "Device";
        store.save(store::kShowFields, field, shown ? "True" : "False");
    }
    store.save(store::kRules, store::kTidyDevice, "0");
    store.save(store::kRules, store::kCount, "1");
    WriteRuleToReg(store, 1, "Device", "Starts with", "USBSTOR\\");
}

}  // namespace tillery::test
