#pragma once

#include "extract/RecordSink.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tillery {

// The layout the first line of the file at the path announces, tested as a run tests it
// (a bounded part of the line in memory). Empty optional for a file of no layout, and for
// one that cannot be read.
std::optional<Layout> layoutOfLog(const std::string& utf8Path);

struct FoundLog {
    std::string path;  // as found: the given path, or the folder's path joined with names
    std::optional<Layout> layout;  // empty: the file cannot be opened; the run says why
};

struct InputWalk {
    std::vector<FoundLog> logs;         // in argument order; a folder's logs sorted by path
    std::vector<std::string> skipped;   // one line each, for the error stream
    std::vector<std::string> errors;    // any of these ends the run before it starts
};

// Finds the logs among the given paths. A file is taken when its first line names a
// layout, or when it cannot be opened at all (its run then fails and says why); a folder is walked recursively and every ordinary file in it is tested by its
// content, never by its name. Within a folder, symbolic links are never followed: one
// that leads out of the folder is reported as skipped; what one inside it points to is
// read where it lies. Fifos, devices and other special files are never opened. A file
// reached twice is read once. The output file is never taken as input, however it is
// spelled.
// Errors: a path that does not exist, a given file that is no log or is the output file,
// a folder holding no log at all.
InputWalk walkInputs(const std::vector<std::string>& paths, const std::string& outputPath);

}  // namespace tillery
