#include "extract/LogReader.h"

#include "core/Errors.h"
#include "core/OutputFormat.h"
#include "core/Record.h"
#include "core/RuleEngine.h"
#include "core/SettingsStore.h"
#include "extract/EventAssembler.h"
#include "extract/EventStage.h"
#include "extract/LineReader.h"
#include "extract/MainWindowOps.h"
#include "extract/Messages.h"
#include "extract/OutputWriter.h"
#include "extract/RecordSink.h"
#include "extract/Text.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <future>
#include <thread>

namespace tillery {
namespace {

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

// The line ends in `bytes`. Counted in runs of a fixed length with a one-byte tally each
// (at most 240, so it cannot overflow): compilers turn such a loop into vector compares at
// every optimisation level, where looking for each line end in turn costs a call per line.
std::int64_t countLineEnds(std::string_view bytes)
{
    constexpr std::size_t kRun = 240;
    std::int64_t count = 0;
    std::size_t at = 0;
    for (; at + kRun <= bytes.size(); at += kRun) {
        const char* run = bytes.data() + at;
        unsigned char tally = 0;
        for (std::size_t i = 0; i < kRun; ++i) {
            tally += run[i] == '\n' ? 1 : 0;
        }
        count += tally;
    }
    for (; at < bytes.size(); ++at) {
        count += bytes[at] == '\n' ? 1 : 0;
    }
    return count;
}

// Logs from this size on are counted in two halves at once, where a core is to spare: a
// thread costs less than the time it saves from here on.
constexpr std::int64_t kCountInHalvesFrom = 8 << 20;

// The line ends a reader finds from where it stands to the end of its file, and whether the
// last byte is one.
struct TailCount {
    std::int64_t lineEnds = 0;
    std::int64_t bytes = 0;
    bool endedLine = true;
};

TailCount countTail(LineReader& reader)
{
    TailCount count;
    std::string_view block;
    while (reader.nextBlock(block)) {
        count.lineEnds += countLineEnds(block);
        count.bytes += static_cast<std::int64_t>(block.size());
        count.endedLine = block.back() == '\n';
    }
    return count;
}

// Progress shown while lines are counted: it sweeps from 100 down and wraps, one step
// per hundred lines.
double countingProgress(std::int64_t lineCount)
{
    const auto q = static_cast<std::int64_t>(std::nearbyint(static_cast<double>(lineCount) / 100.0));
    return static_cast<double>(100 - (q % 99));
}

class Run final : public AssembledRows {
public:
    Run(MainWindowOps& ops, const SettingsStore& store, Layout layout, const RunOptions& options)
        : m_ops(ops), m_store(store), m_layout(layout), m_options(options), m_rules(store)
    {
    }

    RunResult execute(const std::string& headDate, const std::string& header, std::int64_t headCount);
    std::int64_t rows() const { return m_output.rows(); }

    bool wantsLines() const override { return m_type == ExtractionType::Full; }
    bool wantsEvents() const override
    {
        return m_type == ExtractionType::Summary || m_type == ExtractionType::RuleBased;
    }
    void lineRow(const RecordView& line, std::int64_t lineNumber, TimeKind time,
                 std::int64_t sourceLine) override;
    void eventClosed() override { ++m_closed; }
    void eventRow(Record& event, TimeKind time, std::int64_t sourceLine) override;

private:
    bool ruleBased() const { return m_type == ExtractionType::RuleBased; }
    void writeRecord(const RecordView& record, RowKind kind, TimeKind time, std::int64_t sourceLine,
                     std::string_view untidiedDevice = {});
    // The Rule based row of a closed event, tested against the rules in force when it
    // closed: on the event stage's thread, which alone writes while it runs.
    void writeEvent(const RecordView& event, const RuleSet& rules);
    // Every event row queued is written: the run may write to the file itself.
    void waitForEvents()
    {
        if (m_stage) {
            m_stage->wait();
        }
    }
    // The row of these values to the output file.
    void writeRow(const RecordView& record);
    void countLines();
    void setLineProgress();
    bool extract(EventAssembler& assembler);
    void finishFiles();

    MainWindowOps& m_ops;
    const SettingsStore& m_store;
    const Layout m_layout;
    const RunOptions& m_options;
    StoredRules m_rules;  // read again whenever the store may have changed
    RuleMatcher m_matcher;  // the event stage's while it has rows queued, else the run's
    const EventAssembler* m_assembler = nullptr;
    LineReader m_log;
    OutputWriter m_output;
    // Tests and writes Rule based rows on a thread of its own; started with the first such
    // row bound for the output file (a record sink takes its rows at once, on the run's
    // thread).
    std::unique_ptr<EventStage> m_stage;
    std::string m_logPath;
    std::string m_mask;
    FieldSet m_rowFields = 0;  // the fields a Rule based row shows, and those its tidy reads
    std::array<char, 24> m_lineNumber{};  // digits of the Line field of the row being written
    bool m_tidy = false;
    bool m_eventsAside = false;  // Rule based rows go to the event stage
    bool m_counted = false;  // lines were counted first: progress is in lines, else in bytes
    std::int64_t m_lineCount = 0;
    std::int64_t m_events = 0;
    std::int64_t m_entries = 0;
    std::int64_t m_closed = 0;
    std::int64_t m_doneEvents = 0;   // the counts after the last line handled in full
    std::int64_t m_doneEntries = 0;
    double m_progressMax = 0;  // the log's size, when progress is in bytes
    // The extraction type selected, read before each line: the window's events, which
    // may change it, are handled only between lines.
    ExtractionType m_type = ExtractionType::None;
};

void Run::writeRecord(const RecordView& record, RowKind kind, TimeKind time, std::int64_t sourceLine,
                      std::string_view untidiedDevice)
{
    if (m_options.sink != nullptr) {
        RowContext context;
        context.layout = m_layout;
        context.kind = kind;
        context.time = time;
        context.sourceLine = sourceLine;
        context.mask = m_mask;
        context.ruleBased = ruleBased();
        context.untidiedDevice = untidiedDevice;
        m_options.sink->row(record, context);
        return;
    }
    writeRow(record);
}

void Run::writeRow(const RecordView& record)
{
    const RowValues row = rowValues(m_mask, ruleBased(), record);
    m_output.writeRow(std::span(row.values.data(), row.count));
}

void Run::lineRow(const RecordView& line, std::int64_t lineNumber, TimeKind time,
                  std::int64_t sourceLine)
{
    if (!wantsLines()) {
        return;
    }
    waitForEvents();  // Rule based rows still queued go first
    // The Line of almost every row is a number below 1000 (it counts the lines of one
    // event): its digits are looked up, where working them out costs a row several
    // branches. The table holds each number's digits and, in its fourth byte, their count.
    static constexpr std::int64_t kLookedUp = 1000;
    static constexpr auto kDigits = [] {
        std::array<char, 4 * kLookedUp> table{};
        for (std::int64_t n = 0; n < kLookedUp; ++n) {
            char* const entry = table.data() + 4 * n;
            const int count = n >= 100 ? 3 : n >= 10 ? 2 : 1;
            for (int i = count - 1, rest = static_cast<int>(n); i >= 0; --i, rest /= 10) {
                entry[i] = static_cast<char>('0' + rest % 10);
            }
            entry[3] = static_cast<char>(count);
        }
        return table;
    }();
    std::string_view number;
    if (lineNumber >= 0 && lineNumber < kLookedUp) {
        const char* const entry = kDigits.data() + 4 * lineNumber;
        number = {entry, static_cast<std::size_t>(entry[3])};
    } else {
        char* const digits = m_lineNumber.data();
        const char* const end = std::to_chars(digits, digits + m_lineNumber.size(), lineNumber).ptr;
        number = {digits, static_cast<std::size_t>(end - digits)};
    }
    if (m_options.sink != nullptr) {
        RecordView numbered = line;
        numbered.line = number;
        writeRecord(numbered, RowKind::Line, time, sourceLine);
        return;
    }
    // Line rows are written in Full only, where the mask does not apply: every field, the
    // line's values as they are, not copied first.
    m_output.writeRow(line, number);
}

void Run::eventRow(Record& event, TimeKind time, std::int64_t sourceLine)
{
    if (!wantsEvents()) {
        return;
    }
    if (m_type != ExtractionType::RuleBased) {
        waitForEvents();  // Rule based rows still queued go first
        writeRecord(viewOf(event), RowKind::Event, time, sourceLine, event.device);
        return;
    }
    // The rules are read here, on the run's thread, as the store holds them when the
    // event closes.
    const std::shared_ptr<const RuleSet>& rules = m_rules.current();
    if (!rules->countNumber) {
        throw ExtractionError("the stored rule count \"" + rules->countText + "\" is not a number");
    }
    if (*rules->countNumber <= 0) {
        return;
    }
    rules->requireCount();
    if (m_options.sink == nullptr) {
        if (m_eventsAside) {
            // Tested, tidied and written on the event stage's thread.
            if (!m_stage) {
                m_stage = std::make_unique<EventStage>(
                    [this](const RecordView& queued, const RuleSet& set) { writeEvent(queued, set); });
            }
            if (m_stage->add(event, rules, rules->tests.fields | m_rowFields)) {
                return;
            }
            m_stage->wait();  // an event too long to queue: handled here, after those before it
        }
        writeEvent(viewOf(event), *rules);
        return;
    }
    // A record sink takes the row at once, with its place in the log and the Device as
    // logged.
    if (!m_matcher.matches(*rules, viewOf(event))) {
        return;
    }
    if (m_tidy) {
        const std::string untidied = std::move(event.device);
        event.device = m_assembler->tidyDevice(untidied, event.sig);
        writeRecord(viewOf(event), RowKind::Event, time, sourceLine, untidied);
        return;
    }
    writeRecord(viewOf(event), RowKind::Event, time, sourceLine, event.device);
}

void Run::writeEvent(const RecordView& event, const RuleSet& rules)
{
    if (!m_matcher.matches(rules, event)) {
        return;
    }
    RecordView row = event;
    std::string tidied;
    if (m_tidy) {
        tidied = m_assembler->tidyDevice(event.device, event.sig);
        row.device = tidied;
    }
    const RowValues values = rowValues(m_mask, true, row);
    m_output.writeRow(std::span(values.values.data(), values.count));
}

void Run::countLines()
{
    m_counted = true;
    m_ops.setProgressMax(100);
    m_ops.setProgressValue(100);
    if (!m_log.open(m_logPath)) {
        throw ExtractionError("the log could not be opened");
    }
    // A large log, where a core is to spare, is counted in two halves at once: its second
    // half on a thread of its own while this one counts the first, whose count so far is
    // shown. Line ends are counted, so the halves may meet inside a line.
    const std::int64_t size = m_log.openedSize();
    std::int64_t half = -1;
    LineReader tailReader;  // before `tail`, whose end waits for the thread that reads it
    std::future<TailCount> tail;
    if (size >= kCountInHalvesFrom && m_ops.hasCoreToSpare() &&
        std::thread::hardware_concurrency() > 1 && tailReader.open(m_logPath) &&
        tailReader.skipTo(size / 2)) {
        half = size / 2;
        tail = std::async(std::launch::async, [&tailReader] { return countTail(tailReader); });
    }
    // The log is counted a block at a time. While the window wants a status text it hears
    // of each line, as a line-by-line count would tell it; the rest of a block is counted
    // at once and shown at the block's end. A front end that paints on a timer is so asked
    // about once a block, and the pass runs at the speed of reading.
    std::string_view block;
    bool endedLine = true;  // whether the bytes so far end with a line end
    bool halfCounted = false;
    while (!halfCounted && m_log.nextBlock(block)) {
        if (half >= 0) {
            // Blocks are taken while they start before the half: the last is cut there.
            const std::int64_t start = m_log.position() - static_cast<std::int64_t>(block.size());
            if (m_log.position() >= half) {
                block = block.substr(0, static_cast<std::size_t>(half - start));
                halfCounted = true;
            }
        }
        std::size_t at = 0;
        while (at < block.size()) {
            const std::size_t end = block.find('\n', at);
            if (end == std::string_view::npos) {
                break;
            }
            at = end + 1;
            ++m_lineCount;
            m_ops.setProgressValue(countingProgress(m_lineCount));
            if (!m_ops.statusDue()) {
                break;
            }
            m_ops.setStatus(std::string(msg::kCountingLines) + number(m_lineCount));
        }
        const std::int64_t lineEnds = countLineEnds(block.substr(at));
        if (lineEnds > 0) {
            m_lineCount += lineEnds;
            m_ops.setProgressValue(countingProgress(m_lineCount));
        }
        endedLine = block.back() == '\n';
    }
    if (tail.valid()) {
        const TailCount rest = tail.get();  // a failed read fails the run here
        if (rest.bytes > 0) {
            m_lineCount += rest.lineEnds;
            endedLine = rest.endedLine;
            m_ops.setProgressValue(countingProgress(m_lineCount));
        }
    }
    if (!endedLine) {
        ++m_lineCount;  // a last line without a line end is still a line
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

bool Run::extract(EventAssembler& assembler)
{
    if (!m_log.open(m_logPath)) {
        throw ExtractionError("the log could not be opened");
    }
    if (m_options.sink != nullptr) {
        // The sink takes every row: no output file is opened.
    } else if (m_options.outputStream != nullptr) {
        m_output.attach(m_options.outputStream);
    } else if (!m_output.openNew(m_ops.savePath())) {
        throw ExtractionError("the output file could not be opened for writing: " +
                              m_output.openFailure());
    }
    if (!m_counted) {
        m_progressMax = static_cast<double>(std::max<std::int64_t>(m_log.openedSize(), 0));
        m_ops.setProgressMax(m_progressMax);
        m_ops.setProgressValue(0);
    }

    m_type = m_ops.selectedType();
    writeRecord(viewOf(columnRecord()), RowKind::Columns, TimeKind::None, 0);
    if (m_type == ExtractionType::Full) {
        writeRecord(viewOf(assembler.headerRecord()), RowKind::Header, TimeKind::LogHeader, 0);
    }

    std::int64_t sourceLine = assembler.skipHead(m_log);
    std::string_view raw;
    // The front end is asked (yield, type, progress, status) before and after every
    // `stride`-th line: every line for the window.
    const std::int64_t stride = std::max(1, m_ops.linesBetweenCalls());
    std::int64_t untilCall = 1;
    while (m_log.next(raw)) {
        const bool call = --untilCall == 0;
        if (call) {
            untilCall = stride;
            if (!m_ops.yield()) {
                return false;
            }
            m_type = m_ops.selectedType();
        }
        ++m_entries;
        ++sourceLine;
        if (assembler.line(raw, sourceLine, *this)) {
            ++m_events;
        }
        if (call) {
            setLineProgress();
            if (m_ops.statusDue()) {
                m_ops.setStatus(processingText(msg::kProcessing, m_events, m_entries));
            }
        }
        m_doneEvents = m_events;
        m_doneEntries = m_entries;
    }
    m_type = m_ops.selectedType();
    assembler.finish(*this);
    return true;
}

void Run::setLineProgress()
{
    if (m_counted) {
        m_ops.setProgressValue(static_cast<double>(m_entries));  // lines of this pass
    } else {
        m_ops.setProgressValue(static_cast<double>(m_log.position()));
    }
}

void Run::finishFiles()
{
    m_log.close();
    if (m_stage) {
        // The rows of the events closed so far go out before the file closes; a failure
        // to write them is the run's failure already, or it stopped anyway.
        try {
            m_stage->wait();
        } catch (const std::exception&) {
        }
        m_stage.reset();
    }
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
        for (std::size_t i = 0; i < kFieldCount; ++i) {
            if (fieldSelected(m_mask, true, i)) {
                m_rowFields |= FieldSet{1} << i;
            }
        }
        if (m_tidy) {
            m_rowFields |= fieldBit(Field::Device) | fieldBit(Field::Signature);
        }
        // A record sink takes its rows at once; a machine of one core has none to spare.
        m_eventsAside = m_options.sink == nullptr && m_ops.hasCoreToSpare() &&
                        std::thread::hardware_concurrency() > 1;
        if (m_ops.countsLinesFirst()) {
            countLines();
        }
        const auto assembler = makeAssembler(m_layout, m_ops, headDate, header, headCount);
        m_assembler = assembler.get();
        const bool finished = extract(*assembler);
        result.events = m_events;
        result.entries = m_entries;
        result.closed = m_closed;
        if (!finished) {
            finishFiles();
            result.outcome = RunOutcome::Stopped;
            return result;
        }
        // The bar ends full: the header lines count too (a log that changed while it was
        // read is reported by the front end).
        m_ops.setProgressValue(m_counted ? static_cast<double>(m_lineCount) : m_progressMax);
        m_ops.setStatus(processingText(msg::kFinished, m_events, m_entries));
        waitForEvents();
        m_output.flush();
        finishFiles();
    } catch (const std::exception& error) {
        finishFiles();
        // The box stands over the progress of the last line handled, not over a text that
        // pacing the status left behind.
        if (m_doneEntries > 0) {
            const std::string progress = processingText(msg::kProcessing, m_doneEvents, m_doneEntries);
            if (m_ops.status() != progress) {
                m_ops.setStatus(progress);
            }
        }
        result.outcome = RunOutcome::Failed;
        result.reason = failureReason(error);
        result.events = m_events;
        result.entries = m_entries;
        result.closed = m_closed;
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
                          std::int64_t iHeadCount, Layout layout, const RunOptions& options)
{
    Run run(ops, store, layout, options);
    RunResult result = run.execute(strHeadDate, strHeader, iHeadCount);
    result.rows = run.rows();
    return result;
}

}  // namespace tillery
