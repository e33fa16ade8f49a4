#pragma once

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace tillery::test {

// The bundled sample log, and what the command line makes of it.
extern const std::string kSampleLog;
// The default rules' table: Date Time, Name and Device of the drives, devices tidied.
extern const std::string kSampleRuleTable;
// The table of writeUsbOnlySettings(): Name and Device of the USB drive, not tidied.
extern const std::string kSampleUsbOnlyTable;
// What a successful run prints on an error stream that is no terminal.
extern const std::string kSampleSummaryLines;

// What one run of the command line left behind.
struct CliResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Runs the command line in this process with temporary files as its streams. The process
// runs with XDG_CONFIG_HOME and HOME in a temporary folder (see CliHarness.cpp), so even a
// run without --settings cannot reach the real per-user store.
CliResult runInProcess(const std::vector<std::string>& arguments);

// Runs the built tillery-cli in `workDir`, with XDG_CONFIG_HOME `workDir`/config and HOME
// `workDir`/home, capturing both streams in files of `workDir`.
CliResult runBinary(const std::filesystem::path& workDir, const std::vector<std::string>& arguments);

#ifndef _WIN32
// The built tillery-cli started in its own process and left running, as runBinary() runs
// it (folder, per-user folders, streams in files of `workDir`, no input). `inChild` runs
// in the new process just before the program starts, with async-signal-safe calls only:
// to drop privileges, limit memory or put another file on a stream.
struct Spawned {
    int pid = -1;
    std::string outFile;
    std::string errFile;
};
Spawned spawnBinary(const std::filesystem::path& workDir, const std::vector<std::string>& arguments,
                    const std::function<void()>& inChild = {});
// Waits for it to end; `peakKilobytes`, when given, gets its largest resident size.
CliResult waitFor(const Spawned& spawned, long* peakKilobytes = nullptr);
// In a child about to run the program as root: becomes the unprivileged user 65534, so
// that file permissions apply to it. Does nothing for any other user.
void becomeNobodyIfRoot();

// Runs the built program with `arguments`, which name the FIFO `fifo` (made here) as the
// output. A full FIFO stops the program inside its first block of rows: once the first
// bytes arrive, `act` runs on the running program (a signal, a change of the log), then
// everything it writes is read. `acted` is false when the program ended without output.
struct Interrupted {
    CliResult result;
    std::string written;
    bool acted = false;
};
Interrupted interruptMidRun(const std::filesystem::path& workDir,
                            const std::vector<std::string>& arguments, const std::string& fifo,
                            const std::function<void(int pid)>& act);
#endif

// The command line in this process, on a copy of the sample log, with a settings file
// that holds no rules (so the default rule set applies) unless a test names another.
class CliRunFixture : public ::testing::Test {
protected:
    void SetUp() override;
    CliResult run(std::vector<std::string> arguments, const std::string& settings = {});

    TempDir dir;
    const std::string log = dir.file("setupapi.log");
    const std::string noRules = dir.file("no-rules.ini");
};

// Writes an INI settings file that shows only Name and Device and holds one rule,
// Device starting with "usbstor\", with tidying off.
void writeUsbOnlySettings(const std::string& iniPath);

}  // namespace tillery::test
