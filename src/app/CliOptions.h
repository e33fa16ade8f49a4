#pragma once

#include "export/TableWriter.h"
#include "extract/MainWindowOps.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tillery::cli {

// The command line's exit codes.
enum ExitCode : int {
    kExitOk = 0,         // the table was written
    kExitRunFailed = 1,  // the extraction took its error path; the rows written so far stay
    kExitRefused = 2,    // a usage error, or an input or output the run refuses
    // A run stopped by a signal exits 128 + its number: 129 SIGHUP, 130 SIGINT, 143 SIGTERM.
};

// Texts of the command line's own, beside the window's texts in extract/Messages.h.
namespace text {
inline constexpr std::string_view kProgram = "tillery-cli";
inline constexpr std::string_view kTryHelp = "Try 'tillery-cli --help' for more information.";
inline constexpr std::string_view kMissingLog = "no log file or folder given";
inline constexpr std::string_view kUnknownOption = "unknown option: ";
inline constexpr std::string_view kMissingValue = "option needs a value: ";
inline constexpr std::string_view kNoValueWanted = "option takes no value: ";
inline constexpr std::string_view kBadType =
    "unknown extraction type (use full, summary, rules or devices): ";
inline constexpr std::string_view kBadFormat = "unknown format (use xls, csv or jsonl): ";
inline constexpr std::string_view kBadJobs = "--jobs needs a whole number from 1 to 256, not: ";
inline constexpr std::string_view kBadEncoding = "unknown encoding: ";
inline constexpr std::string_view kBadZone = "unknown time zone (use an IANA name such as Europe/Berlin): ";
inline constexpr std::string_view kBadOffset = "the UTC offset must be +HH:MM or -HH:MM, at most 14 hours: ";
inline constexpr std::string_view kTwoClocks = "--timezone and --utc-offset cannot both be given";
inline constexpr std::string_view kOutputExists = " already exists. Use --force to replace it.";
inline constexpr std::string_view kOutputIsFolder = " is a folder; the output must be a file.";
inline constexpr std::string_view kOutputIsLink =
    " is a symbolic link to a file; name that file itself (or use -o - for standard output).";
inline constexpr std::string_view kSettingsUnreadable = "Cannot read the settings file: ";
inline constexpr std::string_view kRunFailedReason = "Reason: ";
inline constexpr std::string_view kSettingsUnusable = "The settings cannot be used: ";
inline constexpr std::string_view kInterruptedBy = "Interrupted by ";
inline constexpr std::string_view kTableIncomplete = ": the table is incomplete (";
inline constexpr std::string_view kLinesWritten = " lines written, the column line included).";
inline constexpr std::string_view kNothingWritten = " before the run: nothing was written.";
// Texts of a run over several logs or folders, or in another format than ".xls".
inline constexpr std::string_view kXlsNeedsFolder =
    "the .xls table has the fixed columns of one log: with a folder or several logs, use "
    "-o FOLDER for one .xls per log (or -o FILE when only one log is found), or --format csv "
    "or jsonl";
inline constexpr std::string_view kOutputIsInput = " is one of the logs to read; it cannot be an output.";
inline constexpr std::string_view kTimesLocal =
    "Times are the examined machine's local time, written without an offset (--timezone or "
    "--utc-offset converts them to UTC).";
inline constexpr std::string_view kOutputIncomplete = ": the output is incomplete (";
inline constexpr std::string_view kRowsWritten = " rows written).";
inline constexpr std::string_view kOutputUnwritable = "The output cannot be written: ";
}  // namespace text

// The name that writes the table to standard output instead of a file.
inline constexpr std::string_view kStandardOutput = "-";

inline constexpr std::size_t kMaxJobs = 256;

struct CliOptions {
    ExtractionType type = ExtractionType::RuleBased;
    bool devices = false;  // "--type devices": a Rule based run feeding the device table
    std::vector<std::string> inputs;  // logs and folders, in the order given
    std::optional<std::string> outputPath;    // absent: see helpText()
    std::optional<std::string> settingsPath;  // absent: the user's own settings store
    ExportFormat format = ExportFormat::Xls;
    std::string encoding = "windows-1252";
    std::optional<std::string> timeZone;   // an IANA name, checked when read
    std::optional<std::string> utcOffset;  // "+HH:MM", checked when read
    std::size_t jobs = 0;                  // 0: one per processor core
    bool force = false;
    bool quiet = false;
    bool help = false;

    bool toStandardOutput() const { return outputPath && *outputPath == kStandardOutput; }
};

// The outcome of reading the arguments: the options, or the reason they make no sense.
struct ParsedArguments {
    CliOptions options;
    std::string error;  // empty when the arguments are good

    bool ok() const { return error.empty(); }
};

// Reads the arguments after the program name, in order. "--help" ends the reading at
// once: what follows it is not looked at. The encoding, the time zone and the offset are
// checked here, so that a wrong one is a usage error.
ParsedArguments parseArguments(const std::vector<std::string_view>& arguments);

// The --help text, ending in a line end.
std::string helpText();

}  // namespace tillery::cli
