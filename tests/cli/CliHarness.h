#pragma once

#include <filesystem>
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

// Writes an INI settings file that shows only Name and Device and holds one rule,
// Device starting with "usbstor\", with tidying off.
void writeUsbOnlySettings(const std::string& iniPath);

}  // namespace tillery::test
