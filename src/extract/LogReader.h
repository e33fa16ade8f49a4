#pragma once

#include "extract/Layout.h"

#include <cstdint>
#include <cstdio>
#include <string>

namespace tillery {

class MainWindowOps;
class RecordSink;
class SettingsStore;

enum class RunOutcome {
    Completed,  // "Extraction complete." was shown
    Failed,     // the error path ran: "Error occurred while processing file."
    Stopped,    // the program is ending ("Close" during the run); files closed, no box
};

struct RunResult {
    RunOutcome outcome = RunOutcome::Completed;
    std::string reason;  // why the run failed, for front ends that can say more
    std::int64_t events = 0;   // section header lines read
    std::int64_t entries = 0;  // lines read in the extraction pass
    std::int64_t closed = 0;   // events closed: each one a Summary row
    std::int64_t rows = 0;     // lines of the table written, the column line included
};

struct RunOptions {
    // When set, rows go to this stream instead of the file named in the output path box.
    std::FILE* outputStream = nullptr;
    // When set, every row goes to this sink as a record with its place in the log, and
    // no output file is opened at all (the stream is not used either).
    RecordSink* sink = nullptr;
};

// The extraction run: counts the log's lines, then reads it line by line, assembles line
// and event records by the rules of the layout and writes the rows of the selected
// extraction type to the output file (appending). Takes the paths and the extraction
// type from the window, reports through it, and closes both files on every way out.
// `iHeadCount` is the header block's line count as the controller found it.
RunResult ProcessSetupApi(MainWindowOps& ops, const SettingsStore& store,
                          const std::string& strHeadDate, const std::string& strHeader,
                          std::int64_t iHeadCount, Layout layout, const RunOptions& options = {});

}  // namespace tillery
