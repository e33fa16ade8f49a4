#include "extract/RunController.h"

#include "core/Errors.h"
#include "core/SettingsStore.h"
#include "extract/Converters.h"
#include "extract/LineReader.h"
#include "extract/MainWindowOps.h"
#include "extract/Messages.h"
#include "extract/RunChecks.h"

#include <new>
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

    const auto tidy = [&](const std::string& path) {
        return options.exactPaths ? path : trimBlanks(path);
    };
    const std::string logPath = tidy(ops.openPath());
    ops.setOpenPath(logPath);
    std::string outputPath = tidy(ops.savePath());
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

    const FileStamp logAtStart = stampOf(logPath);
    const auto cannotRead = [&](const std::string& reason) {
        return refuse(ops, std::string(msg::kLogUnreadableStatus) + logPath,
                      std::string(msg::kLogNotFoundBoxPrefix) + logPath +
                          std::string(msg::kLogUnreadableBoxSuffix) + reason,
                      BoxIcon::Critical);
    };
    LineReader reader;
    if (!reader.open(logPath)) {
        return cannotRead(systemReason(reader.openError()));
    }
    // Only a bounded part of the first line is held; the whole of it only where it is
    // passed on (a Windows 2000 date, an XP header that is the first line alone).
    std::string headDate;
    std::string headerText;
    std::int64_t headCount = 0;
    Layout runLayout = Layout::WindowsXp;
    bool startDisabled = false;
    try {
        FirstLine first;
        try {
            first = readFirstLine(reader);
        } catch (const ExtractionError&) {
            // A log that fails while its first line is read has no first line.
        }
        const LogLayout layout = detectLayout(first.layoutText());
        std::string firstLine = std::move(first.kept);
        bool needWhole = layout == LogLayout::Windows2000;
        if (layout == LogLayout::WindowsXp) {
            try {
                needWhole = reader.atEnd();
            } catch (const ExtractionError&) {
            }
        }
        if (first.cut && needWhole) {
            firstLine = wholeFirstLine(logPath);
        }

        if (layout == LogLayout::WindowsXp) {
            ops.setStatus(std::string(msg::kIsXpLog));
            HeaderScan header = scanHeader(reader, firstLine);
            reader.close();
            ops.setStatus(std::string(msg::kReadyToProcess));
            disableStart(ops);
            startDisabled = true;
            headDate = fExtractDate(ops, header.lastLine);
            headerText = std::move(header.text);
            headCount = header.lineCount;
        } else if (layout == LogLayout::Windows2000) {
            ops.setStatus(std::string(msg::kNotXpLog));
            reader.close();
            disableStart(ops);
            startDisabled = true;
            runLayout = Layout::Windows2000;
            headDate = fExtractDate(ops, firstLine);
            headerText = msg::kWin2kHeader;
        } else if (layout == LogLayout::Vista) {
            ops.setStatus(std::string(msg::kNotXpLog));
            ops.setStatus(std::string(msg::kIsVistaLog));
            VistaHeaderScan header = scanVistaHeader(reader);
            reader.close();
            ops.setStatus(std::string(msg::kReadyToProcess));
            disableStart(ops);
            startDisabled = true;
            runLayout = Layout::Vista;
            headDate = std::move(header.date);
            headerText = std::move(header.text);
            headCount = header.lineCount;
        } else {
            ops.setStatus(std::string(msg::kNotXpLog));
            reader.close();
            return refuse(ops, {}, std::string(msg::kNotSetupApiLog), BoxIcon::Information,
                          PressOutcome::NotSetupApi);
        }
    } catch (const std::bad_alloc&) {
        if (startDisabled) {
            ops.setStartEnabled(true);
        }
        return cannotRead(std::string(msg::kOutOfMemory));
    }

    PressResult result;
    RunOptions runOptions;
    runOptions.outputStream = options.outputStream;
    runOptions.sink = options.sink;
    result.outcome = PressOutcome::Ran;
    result.run = ProcessSetupApi(ops, store, headDate, headerText, headCount, runLayout, runOptions);
    result.logChanged = stampOf(logPath) != logAtStart;
    return result;
}

}  // namespace tillery
