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
#include <utility>

#ifndef _WIN32
#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
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

// The per-user folders of a run of the built program in `workDir`: config and home.
std::pair<std::filesystem::path, std::filesystem::path> makeUserFolders(
    const std::filesystem::path& workDir)
{
    const std::filesystem::path config = workDir / "config";
    const std::filesystem::path home = workDir / "home";
    std::filesystem::create_directories(config);
    std::filesystem::create_directories(home);
    return {config, home};
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

void CliRunFixture::SetUp()
{
    writeFile(log, readFile(kSampleLog));
    writeFile(noRules, "");
}

CliResult CliRunFixture::run(std::vector<std::string> arguments, const std::string& settings)
{
    arguments.insert(arguments.begin(), {"--settings", settings.empty() ? noRules : settings});
    return runInProcess(arguments);
}

CliResult runBinary(const std::filesystem::path& workDir, const std::vector<std::string>& arguments)
{
    static int runNumber = 0;
    ++runNumber;
    const auto [config, home] = makeUserFolders(workDir);
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

#ifndef _WIN32
Spawned spawnBinary(const std::filesystem::path& workDir, const std::vector<std::string>& arguments,
                    const std::function<void()>& inChild)
{
    static int spawnNumber = 0;
    ++spawnNumber;
    const auto [config, home] = makeUserFolders(workDir);
    Spawned spawned;
    spawned.outFile = (workDir / ("spawn-stdout-" + std::to_string(spawnNumber))).string();
    spawned.errFile = (workDir / ("spawn-stderr-" + std::to_string(spawnNumber))).string();

    // Everything the child needs is made before the fork.
    std::vector<std::string> storage{TILLERY_CLI_PATH};
    storage.insert(storage.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& argument : storage) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    std::vector<std::string> environment{"XDG_CONFIG_HOME=" + config.string(),
                                         "HOME=" + home.string(), "LANG=C.UTF-8", "LC_ALL=C.UTF-8",
                                         "QT_QPA_PLATFORM=offscreen"};
    std::vector<char*> envp;
    for (std::string& entry : environment) {
        envp.push_back(entry.data());
    }
    envp.push_back(nullptr);
    const std::string folder = workDir.string();

    const pid_t pid = fork();
    if (pid < 0) {
        throw std::runtime_error("cannot fork");
    }
    if (pid == 0) {
        const int in = open("/dev/null", O_RDONLY);
        const int out = open(spawned.outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int err = open(spawned.errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (in < 0 || out < 0 || err < 0 || dup2(in, 0) < 0 || dup2(out, 1) < 0 ||
            dup2(err, 2) < 0 || chdir(folder.c_str()) != 0) {
            _exit(127);
        }
        if (inChild) {
            inChild();
        }
        execve(argv[0], argv.data(), envp.data());
        _exit(127);
    }
    spawned.pid = pid;
    return spawned;
}

CliResult waitFor(const Spawned& spawned, long* peakKilobytes)
{
    int status = 0;
    rusage usage{};
    CliResult result;
    if (wait4(spawned.pid, &status, 0, &usage) == spawned.pid && WIFEXITED(status)) {
        result.exitCode = WEXITSTATUS(status);
    }
    if (peakKilobytes != nullptr) {
        *peakKilobytes = usage.ru_maxrss;
    }
    result.out = readFile(spawned.outFile);
    result.err = readFile(spawned.errFile);
    std::filesystem::remove(spawned.outFile);
    std::filesystem::remove(spawned.errFile);
    return result;
}

void becomeNobodyIfRoot()
{
    if (geteuid() == 0 &&
        (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0)) {
        _exit(126);
    }
}

Interrupted interruptMidRun(const std::filesystem::path& workDir,
                            const std::vector<std::string>& arguments, const std::string& fifo,
                            const std::function<void(int pid)>& act)
{
    Interrupted out;
    const int fd = mkfifo(fifo.c_str(), 0600) == 0 ? open(fifo.c_str(), O_RDONLY | O_NONBLOCK) : -1;
    EXPECT_GE(fd, 0) << fifo;
    const Spawned spawned = spawnBinary(workDir, arguments);
    char block[65536];
    for (int i = 0; fd >= 0 && i < 2000; ++i) {  // about 20 s for the first bytes
        pollfd polled{fd, POLLIN, 0};
        if (poll(&polled, 1, 10) > 0 && (polled.revents & POLLIN) != 0) {
            fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
            ssize_t got = read(fd, block, sizeof block);
            if (got > 0) {
                out.written.append(block, static_cast<std::size_t>(got));
                act(spawned.pid);
                out.acted = true;
            }
            while ((got = read(fd, block, sizeof block)) > 0) {
                out.written.append(block, static_cast<std::size_t>(got));
            }
            break;
        }
    }
    if (fd >= 0) {
        close(fd);
    }
    std::filesystem::remove(fifo);
    out.result = waitFor(spawned);
    return out;
}
#endif

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
