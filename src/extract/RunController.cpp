#include "extract/RunController.h"

#include "core/SettingsStore.h"
#include "extract/Converters.h"
#include "extract/LineReader.h"
#include "extract/MainWindowOps.h"
#include "extract/Messages.h"
#include "extract/RunChecks.h"

#include <string>

namespace tillery {
namespace {

const std::string kTitle(msg::kMainTitle);

PressResult refuse(MainWindowOps& ops, const std::string& status, const std::string& box,
                   BoxIcon icon, PressOutcome outcome = PressOutcome::Refused)
{
    if (!status.empty()) {
        ops.setStatus(status);
    }
    ops.messageBox(box, icon, kTitle);
    PressResult result;
    result.outcome = outcome;
    result.message = box;
    return result;
}

// A failing store write is skipped: the run does not depend on it.
void saveSetting(SettingsStore& store, std::string_view key, const std::string& value)
{
    try {
        store.save(store::kSettings, key, value);
    } catch (const std::exception&) {
    }
}

void disableStart(MainWindowOps& ops)
{
    const std::string caption = ops.startCaption();
    if (caption == msg::kStart || caption == msg::kRestart) {
        ops.setStartEnabled(false);
    }
}

}  // namespace

PressResult cmdCommand_Click(MainWindowOps& ops, SettingsStore& store, const PressOptions& options)
{
    // Rows that go to a stream or a sink need no output file.
    const bool toStream = options.outputStream != nullptr || options.sink != nullptr;

    const std::string logPath = trimBlanks(ops.openPath());
    ops.setOpenPath(logPath);
    std::string outputPath = trimBlanks(ops.savePath());
    ops.setSavePath(outputPath);

    if (logPath.empty()) {
        return refuse(ops, std::string(msg::kNoLogNameStatus), std::string(msg::kNoLogNameBox),
                      BoxIcon::Critical);
    }
    if (!isOrdinaryFile(logPath)) {
        return refuse(ops, std::string(msg::kLogNotFoundStatus) + logPath,
                      std::string(msg::kLogNotFoundBoxPrefix) + logPath +
                          std::string(msg::kLogNotFoundBoxSuffix),
                      BoxIcon::Critical);
    }
    if (!toStream && outputPath.empty()) {
        outputPath = logPath + ".xls";
        ops.setSavePath(outputPath);
        ops.setSaveDialogFileName(outputPath);
    }
    // The log must never be deleted or overwritten as the output.
    if (!toStream && sameFile(logPath, outputPath)) {
        return refuse(ops, std::string(msg::kSameFileStatus), std::string(msg::kSameFileBox),
                      BoxIcon::Critical);
    }

    saveSetting(store, store::kOpen, logPath);
    saveSetting(store, store::kSave, outputPath);
    const ExtractionType type = ops.selectedType();
    const int index = type == ExtractionType::None ? 0 : static_cast<int>(type);
    saveSetting(store, store::kSummary, std::to_string(index));

    if (!toStream && isOrdinaryFile(outputPath)) {
        ops.setStatus(std::string(msg::kOutputExistsStatus));
        ops.messageBox(outputPath + std::string(msg::kOutputExistsBoxSuffix), BoxIcon::Information,
                       kTitle);
        if (!deleteFile(outputPath)) {
            return refuse(ops, {},
                          std::string(msg::kUnableToDeletePrefix) + outputPath +
                              std::string(msg::kUnableToDeleteSuffix),
                          BoxIcon::Critical, PressOutcome::ProgramEnds);
        }
        ops.setStatus(std::string(msg::kFileDeleted));
    }

    LineReader reader;
    std::string firstLine;
    if (reader.open(logPath)) {
        try {
            std::string_view line;
            if (reader.next(line)) {
                firstLine.assign(line);
            }
        } catch (const std::exception&) {
            // An unreadable log has no first line and is refused below.
        }
    }

    PressResult result;
    RunOptions runOptions;
    runOptions.outputStream = options.outputStream;
    runOptions.sink = options.sink;
    const LogLayout layout = detectLayout(firstLine);
    if (layout == LogLayout::WindowsXp) {
        ops.setStatus(std::string(msg::kIsXpLog));
        const HeaderScan header = scanHeader(reader, firstLine);
        reader.close();
        ops.setStatus(std::string(msg::kReadyToProcess));
        disableStart(ops);
        const std::string headDate = fExtractDate(ops, header.lastLine);
        result.outcome = PressOutcome::Ran;
        result.run = ProcessSetupApi(ops, store, headDate, header.text, header.lineCount,
                                     Layout::WindowsXp, runOptions);
        return result;
    }
    ops.setStatus(std::string(msg::kNotXpLog));
    if (layout == LogLayout::Windows2000) {
        reader.close();
        disableStart(ops);
        const std::string headDate = fExtractDate(ops, firstLine);
        result.outcome = PressOutcome::Ran;
        result.run = ProcessSetupApi(ops, store, headDate, std::string(msg::kWin2kHeader), 0,
                                     Layout::Windows2000, runOptions);
        return result;
    }
    if (layout == LogLayout::Vista) {
        ops.setStatus(std::string(msg::kIsVistaLog));
        const VistaHeaderScan header = scanVistaHeader(reader);
        reader.close();
        ops.setStatus(std::string(msg::kReadyToProcess));
        disableStart(ops);
        result.outcome = PressOutcome::Ran;
        result.run = ProcessSetupApi(ops, store, header.date, header.text, header.lineCount,
                                     Layout::Vista, runOptions);
        return result;
    }
    reader.close();
    return refuse(ops, {}, std::string(msg::kNotSetupApiLog), BoxIcon::Information,
                  PressOutcome::NotSetupApi);
}

}  // namespace tillery
