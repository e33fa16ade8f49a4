#pragma once

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
inline constexpr std::string_view kMissingLog = "no log file given";
inline constexpr std::string_view kExtraArgument = "only one log file can be given, not also: ";
inline constexpr std::string_view kUnknownOption = "unknown option: ";
inline constexpr std::string_view kMissingValue = "option needs a value: ";
inline constexpr std::string_view kNoValueWanted = "option takes no value: ";
inline constexpr std::string_view kBadType = "unknown extraction type (use full, summary or rules): ";
inline constexpr std::string_view kOutputExists = " already exists. Use --force to replace it.";
inline constexpr std::string_view kOutputIsFolder = " is a folder; the output must be a file.";
inline constexpr std::string_view kSettingsUnreadable = "Cannot read the settings file: ";
inline constexpr std::string_view kRunFailedReason = "Reason: ";
inline constexpr std::string_view kSettingsUnusable = "The settings cannot be used: ";
inline constexpr std::string_view kInterruptedBy = "Interrupted by ";
inline constexpr std::string_view kTableIncomplete = ": the table is incomplete (";
inline constexpr std::string_view kLinesWritten = " lines written, the column line included).";
inline constexpr std::string_view kNothingWritten = " before the run: nothing was written.";
}  // namespace text

// The name that writes the table to standard output instead of a file.
inline constexpr std::string_view kStandardOutput = "-";

struct CliOptions {
    ExtractionType type = ExtractionType::RuleBased;
    std::string logPath;
    std::optional<std::string> outputPath;    // absent: the log path followed by ".xls"
    std::optional<std::string> settingsPath;  // absent: the user's own settings store
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
// once: what follows it is not looked at.
ParsedArguments parseArguments(const std::vector<std::string_view>& arguments);

// The --help text, ending in a line end.
std::string helpText();

}  // namespace tillery::cli
