#include "app/CliRun.h"

#include "app/CliChecks.h"
#include "app/CliCollection.h"
#include "app/CliOptions.h"
#include "app/CliSignals.h"
#include "app/CliWindowOps.h"
#include "core/DefaultRules.h"
#include "core/FieldCatalogue.h"
#include "core/Errors.h"
#include "core/StoreValues.h"
#include "extract/LineReader.h"
#include "extract/Messages.h"
#include "extract/RunChecks.h"
#include "extract/RunController.h"
#include "ui/QSettingsStore.h"

#include <exception>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#ifdef _WIN32
#include <io.h>
#define TILLERY_ISATTY(fd) _isatty(fd)
#define TILLERY_FILENO(f) _fileno(f)
#else
#include <unistd.h>
#define TILLERY_ISATTY(fd) isatty(fd)
#define TILLERY_FILENO(f) fileno(f)
#endif

namespace tillery::cli {
namespace {

void copyKey(const SettingsStore& source, MemorySettingsStore& target, std::string_view section,
             std::string_view key)
{
    if (!keyAbsent(source, section, key)) {
        target.save(section, key, source.get(section, key, ""));
    }
}

bool isReadableFile(const std::string& utf8Path)
{
    if (!isOrdinaryFile(utf8Path)) {
        return false;
    }
    std::ifstream probe(pathFromUtf8(utf8Path), std::ios::binary);
    return probe.is_open();
}

// The layout the press will find, from a bounded part of the first line. An unreadable or
// empty log has no first line and is of neither layout, as the press sees it.
LogLayout layoutOf(const std::string& logPath)
{
    LineReader reader;
    FirstLine first;
    try {
        if (reader.open(logPath)) {
            first = readFirstLine(reader);
        }
    } catch (const ExtractionError&) {
    }
    return detectLayout(first.layoutText());
}

ProgressMode progressMode(const CliOptions& options, std::FILE* err)
{
    if (options.quiet) {
        return ProgressMode::Quiet;
    }
    return TILLERY_ISATTY(TILLERY_FILENO(err)) ? ProgressMode::Live : ProgressMode::Summary;
}

std::string usageError(std::string_view error)
{
    return std::string(text::kProgram) + ": " + std::string(error) + "\n" +
           std::string(text::kTryHelp) + "\n";
}

// Refusals that a press of Start would only meet after deleting the old output, or not
// at all. Returns the text to show, or empty when the press may go ahead. A log that is
// missing, and an output that is the log itself, are left to the press, which refuses
// them with the window's texts before it touches anything. Paths are used exactly as
// given: a shell hands over exact names.
std::string checkBeforePress(const CliOptions& options, const std::string& logPath,
                             std::FILE* out, const SettingsStore& settings)
{
    if (std::string refusal = checkLogReadable(logPath); !refusal.empty()) {
        return refusal;
    }
    if (logPath.empty() || !isOrdinaryFile(logPath)) {
        return {};
    }
    std::string outputPath;
    if (options.toStandardOutput()) {
        if (std::string refusal = checkStandardOutputIsNotLog(out, logPath); !refusal.empty()) {
            return refusal;
        }
    } else {
        outputPath = options.outputPath.value_or(logPath + ".xls");
        if (sameFile(logPath, outputPath)) {
            return {};
        }
        if (isFolder(outputPath)) {
            return outputPath + std::string(text::kOutputIsFolder);
        }
        if (std::string refusal = checkOutputIsNoLink(outputPath); !refusal.empty()) {
            return refusal;
        }
    }
    if (std::string reason = checkRunSettings(settings, options.type); !reason.empty()) {
        return std::string(text::kSettingsUnusable) + reason;
    }
    if (layoutOf(logPath) == LogLayout::Unknown) {
        return std::string(msg::kNotSetupApiLog);
    }
    if (!outputPath.empty() && !options.force && isOrdinaryFile(outputPath)) {
        return outputPath + std::string(text::kOutputExists);
    }
    return {};
}

// The exit code and last words of a press that ran.
int runEnding(const PressResult& press, CliWindowOps& ops)
{
    const RunResult& run = press.run;
    if (run.outcome == RunOutcome::Stopped && pendingSignal() != 0) {
        const int signal = pendingSignal();
        ops.printLine(std::string(text::kInterruptedBy) + signalName(signal) +
                      std::string(text::kTableIncomplete) + std::to_string(run.rows) +
                      std::string(text::kLinesWritten));
        return 128 + signal;
    }
    if (run.outcome == RunOutcome::Failed && !run.reason.empty()) {
        ops.printLine(std::string(text::kRunFailedReason) + run.reason);
    }
    if (press.logChanged) {
        ops.printLine(std::string(msg::kLogChanged));
        return kExitRunFailed;
    }
    return run.outcome == RunOutcome::Completed ? kExitOk : kExitRunFailed;
}

// The run of one LOG into the ".xls" table.
int runSingleLog(const CliOptions& options, const std::string& logPath, std::FILE* out,
                 CliWindowOps& ops, MemorySettingsStore& settings)
{
    const std::string refusal = checkBeforePress(options, logPath, out, settings);
    if (!refusal.empty()) {
        ops.printLine(refusal);
        return kExitRefused;
    }
    if (const int signal = pendingSignal(); signal != 0) {
        ops.printLine(std::string(text::kInterruptedBy) + signalName(signal) +
                      std::string(text::kNothingWritten));
        return 128 + signal;
    }

    ops.setOpenPath(logPath);
    PressOptions press;
    press.exactPaths = true;
    if (options.toStandardOutput()) {
        press.outputStream = out;
    } else {
        ops.setSavePath(options.outputPath.value_or(std::string()));
    }
    const PressResult result = cmdCommand_Click(ops, settings, press);
    if (result.outcome != PressOutcome::Ran) {
        return kExitRefused;  // the press has shown why
    }
    return runEnding(result, ops);
}

// One LOG file into the ".xls" table, as ever; anything else (folders, several logs, the
// timelines, the device table, a folder for the tables) is a run over a collection.
bool isSingleLogRun(const CliOptions& options)
{
    return options.inputs.size() == 1 && !isFolder(options.inputs.front()) &&
           options.format == ExportFormat::Xls && !options.devices &&
           !(options.outputPath && isFolder(*options.outputPath));
}

int run(const CliOptions& options, std::FILE* out, std::FILE* err)
{
    if (standardErrorIsALog(err)) {
        return kExitRefused;
    }
    const SignalGuard signalGuard;
    CliWindowOps ops(err, progressMode(options, err), options.type);

    MemorySettingsStore settings;
    if (options.settingsPath) {
        if (!isReadableFile(*options.settingsPath)) {
            ops.printLine(std::string(text::kSettingsUnreadable) + *options.settingsPath);
            return kExitRefused;
        }
        const QSettingsStore source(QString::fromStdString(*options.settingsPath));
        settings = copyRunSettings(source);
    } else {
        const QSettingsStore source;
        settings = copyRunSettings(source);
    }

    const auto single = [&](const std::string& logPath) {
        return runSingleLog(options, logPath, out, ops, settings);
    };
    if (isSingleLogRun(options)) {
        return single(options.inputs.front());
    }
    return runCollection(options, settings, out, ops, single);
}

}  // namespace

MemorySettingsStore copyRunSettings(const SettingsStore& source)
{
    MemorySettingsStore copy;
    if (keyAbsent(source, store::kRules, store::kCount)) {
        ResetRegistry(copy);
        return copy;
    }
    for (const std::string_view field : kFieldNames) {
        copyKey(source, copy, store::kShowFields, field);
    }
    copyKey(source, copy, store::kRules, store::kTidyDevice);
    copyKey(source, copy, store::kRules, store::kCount);
    // A count that is no number is copied as it stands; the run then fails on it as the
    // window's run does.
    const auto count = textToInt16(source.get(store::kRules, store::kCount, "0"));
    for (int i = 1; count && i <= *count; ++i) {
        for (const char member : {'f', 's', 'v'}) {
            copyKey(source, copy, store::kRules, ruleKey(i, member));
        }
    }
    return copy;
}

int runCli(int argc, char** argv, std::FILE* out, std::FILE* err)
{
    std::vector<std::string_view> arguments;
    for (int i = 1; i < argc; ++i) {
        arguments.emplace_back(argv[i]);
    }
    const ParsedArguments parsed = parseArguments(arguments);
    if (!parsed.ok()) {
        std::fputs(usageError(escapeControls(parsed.error)).c_str(), err);
        return kExitRefused;
    }
    if (parsed.options.help) {
        std::fputs(helpText().c_str(), out);
        std::fflush(out);
        return kExitOk;
    }
    try {
        return run(parsed.options, out, err);
    } catch (const std::exception& error) {
        std::fprintf(err, "%s: %s\n", text::kProgram.data(),
                     escapeControls(failureReason(error)).c_str());
        return kExitRunFailed;
    }
}

}  // namespace tillery::cli
