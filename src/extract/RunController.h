#pragma once

#include "extract/LogReader.h"

#include <cstdio>
#include <string>

namespace tillery {

class MainWindowOps;
class SettingsStore;

enum class PressOutcome {
    Refused,      // a check stopped the press; nothing ran
    NotSetupApi,  // the log is of neither layout ("File is not a setupapi.log file.")
    Ran,          // the extraction ran; see `run` for how it ended
    ProgramEnds,  // an old output file could not be deleted: the program must end now
};

struct PressResult {
    PressOutcome outcome = PressOutcome::Refused;
    std::string message;  // the box text of a refusal
    RunResult run;
    // The log's size or modification time at the end of the run differs from the start
    // of the press: the table may not match the log.
    bool logChanged = false;
};

struct PressOptions {
    // When either is set, the rows go to this stream or sink: the output path is neither
    // derived, checked nor deleted. The sink wins over the stream.
    std::FILE* outputStream = nullptr;
    RecordSink* sink = nullptr;
    // The paths are used exactly as given, not trimmed (a shell hands over exact names).
    bool exactPaths = false;
};

// A press of Start: trims and checks both paths, stores "Open", "Save" and "Summary",
// deletes an old output file after telling the user, tells the layout of the log (Windows
// XP, Windows 2000, Vista and later) from its first line, reads its header block and runs
// the extraction. A log that cannot be opened, or whose first lines cannot be held in
// memory, is refused with the system's reason.
PressResult cmdCommand_Click(MainWindowOps& ops, SettingsStore& store,
                             const PressOptions& options = {});

}  // namespace tillery
