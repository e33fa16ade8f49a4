#pragma once

#include "core/SettingsStore.h"
#include "extract/MainWindowOps.h"

#include <cstdio>
#include <string>
#include <string_view>

namespace tillery::cli {

// Checks of the command line that the window does not make, each before anything is
// deleted or written. Each returns the text to show, or empty when all is well.

// A log that exists but is no regular file, or cannot be opened for reading, with the
// system's reason. A path where nothing exists is left to the press ("not found").
std::string checkLogReadable(const std::string& logPath);

// Standard output that is the log itself, however it got there ("-o - LOG >> LOG").
std::string checkStandardOutputIsNotLog(std::FILE* out, const std::string& logPath);

// An output path that is a symbolic link to an existing file: replacing the output would
// delete the link (as with "-o /dev/stdout" while standard output is a file), not the file.
std::string checkOutputIsNoLink(const std::string& outputPath);

// Whether standard error is a file whose first line is that of a log: every message would
// be written into it, so the program ends at once, without a word.
bool standardErrorIsALog(std::FILE* err);

// The stored settings an extraction of this type reads: for rule-based extraction the
// rule count, and the field and select type of every rule from 1 to the count. A rule the
// engine cannot apply would never match, and a count that is no number fails the run
// after the old output was deleted.
std::string checkRunSettings(const SettingsStore& settings, ExtractionType type);

// The text with its control bytes written as "\x00" escapes, so that a message shows
// every byte of a path or value and stays on one line.
std::string escapeControls(std::string_view text);

}  // namespace tillery::cli
