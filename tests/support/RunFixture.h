#pragma once

#include "core/MemorySettingsStore.h"
#include "extract/LogReader.h"
#include "extract/RunController.h"
#include "support/CheckedVector.h"
#include "support/FakeWindowOps.h"
#include "support/TempDir.h"

#include <string>
#include <vector>

namespace tillery::test {

// A log, an output path and a window in a temporary folder, for whole runs.
struct RunFixture {
    TempDir dir;
    FakeWindowOps ops;
    MemorySettingsStore store;
    std::string logPath = dir.file("setupapi.log");
    std::string outputPath = dir.file("setupapi.log.xls");

    explicit RunFixture(ExtractionType type = ExtractionType::Summary)
    {
        ops.type = type;
        ops.open = logPath;
        ops.save = outputPath;
    }

    void writeLog(std::string_view bytes) { writeFile(logPath, bytes); }
    std::string output() const { return readFile(outputPath); }
    // The output's rows without their CR LF ends.
    CheckedVector<std::string> rows() const;

    // Runs the Windows XP and 2000 extraction directly with the given head values, without
    // the layout test (as for carved fragments).
    RunResult run(const std::string& headDate, const std::string& header, std::int64_t headCount)
    {
        return ProcessSetupApi(ops, store, headDate, header, headCount, Layout::WindowsXp);
    }
    // Presses Start.
    PressResult press() { return cmdCommand_Click(ops, store); }
    // Presses Start with the default rule set, expecting a completed run; the output's
    // rows split into their columns.
    std::vector<std::vector<std::string>> pressWithDefaultRules();
};

// Splits rows at CR LF; a row is the text between two line ends.
CheckedVector<std::string> splitRows(const std::string& bytes);
// The TAB-separated columns of one row.
CheckedVector<std::string> columns(const std::string& row);

}  // namespace tillery::test
