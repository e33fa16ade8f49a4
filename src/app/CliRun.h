#pragma once

#include "core/MemorySettingsStore.h"

#include <cstdio>

namespace tillery::cli {

// What a run reads of a settings store, copied into memory: the eleven "ShowFields" keys,
// "TidyDevice", "Count" and the members of rules 1 to Count, each only when it is stored.
// When "Count" is absent the copy gets the default rule set, as a first start of the
// window does. The run's own writes (section "Settings") then stay in the copy, so the
// source is never written.
MemorySettingsStore copyRunSettings(const SettingsStore& source);

// The command line: `tillery-cli [OPTIONS] LOG` (see helpText()). The table goes to its
// file, or to `out` with "-o -"; help goes to `out`; progress, messages and errors go to
// `err`. Returns the exit code (CliOptions.h).
int runCli(int argc, char** argv, std::FILE* out, std::FILE* err);

}  // namespace tillery::cli
