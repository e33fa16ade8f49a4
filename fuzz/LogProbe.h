#pragma once

// Runs arbitrary bytes as a log through the layout test, the header scan and a whole
// extraction of each type, and checks what must hold for every log. Shared by the fuzz
// target and the test that replays saved inputs, so both take the same path.

#include "NullWindowOps.h"

#include "core/DefaultRules.h"
#include "core/MemorySettingsStore.h"
#include "extract/LogReader.h"
#include "extract/RunChecks.h"
#include "extract/RunController.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace tillery::fuzz {

// The lines of a log as the line reader delivers them: split at LF, a CR directly before
// the LF dropped with it, a last line without LF still a line.
inline std::vector<std::string_view> splitLogLines(std::string_view bytes)
{
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    while (start < bytes.size()) {
        const std::size_t lf = bytes.find('\n', start);
        if (lf == std::string_view::npos) {
            lines.push_back(bytes.substr(start));
            break;
        }
        std::size_t end = lf;
        if (end > start && bytes[end - 1] == '\r') {
            --end;
        }
        lines.push_back(bytes.substr(start, end - start));
        start = lf + 1;
    }
    return lines;
}

// The bytes with bare LF line ends: every run of CRs directly before an LF is dropped, so
// that no line keeps a CR at its end that either line-end form would treat differently.
inline std::string withLfEnds(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size());
    for (const char c : bytes) {
        if (c == '\n') {
            while (!out.empty() && out.back() == '\r') {
                out.pop_back();
            }
        }
        out.push_back(c);
    }
    return out;
}

// The same lines with CR LF line ends (`lfBytes` as withLfEnds gives them).
inline std::string withCrLfEnds(std::string_view lfBytes)
{
    std::string out;
    out.reserve(lfBytes.size() + lfBytes.size() / 8);
    for (const char c : lfBytes) {
        if (c == '\n') {
            out.push_back('\r');
        }
        out.push_back(c);
    }
    return out;
}

// The header line count the scan must find in an XP-layout log: the number of the line
// before the first line from the third on that begins with "[", or the number of lines
// less one when there is none (at least 1).
inline std::int64_t expectedHeaderCount(const std::vector<std::string_view>& lines)
{
    for (std::size_t i = 2; i < lines.size(); ++i) {
        if (!lines[i].empty() && lines[i].front() == '[') {
            return static_cast<std::int64_t>(i);
        }
    }
    return lines.size() >= 2 ? static_cast<std::int64_t>(lines.size()) - 1 : 1;
}

inline const char* typeName(ExtractionType type)
{
    switch (type) {
    case ExtractionType::Full:
        return "Full";
    case ExtractionType::Summary:
        return "Summary";
    case ExtractionType::RuleBased:
        return "Rule based";
    case ExtractionType::None:
        break;
    }
    return "none";
}

class LogProbe {
public:
    // The log and the captured output live in `folder` under names of their own.
    explicit LogProbe(const std::filesystem::path& folder)
    {
        std::random_device device;
        const std::string stem = "tillery-probe-" + std::to_string(device()) + "-" +
                                 std::to_string(device());
        m_logPath = folder / (stem + ".log");
        m_outputPath = folder / (stem + ".out");
        const std::u8string utf8 = m_logPath.u8string();
        m_logPathUtf8.assign(utf8.begin(), utf8.end());
        ResetRegistry(m_store);
    }
    ~LogProbe()
    {
        std::error_code ignored;
        std::filesystem::remove(m_logPath, ignored);
        std::filesystem::remove(m_outputPath, ignored);
    }
    LogProbe(const LogProbe&) = delete;
    LogProbe& operator=(const LogProbe&) = delete;

    // Everything that did not hold for these bytes; empty when all is well.
    std::vector<std::string> check(std::string_view bytes)
    {
        std::vector<std::string> problems;
        if (!writeLog(bytes)) {
            problems.push_back("the log could not be written");
            return problems;
        }
        const std::vector<std::string_view> lines = splitLogLines(bytes);
        const auto lineCount = static_cast<std::int64_t>(lines.size());

        // The press runs the layout test and the header scan; what they must find follows
        // from the lines alone, and the run's entries count shows the header count used.
        const LogLayout layout = detectLayout(lines.empty() ? std::string_view() : lines.front());
        const std::int64_t headCount =
            layout == LogLayout::WindowsXp ? expectedHeaderCount(lines) : 0;

        // The extraction skips all header lines but the last; every later line is read.
        const std::int64_t skipped = std::min(lineCount, std::max<std::int64_t>(headCount - 1, 0));
        const std::int64_t loopLines = lineCount - skipped;
        std::int64_t closedEvents = 1;  // the last event is always closed
        for (std::int64_t i = skipped + 1; i < lineCount; ++i) {
            const std::string_view text = lines[static_cast<std::size_t>(i)];
            if (!text.empty() && text.front() == '[') {
                ++closedEvents;
            }
        }

        std::string fullOutput;
        for (const ExtractionType type :
             {ExtractionType::Full, ExtractionType::Summary, ExtractionType::RuleBased}) {
            Extraction run = extract(type);
            const std::string what = std::string(typeName(type)) + ": ";
            if (!run.error.empty()) {
                problems.push_back(what + run.error);
                continue;
            }
            if ((layout == LogLayout::Unknown) != (run.press == PressOutcome::NotSetupApi)) {
                problems.push_back(what + "the layout test and the press disagree");
            }
            if (run.press != PressOutcome::Ran && run.press != PressOutcome::NotSetupApi) {
                problems.push_back(what + "the press was refused: " + run.lastBox);
                continue;
            }
            if (run.result.outcome != RunOutcome::Completed) {
                problems.push_back(what + "the run did not complete: " + run.result.reason);
            }
            if (run.lastBox != "Extraction complete.") {
                problems.push_back(what + "last box \"" + run.lastBox + "\"");
            }
            if (run.result.entries != loopLines) {
                problems.push_back(what + std::to_string(run.result.entries) +
                                   " entries, expected " + std::to_string(loopLines));
            }
            const std::int64_t rows = rowCount(run.output);
            if (rows < 0) {
                problems.push_back(what + "a row does not end in CR LF");
            } else if (type == ExtractionType::Full && rows != 2 + loopLines) {
                problems.push_back(what + std::to_string(rows) + " rows, expected " +
                                   std::to_string(2 + loopLines));
            } else if (type == ExtractionType::Summary && rows != 1 + closedEvents) {
                problems.push_back(what + std::to_string(rows) + " rows, expected " +
                                   std::to_string(1 + closedEvents));
            } else if (type == ExtractionType::RuleBased && (rows < 1 || rows > 1 + closedEvents)) {
                problems.push_back(what + std::to_string(rows) + " rows, expected 1 to " +
                                   std::to_string(1 + closedEvents));
            }
            if (type == ExtractionType::Full) {
                fullOutput = std::move(run.output);
            }
        }

        // A line is a line whichever line end closes it. Where one form is the log as it
        // stands, its Full output is the one above.
        if (bytes.find('\n') != std::string_view::npos) {
            const std::string lf = withLfEnds(bytes);
            const std::string crlf = withCrLfEnds(lf);
            std::string lfOutput;
            std::string crlfOutput;
            if (!outputOf(lf, bytes, fullOutput, lfOutput)) {
                problems.push_back("the LF form could not be extracted");
            } else if (!outputOf(crlf, bytes, fullOutput, crlfOutput)) {
                problems.push_back("the CR LF form could not be extracted");
            } else if (lfOutput != crlfOutput) {
                problems.push_back("Full output differs between LF and CR LF line ends at byte " +
                                   std::to_string(firstDifference(lfOutput, crlfOutput)));
            }
        }
        return problems;
    }

private:
    struct Extraction {
        PressOutcome press = PressOutcome::Refused;
        RunResult result;
        std::string lastBox;
        std::string output;
        std::string error;  // the probe itself failed
    };

    bool writeLog(std::string_view bytes)
    {
        std::ofstream out(m_logPath, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.close();
        return !out.fail();
    }

    std::FILE* openOutput()
    {
#ifdef _WIN32
        return _wfopen(m_outputPath.c_str(), L"w+b");
#else
        return std::fopen(m_outputPath.c_str(), "w+b");
#endif
    }

    static bool readBack(std::FILE* file, std::string& into)
    {
        into.clear();
        if (std::fflush(file) != 0 || std::fseek(file, 0, SEEK_SET) != 0) {
            return false;
        }
        std::array<char, 65536> block;
        std::size_t got = 0;
        while ((got = std::fread(block.data(), 1, block.size(), file)) > 0) {
            into.append(block.data(), got);
        }
        return std::ferror(file) == 0;
    }

    // Presses Start with the type selected and the rows sent to the capture file; a log
    // the layout test refuses is run directly, as for a fragment cut out of a log.
    Extraction extract(ExtractionType type)
    {
        Extraction run;
        NullWindowOps ops;
        ops.type = type;
        ops.open = m_logPathUtf8;
        MemorySettingsStore store = m_store;
        std::FILE* out = openOutput();
        if (out == nullptr) {
            run.error = "the output could not be opened";
            return run;
        }
        PressOptions pressOptions;
        pressOptions.outputStream = out;
        const PressResult press = cmdCommand_Click(ops, store, pressOptions);
        run.press = press.outcome;
        run.result = press.run;
        if (press.outcome == PressOutcome::NotSetupApi) {
            RunOptions runOptions;
            runOptions.outputStream = out;
            run.result = ProcessSetupApi(ops, store, "?", "fragment", 0, runOptions);
        }
        run.lastBox = ops.lastBox;
        if (!readBack(out, run.output)) {
            run.error = "the output could not be read back";
        }
        std::fclose(out);
        return run;
    }

    // The Full output of `form`: the one already made when it is the log as written,
    // otherwise a new run.
    bool outputOf(const std::string& form, std::string_view written,
                  const std::string& writtenOutput, std::string& into)
    {
        if (form == written) {
            into = writtenOutput;
            return true;
        }
        if (!writeLog(form)) {
            return false;
        }
        Extraction run = extract(ExtractionType::Full);
        into = std::move(run.output);
        return run.error.empty();
    }

    // Rows of the output, or -1 when an LF ends a row without a CR before it. Field values
    // never hold an LF, so every LF ends a row.
    static std::int64_t rowCount(std::string_view output)
    {
        std::int64_t rows = 0;
        for (std::size_t i = 0; i < output.size(); ++i) {
            if (output[i] == '\n') {
                if (i == 0 || output[i - 1] != '\r') {
                    return -1;
                }
                ++rows;
            }
        }
        if (!output.empty() && output.back() != '\n') {
            return -1;
        }
        return rows;
    }

    static std::size_t firstDifference(std::string_view a, std::string_view b)
    {
        const auto mismatch = std::mismatch(a.begin(), a.end(), b.begin(), b.end());
        return static_cast<std::size_t>(mismatch.first - a.begin());
    }

    std::filesystem::path m_logPath;
    std::filesystem::path m_outputPath;
    std::string m_logPathUtf8;
    MemorySettingsStore m_store;
};

}  // namespace tillery::fuzz
