#pragma once

// Runs arbitrary bytes as a log through a press of Start (layout test, header scan) and a
// whole extraction of each type, and checks what must hold for every log of any layout
// the engine reads. Shared by the fuzz target and the test that replays saved inputs, so
// both take the same path.

#include "NullWindowOps.h"

#include "core/DefaultRules.h"
#include "core/MemorySettingsStore.h"
#include "extract/LogReader.h"
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

    // The settings every run starts from: the default rule set unless changed here.
    MemorySettingsStore& store() { return m_store; }

    // Everything that did not hold for these bytes; empty when all is well. The checks
    // need no second reading of the log: the run's own counts say what it read.
    std::vector<std::string> check(std::string_view bytes)
    {
        std::vector<std::string> problems;
        if (!writeLog(bytes)) {
            problems.push_back("the log could not be written");
            return problems;
        }
        std::array<Extraction, 3> runs;
        for (std::size_t i = 0; i < kTypes.size(); ++i) {
            runs[i] = extract(kTypes[i]);
            checkRun(kTypes[i], runs[i], problems);
        }
        // The same log, read three times, must be read alike.
        for (std::size_t i = 1; i < runs.size(); ++i) {
            if (runs[i].result.entries != runs[0].result.entries ||
                runs[i].result.closed != runs[0].result.closed) {
                problems.push_back(std::string(typeName(kTypes[i])) +
                                   ": entries or closed events differ from Full");
            }
        }

        // A line is a line whichever line end closes it: the LF and the CR LF forms of the
        // log give the same table in every type. A form that is the log as written reuses
        // the tables above.
        if (bytes.find('\n') != std::string_view::npos) {
            const std::string lf = withLfEnds(bytes);
            const std::string crlf = withCrLfEnds(lf);
            for (std::size_t i = 0; i < kTypes.size(); ++i) {
                std::string lfOutput;
                std::string crlfOutput;
                const std::string what = std::string(typeName(kTypes[i])) + ": ";
                if (!outputOf(lf, bytes, runs[i].output, kTypes[i], lfOutput) ||
                    !outputOf(crlf, bytes, runs[i].output, kTypes[i], crlfOutput)) {
                    problems.push_back(what + "a line-end form could not be extracted");
                } else if (lfOutput != crlfOutput) {
                    problems.push_back(what + "LF and CR LF line ends give tables that differ at byte " +
                                       std::to_string(firstDifference(lfOutput, crlfOutput)));
                }
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

    static constexpr std::array<ExtractionType, 3> kTypes = {
        ExtractionType::Full, ExtractionType::Summary, ExtractionType::RuleBased};

    // What must hold for one run whatever the log and its layout: it completes, every row
    // ends in CR LF, Full writes the column line, the header record and one row per line
    // the run read, Summary the column line and one row per event the run closed, and Rule
    // based the column line and at most that many rows.
    static void checkRun(ExtractionType type, const Extraction& run, std::vector<std::string>& problems)
    {
        const std::string what = std::string(typeName(type)) + ": ";
        if (!run.error.empty()) {
            problems.push_back(what + run.error);
            return;
        }
        if (run.press != PressOutcome::Ran && run.press != PressOutcome::NotSetupApi) {
            problems.push_back(what + "the press was refused: " + run.lastBox);
            return;
        }
        if (run.result.outcome != RunOutcome::Completed) {
            problems.push_back(what + "the run did not complete: " + run.result.reason);
        }
        if (run.lastBox != "Extraction complete.") {
            problems.push_back(what + "last box \"" + run.lastBox + "\"");
        }
        const std::int64_t rows = rowCount(run.output);
        const std::int64_t entries = run.result.entries;
        const std::int64_t closed = run.result.closed;
        const auto expectRows = [&](std::int64_t low, std::int64_t high) {
            if (rows < low || rows > high) {
                problems.push_back(what + std::to_string(rows) + " rows, expected " +
                                   std::to_string(low) +
                                   (low == high ? std::string() : " to " + std::to_string(high)) +
                                   " (" + std::to_string(entries) + " entries, " +
                                   std::to_string(closed) + " closed events)");
            }
        };
        if (rows < 0) {
            problems.push_back(what + "a row does not end in CR LF");
        } else if (type == ExtractionType::Full) {
            expectRows(2 + entries, 2 + entries);
        } else if (type == ExtractionType::Summary) {
            expectRows(1 + closed, 1 + closed);
        } else {
            expectRows(1, 1 + closed);
        }
    }

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
            run.result = ProcessSetupApi(ops, store, "?", "fragment", 0, Layout::WindowsXp, runOptions);
        }
        run.lastBox = ops.lastBox;
        if (!readBack(out, run.output)) {
            run.error = "the output could not be read back";
        }
        std::fclose(out);
        return run;
    }

    // The table of `form` in `type`: the one already made when it is the log as written,
    // otherwise a new run.
    bool outputOf(const std::string& form, std::string_view written,
                  const std::string& writtenOutput, ExtractionType type, std::string& into)
    {
        if (form == written) {
            into = writtenOutput;
            return true;
        }
        if (!writeLog(form)) {
            return false;
        }
        Extraction run = extract(type);
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
