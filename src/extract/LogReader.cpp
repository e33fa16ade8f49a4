#include "extract/LogReader.h"

#include "core/Errors.h"
#include "core/OutputFormat.h"
#include "core/Record.h"
#include "core/RuleEngine.h"
#include "core/SettingsStore.h"
#include "core/StoreValues.h"
#include "extract/Converters.h"
#include "extract/LineReader.h"
#include "extract/MainWindowOps.h"
#include "extract/MessageCodes.h"
#include "extract/Messages.h"
#include "extract/OutputWriter.h"
#include "extract/Text.h"

#include <charconv>
#include <cmath>

namespace tillery {
namespace {

// Codes whose line becomes the event's Full Text when the event has none yet.
bool isEventTextCode(std::string_view code)
{
    return code == "142" || code == "022" || code == "121" || code == "144" || code == "289" ||
           code == "125";
}

void assignNumber(std::string& target, std::int64_t value)
{
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    target.assign(digits, end);
}

std::string number(std::int64_t value)
{
    std::string text;
    assignNumber(text, value);
    return text;
}

std::string processingText(std::string_view prefix, std::int64_t events, std::int64_t entries)
{
    std::string text(prefix);
    text.append(number(events)).append(msg::kEventsAnd).append(number(entries)).append(msg::kEntries);
    return text;
}

// Progress shown while lines are counted: it sweeps from 100 down and wraps, one step
// per hundred lines.
double countingProgress(std::int64_t lineCount)
{
    const auto q = static_cast<std::int64_t>(std::nearbyint(static_cast<double>(lineCount) / 100.0));
    return static_cast<double>(100 - (q % 99));
}

class Run {
public:
    Run(MainWindowOps& ops, const SettingsStore& store, const RunOptions& options)
        : m_ops(ops), m_store(store), m_options(options)
    {
    }

    RunResult execute(const std::string& headDate, const std::string& header, std::int64_t headCount);

private:
    bool ruleBased() const { return m_ops.selectedType() == ExtractionType::RuleBased; }
    void writeRecord(const Record& record);
    void closeEvent(std::string_view fallback);
    void countLines();
    bool extract(const std::string& headDate, const std::string& header, std::int64_t headCount);
    void finishFiles();
    void handleEntryLine(std::string_view raw);

    MainWindowOps& m_ops;
    const SettingsStore& m_store;
    const RunOptions& m_options;
    LineReader m_log;
    OutputWriter m_output;
    std::string m_logPath;
    std::string m_mask;
    bool m_tidy = false;
    std::int64_t m_lineCount = 0;
    std::int64_t m_events = 0;
    std::int64_t m_entries = 0;
    std::int64_t m_lineNumber = 0;
    std::int64_t m_doneEvents = 0;   // the counts after the last line handled in full
    std::int64_t m_doneEntries = 0;
    double m_progress = 0;
    Record m_line;
    Record m_event;
    Record m_written;
    std::string m_row;
    std::size_t m_cutOffset = 0;  // where the handled text of the last entry line starts
};

void Run::writeRecord(const Record& record)
{
    m_row.clear();
    appendRow(m_row, m_mask, ruleBased(), record);
    m_output.writeRow(m_row);
}

void Run::closeEvent(std::string_view fallback)
{
    if (m_event.full.empty()) {
        m_event.full.assign(fallback);
    }
    const ExtractionType type = m_ops.selectedType();
    if (type != ExtractionType::Summary && type != ExtractionType::RuleBased) {
        return;
    }
    Record& out = m_written;
    out.full = m_event.full;
    out.date = m_line.date;
    out.instance = m_line.instance;
    assignNumber(out.line, m_lineNumber);
    out.type = "Summary";
    out.code = "S";
    out.path = m_event.path;
    out.device = m_event.device;
    out.guid = m_event.guid;
    out.name = m_event.name;
    out.sig = m_event.sig;
    if (type == ExtractionType::RuleBased) {
        const std::string stored = m_store.get(store::kRules, store::kCount, "0");
        const auto count = textToNumber(stored);
        if (!count) {
            throw ExtractionError("the stored rule count \"" + stored + "\" is not a number");
        }
        if (*count <= 0 || !fProcessRules(m_store, out)) {
            return;
        }
        if (m_tidy) {
            out.device = fTidyDevice(out.device, out.sig);
        }
    }
    writeRecord(out);
}

void Run::countLines()
{
    m_ops.setProgressMax(100);
    m_ops.setProgressValue(100);
    if (!m_log.open(m_logPath)) {
        throw ExtractionError("the log could not be opened");
    }
    std::string_view line;
    while (m_log.next(line)) {
        ++m_lineCount;
        m_ops.setProgressValue(countingProgress(m_lineCount));
        if (m_ops.statusDue()) {
            m_ops.setStatus(std::string(msg::kCountingLines) + number(m_lineCount));
        }
    }
    m_ops.setProgressMax(static_cast<double>(m_lineCount));
    m_ops.setProgressValue(0);
    m_ops.setStatus(number(m_lineCount) + std::string(msg::kLinesFound));
    m_log.close();
}

void Run::handleEntryLine(std::string_view raw)
{
    ++m_lineNumber;
    m_line.full.assign(raw);

    // An "@" line carries a time stamp before its "#" marker: the marker on is handled.
    std::string_view text = raw;
    m_cutOffset = 0;
    const char first = raw.empty() ? '\0' : raw.front();
    if (first == '@') {
        const auto hash = raw.find('#');
        if (hash != std::string_view::npos) {
            m_cutOffset = hash;
            text = raw.substr(hash);
        }
    }
    std::string_view message;
    if (first == '@' || first == '#') {
        m_line.type = fConvertMessageType(piece(text, 2, 1));
        m_line.code.assign(piece(text, 3, 3));
        message = pieceToEnd(text, 6);
    } else {
        m_line.type = "Win2K";
        m_line.code = "2K";
        message = raw;
    }
    extractMessageCodes(m_line.code, message, m_line, m_event);

    if (m_event.full.empty() && isEventTextCode(m_line.code)) {
        m_event.full.assign(text);
    }
    if (!m_line.guid.empty()) m_event.guid = m_line.guid;
    if (!m_line.device.empty()) m_event.device = m_line.device;
    if (!m_line.path.empty()) m_event.path = m_line.path;
    if (!m_line.name.empty()) m_event.name = m_line.name;
    if (!m_line.sig.empty()) m_event.sig = m_line.sig;
}

bool Run::extract(const std::string& headDate, const std::string& header, std::int64_t headCount)
{
    if (!m_log.open(m_logPath)) {
        throw ExtractionError("the log could not be opened");
    }
    if (m_options.outputStream != nullptr) {
        m_output.attach(m_options.outputStream);
    } else if (!m_output.openAppend(m_ops.savePath())) {
        throw ExtractionError("the output file could not be opened for writing");
    }

    m_line = Record{};
    m_line.full = "[SetupAPI Log] " + header;
    m_line.date = headDate;
    m_line.type = "Header";
    m_line.code = "H";
    m_event = Record{};

    writeRecord(columnRecord());
    if (m_ops.selectedType() == ExtractionType::Full) {
        m_line.line = "0";
        writeRecord(m_line);
    }

    // The header block was read by the controller; its last line is read by the loop.
    std::string lastSkipped;
    std::string_view raw;
    for (std::int64_t skip = 1; skip < headCount && m_log.next(raw); ++skip) {
        lastSkipped.assign(raw);
    }
    m_lineNumber = headCount < 1 ? 1 : headCount;

    bool anyRead = false;
    while (m_log.next(raw)) {
        if (!m_ops.yield()) {
            return false;
        }
        anyRead = true;
        ++m_entries;
        m_line.type.clear();
        m_line.code.clear();
        m_line.path.clear();
        m_line.device.clear();
        m_line.guid.clear();
        m_line.name.clear();
        m_line.sig.clear();

        if (!raw.empty() && raw.front() == '[') {
            ++m_events;
            if (m_entries != 1) {
                closeEvent(m_line.full);
            }
            m_line.full.assign(raw);
            m_line.date = fExtractDate(m_ops, raw);
            const Pos dateLength = textLength(m_line.date);
            m_line.instance.assign(piece(raw, dateLength + 2, textLength(raw) - dateLength - 2));
            m_lineNumber = 0;
            m_cutOffset = 0;
            m_event.full.clear();
            m_event.path.clear();
            m_event.device.clear();
            m_event.guid.clear();
            m_event.name.clear();
            m_event.sig.clear();
        } else {
            handleEntryLine(raw);
        }

        if (m_ops.selectedType() == ExtractionType::Full) {
            assignNumber(m_line.line, m_lineNumber);
            writeRecord(m_line);
        }
        m_progress += 1;
        m_ops.setProgressValue(m_progress);
        if (m_ops.statusDue()) {
            m_ops.setStatus(processingText(msg::kProcessing, m_events, m_entries));
        }
        m_doneEvents = m_events;
        m_doneEntries = m_entries;
    }

    if (anyRead) {
        closeEvent(std::string_view(m_line.full).substr(m_cutOffset));
    } else {
        closeEvent(lastSkipped);
    }
    return true;
}

void Run::finishFiles()
{
    m_log.close();
    m_output.close();
}

RunResult Run::execute(const std::string& headDate, const std::string& header, std::int64_t headCount)
{
    RunResult result;
    try {
        m_logPath = m_ops.openPath();
        m_ops.setStatus(std::string(msg::kPreparing) + m_logPath);
        m_mask = fFormatShowFields(m_store);
        m_tidy = m_store.get(store::kRules, store::kTidyDevice, "0") == "1";
        countLines();
        const bool finished = extract(headDate, header, headCount);
        result.events = m_events;
        result.entries = m_entries;
        if (!finished) {
            finishFiles();
            result.outcome = RunOutcome::Stopped;
            return result;
        }
        m_ops.setProgressValue(static_cast<double>(m_lineCount));  // the header lines too
        m_ops.setStatus(processingText(msg::kFinished, m_events, m_entries));
        m_output.flush();
        finishFiles();
    } catch (const std::exception& error) {
        finishFiles();
        // The box stands over the progress of the last line handled, not over a text that
        // pacing the status left behind.
        if (m_doneEntries > 0) {
            m_ops.setStatus(processingText(msg::kProcessing, m_doneEvents, m_doneEntries));
        }
        result.outcome = RunOutcome::Failed;
        result.reason = error.what();
        result.events = m_events;
        result.entries = m_entries;
        m_ops.setStartCaption(std::string(msg::kRestart));
        m_ops.setStartEnabled(true);
        m_ops.messageBox(std::string(msg::kRunError), BoxIcon::Critical, std::string(msg::kMainTitle));
        return result;
    }
    m_ops.setStartCaption(std::string(msg::kRestart));
    m_ops.setStartEnabled(true);
    m_ops.messageBox(std::string(msg::kComplete), BoxIcon::None, std::string(msg::kMainTitle));
    return result;
}

}  // namespace

RunResult ProcessSetupApi(MainWindowOps& ops, const SettingsStore& store,
                          const std::string& strHeadDate, const std::string& strHeader,
                          std::int64_t iHeadCount, const RunOptions& options)
{
    Run run(ops, store, options);
    return run.execute(strHeadDate, strHeader, iHeadCount);
}

}  // namespace tillery
