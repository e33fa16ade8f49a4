#include "app/CliCollection.h"

#include "app/CliChecks.h"
#include "app/CliJobOps.h"
#include "app/CliLogPool.h"
#include "app/CliSignals.h"
#include "core/Errors.h"
#include "core/OutputFormat.h"
#include "export/DeviceTable.h"
#include "export/TimelineSink.h"
#include "extract/Messages.h"
#include "extract/OutputWriter.h"
#include "extract/RunChecks.h"
#include "extract/RunController.h"

#include <algorithm>
#include <cctype>
#include <memory>
#include <optional>
#include <set>
#include <sstream>
#include <streambuf>
#include <thread>

namespace tillery::cli {
namespace {

// Rows are handed from a worker to the writer in pieces of about this size.
constexpr std::size_t kPieceBytes = 256 * 1024;
constexpr std::chrono::milliseconds kWriterTick{100};

std::string fileName(const std::string& utf8Path)
{
    const std::u8string name = pathFromUtf8(utf8Path).filename().u8string();
    return std::string(name.begin(), name.end());
}

std::string folded(std::string text)
{
    for (char& c : text) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return text;
}

// The options were checked when they were read.
TimeConversion timeConversion(const CliOptions& options)
{
    if (options.timeZone) {
        return TimeConversion::zone(*options.timeZone).value();
    }
    if (options.utcOffset) {
        return TimeConversion::fixedOffset(*options.utcOffset).value();
    }
    return {};
}

// The bytes a timeline writes, appended to a string that the piece then takes whole: the
// rows are not copied again between the stream and the piece.
class PieceBuffer : public std::streambuf {
public:
    std::string& bytes() { return m_bytes; }

protected:
    std::streamsize xsputn(const char* bytes, std::streamsize count) override
    {
        m_bytes.append(bytes, static_cast<std::size_t>(count));
        return count;
    }
    int_type overflow(int_type byte) override
    {
        if (!traits_type::eq_int_type(byte, traits_type::eof())) {
            m_bytes.push_back(traits_type::to_char_type(byte));
        }
        return traits_type::not_eof(byte);
    }

private:
    std::string m_bytes;
};

// One log's timeline rows, handed to the writer in pieces of whole rows.
class PieceSink : public RecordSink {
public:
    PieceSink(LogWorker& worker, ExportFormat format, ExportOptions options)
        : m_worker(worker), m_timeline(m_text, format, std::move(options), false)
    {
        m_buffer.bytes().reserve(kPieceRoom);
    }

    void beginSource(std::string path) { m_timeline.beginSource(std::move(path)); }

    void row(const RecordView& record, const RowContext& context) override
    {
        m_timeline.row(record, context);
        if (context.kind != RowKind::Columns) {
            ++m_rows;
        }
        if (m_buffer.bytes().size() >= kPieceBytes) {
            handOver();
        }
    }

    void handOver()
    {
        std::string& bytes = m_buffer.bytes();
        if (m_rows > 0) {
            m_worker.put({std::move(bytes), m_rows});
            bytes = std::string();
            bytes.reserve(kPieceRoom);
        } else {
            bytes.clear();
        }
        m_rows = 0;
    }

private:
    // A piece's room: its size and a few rows past it, so that it seldom grows.
    static constexpr std::size_t kPieceRoom = kPieceBytes + 64 * 1024;

    LogWorker& m_worker;
    PieceBuffer m_buffer;
    std::ostream m_text{&m_buffer};
    TimelineSink m_timeline;
    std::int64_t m_rows = 0;
};

// What the run of one log leaves for the writer.
struct LogResult {
    std::vector<std::string> messages;
    bool failed = false;
    std::int64_t tableRows = 0;  // rows of its own ".xls", the column line not counted
    std::unique_ptr<DeviceTable> devices;
};

class Collection {
public:
    Collection(const CliOptions& options, const MemorySettingsStore& settings, std::FILE* out,
               CliWindowOps& ops)
        : m_options(options), m_settings(settings), m_out(out), m_ops(ops),
          m_mask(fFormatShowFields(settings)), m_time(timeConversion(options))
    {
    }

    int run(const SingleLogRun& single);

private:
    bool xlsTables() const { return m_options.format == ExportFormat::Xls && !m_options.devices; }
    std::optional<int> check(const SingleLogRun& single);
    std::string checkOutputs() const;
    std::optional<int> openOutput();
    ExportOptions exportOptions() const;
    void runLog(LogWorker& worker);
    int writeAll();
    void report(std::size_t index);
    void writeRows(std::string_view bytes);

    const CliOptions& m_options;
    const MemorySettingsStore& m_settings;
    std::FILE* m_out;
    CliWindowOps& m_ops;
    std::string m_mask;
    TimeConversion m_time;

    std::string m_outputPath;
    bool m_toStandardOutput = false;
    bool m_toFolder = false;
    InputWalk m_walk;
    std::vector<std::string> m_tables;  // one ".xls" per log, with m_toFolder
    std::vector<LogResult> m_results;
    OutputWriter m_output;

    std::optional<DeviceTable> m_devices;  // the logs' tables, appended in input order
    std::int64_t m_rowsWritten = 0;
    std::size_t m_failed = 0;
    std::string m_writeFailure;
    bool m_logsAtOnce = false;  // several logs are run at the same time
};

ExportOptions Collection::exportOptions() const
{
    // A decoder of its own for every user: a decoder is not shared between threads.
    return {TextDecoder::open(m_options.encoding).value(), m_time, m_mask,
            m_options.type == ExtractionType::RuleBased};
}

std::optional<int> Collection::check(const SingleLogRun& single)
{
    const auto refuse = [&](const std::string& text) {
        m_ops.printLine(text);
        return kExitRefused;
    };
    m_outputPath = m_options.outputPath.value_or("");
    m_toStandardOutput = m_options.toStandardOutput() || (!m_options.outputPath && !xlsTables());
    m_toFolder = xlsTables() && !m_toStandardOutput && !m_outputPath.empty() && isFolder(m_outputPath);
    if (!xlsTables() && !m_toStandardOutput && isFolder(m_outputPath)) {
        return refuse(m_outputPath + std::string(text::kOutputIsFolder));
    }
    if (std::string reason = checkRunSettings(m_settings, m_options.type); !reason.empty()) {
        return refuse(std::string(text::kSettingsUnusable) + reason);
    }

    const bool oneOutputFile = !m_toStandardOutput && !m_toFolder;
    m_walk = walkInputs(m_options.inputs, oneOutputFile ? m_outputPath : std::string());
    if (!m_options.quiet) {
        for (const std::string& skipped : m_walk.skipped) {
            m_ops.printLine(skipped);
        }
    }
    if (!m_walk.errors.empty()) {
        for (const std::string& error : m_walk.errors) {
            m_ops.printLine(error);
        }
        return kExitRefused;
    }
    if (xlsTables() && !m_toFolder) {
        if (m_walk.logs.size() == 1 && m_options.outputPath) {
            return single(m_walk.logs.front().path);
        }
        return refuse(std::string(text::kXlsNeedsFolder));
    }
    if (m_toFolder) {
        m_tables = tableNamesInFolder(m_outputPath, m_walk.logs);
    }
    if (std::string refusal = checkOutputs(); !refusal.empty()) {
        return refuse(refusal);
    }
    if (const int signal = pendingSignal(); signal != 0) {
        return refuse(std::string(text::kInterruptedBy) + signalName(signal) +
                      std::string(text::kNothingWritten));
    }
    return std::nullopt;
}

// The outputs are never one of the logs, and never replace a file without --force.
std::string Collection::checkOutputs() const
{
    if (m_toStandardOutput) {
        for (const FoundLog& log : m_walk.logs) {
            if (std::string refusal = checkStandardOutputIsNotLog(m_out, log.path); !refusal.empty()) {
                return refusal;
            }
        }
        return {};
    }
    const std::vector<std::string> outputs =
        m_toFolder ? m_tables : std::vector<std::string>{m_outputPath};
    for (const std::string& output : outputs) {
        if (isFolder(output)) {
            return output + std::string(text::kOutputIsFolder);
        }
        if (std::string refusal = checkOutputIsNoLink(output); !refusal.empty()) {
            return refusal;
        }
        if (!isOrdinaryFile(output)) {
            continue;
        }
        // The walk never takes the one output file as input; a table in the folder may
        // still be a log that is read.
        const bool isInput = std::any_of(m_walk.logs.begin(), m_walk.logs.end(),
                                         [&](const FoundLog& log) { return sameFile(log.path, output); });
        if (isInput) {
            return output + std::string(text::kOutputIsInput);
        }
        if (!m_options.force) {
            return output + std::string(text::kOutputExists);
        }
    }
    return {};
}

std::optional<int> Collection::openOutput()
{
    if (m_toFolder) {
        return std::nullopt;  // each run opens its own table
    }
    if (m_toStandardOutput) {
        m_output.attach(m_out);
        return std::nullopt;
    }
    if (isOrdinaryFile(m_outputPath) && !deleteFile(m_outputPath)) {
        m_ops.printLine(std::string(msg::kUnableToDeletePrefix) + m_outputPath +
                        std::string(msg::kUnableToDeleteSuffix));
        return kExitRefused;
    }
    if (!m_output.openNew(m_outputPath)) {
        m_ops.printLine(std::string(text::kOutputUnwritable) + m_outputPath + ": " +
                        m_output.openFailure());
        return kExitRunFailed;
    }
    return std::nullopt;
}

void Collection::runLog(LogWorker& worker)
{
    const FoundLog& log = m_walk.logs[worker.index()];
    LogResult& result = m_results[worker.index()];
    try {
        MemorySettingsStore store = m_settings;  // the run writes its own keys into it
        JobWindowOps ops(worker, m_options.type, m_options.quiet, !m_logsAtOnce);
        ops.setOpenPath(log.path);
        PressOptions press;
        press.exactPaths = true;
        std::optional<PieceSink> pieces;
        if (m_toFolder) {
            ops.setSavePath(m_tables[worker.index()]);
        } else if (m_options.devices) {
            result.devices = std::make_unique<DeviceTable>(exportOptions());
            result.devices->beginSource(log.path);
            press.sink = result.devices.get();
        } else {
            pieces.emplace(worker, m_options.format, exportOptions());
            pieces->beginSource(log.path);
            press.sink = &*pieces;
        }
        const PressResult pressed = cmdCommand_Click(ops, store, press);
        if (pieces) {
            pieces->handOver();
        }
        result.messages = std::move(ops.messages());
        result.tableRows = std::max<std::int64_t>(0, pressed.run.rows - 1);
        const bool runFailed = pressed.outcome == PressOutcome::Ran &&
                               pressed.run.outcome == RunOutcome::Failed;
        result.failed = pressed.outcome != PressOutcome::Ran || runFailed || pressed.logChanged;
        if (runFailed && !pressed.run.reason.empty()) {
            result.messages.push_back(std::string(text::kRunFailedReason) + pressed.run.reason);
        }
        if (pressed.logChanged) {
            result.messages.emplace_back(msg::kLogChanged);
        }
    } catch (const std::exception& error) {
        result.failed = true;
        result.messages.push_back(std::string(text::kRunFailedReason) + failureReason(error));
    }
}

void Collection::writeRows(std::string_view bytes)
{
    m_output.writeRows(bytes);
}

void Collection::report(std::size_t index)
{
    LogResult& result = m_results[index];
    for (const std::string& message : result.messages) {
        m_ops.printLine(m_walk.logs[index].path + ": " + message);
    }
    m_failed += result.failed ? 1 : 0;
    if (m_toFolder) {
        m_rowsWritten += result.tableRows;
    }
    if (result.devices) {
        m_devices->append(*result.devices);
        result.devices.reset();
    }
}

int Collection::writeAll()
{
    const std::size_t count = m_walk.logs.size();
    const bool timeline = !m_toFolder && !m_options.devices;
    if (timeline) {
        std::ostringstream names;
        TimelineSink(names, m_options.format, exportOptions()).finish();
        writeRows(names.str());
    }
    std::size_t jobs = m_options.jobs;
    if (jobs == 0) {
        jobs = std::max(1u, std::thread::hardware_concurrency());
    }
    m_logsAtOnce = jobs > 1 && count > 1;
    LogPool pool(count, jobs, [this](LogWorker& worker) { runLog(worker); });
    std::size_t reported = 0;
    int signal = 0;
    for (std::size_t i = 0; i < count && signal == 0 && m_writeFailure.empty(); ++i) {
        for (;;) {
            signal = pendingSignal();
            if (signal != 0) {
                break;
            }
            Piece piece;
            const LogPool::Next next = pool.next(i, piece, kWriterTick);
            if (next == LogPool::Next::Done) {
                report(i);
                reported = i + 1;
                break;
            }
            if (next == LogPool::Next::Piece) {
                try {
                    writeRows(piece.bytes);
                } catch (const std::exception& error) {
                    m_writeFailure = failureReason(error);
                    break;
                }
                m_rowsWritten += piece.rows;
            }
            m_ops.showProgress("File " + std::to_string(i + 1) + " of " + std::to_string(count) +
                               ", " + std::to_string(pool.percent(i)) + "%: " + m_walk.logs[i].path);
        }
    }
    pool.stop();
    pool.join();
    if (m_toFolder) {
        // Tables of runs that a signal stopped hold rows too.
        for (std::size_t i = reported; i < count; ++i) {
            m_rowsWritten += m_results[i].tableRows;
        }
    }
    if (signal == 0 && m_writeFailure.empty() && m_options.devices) {
        std::ostringstream table;
        m_devices->write(table, m_options.format);
        try {
            writeRows(table.str());
            m_rowsWritten = static_cast<std::int64_t>(m_devices->deviceCount());
        } catch (const std::exception& error) {
            m_writeFailure = failureReason(error);
        }
    }
    if (m_writeFailure.empty() && !m_output.close()) {
        m_writeFailure = "the output could not be written in full";
    }
    if (!m_writeFailure.empty()) {
        m_ops.printLine(std::string(text::kOutputUnwritable) + m_writeFailure);
        return kExitRunFailed;
    }
    if (signal != 0) {
        m_ops.printLine(std::string(text::kInterruptedBy) + signalName(signal) +
                        std::string(text::kOutputIncomplete) + std::to_string(m_rowsWritten) +
                        std::string(text::kRowsWritten));
        return 128 + signal;
    }
    if (!m_options.quiet) {
        m_ops.printLine("Logs read: " + std::to_string(count) + " (failed: " + std::to_string(m_failed) +
                        "); files skipped: " + std::to_string(m_walk.skipped.size()) +
                        "; rows written: " + std::to_string(m_rowsWritten) + ".");
    }
    return m_failed > 0 ? kExitRunFailed : kExitOk;
}

int Collection::run(const SingleLogRun& single)
{
    if (const auto refused = check(single)) {
        return *refused;
    }
    if (const auto failed = openOutput()) {
        return *failed;
    }
    if (!m_toFolder && !m_time.toUtc() && !m_options.quiet) {
        m_ops.printLine(std::string(text::kTimesLocal));
    }
    m_results.resize(m_walk.logs.size());
    m_devices.emplace(exportOptions());
    return writeAll();
}

}  // namespace

int runCollection(const CliOptions& options, const MemorySettingsStore& settings, std::FILE* out,
                  CliWindowOps& ops, const SingleLogRun& single)
{
    return Collection(options, settings, out, ops).run(single);
}

std::vector<std::string> tableNamesInFolder(const std::string& folder,
                                            const std::vector<FoundLog>& logs)
{
    std::string prefix = folder;
    if (!prefix.empty() && prefix.back() != '/' && prefix.back() != '\\') {
        prefix.push_back('/');
    }
    std::set<std::string> taken;
    std::vector<std::string> names;
    for (const FoundLog& log : logs) {
        const std::string name = fileName(log.path);
        std::string candidate = name + ".xls";
        for (int n = 2; !taken.insert(folded(candidate)).second; ++n) {
            candidate = name + "-" + std::to_string(n) + ".xls";
        }
        names.push_back(prefix + candidate);
    }
    return names;
}

}  // namespace tillery::cli
