#pragma once

#include "app/CliOptions.h"
#include "app/CliWindowOps.h"
#include "core/MemorySettingsStore.h"
#include "export/InputWalk.h"

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace tillery::cli {

// The run of one log into the ".xls" table, as the command line runs a single LOG.
using SingleLogRun = std::function<int(const std::string& logPath)>;

// A run over the logs found in the inputs (files and folders), each read on a worker
// thread, their rows written in input order: a CSV or JSON Lines timeline, the device
// table, or one ".xls" per log into the folder -o names. A walk that finds one log whose
// ".xls" goes to a file is handed to `single`. Checks everything before anything is
// written. Returns the exit code.
int runCollection(const CliOptions& options, const MemorySettingsStore& settings, std::FILE* out,
                  CliWindowOps& ops, const SingleLogRun& single);

// The ".xls" files of the logs in `folder`: each log's file name followed by ".xls"; a
// name an earlier log already has (letter case ignored) gets "-2", "-3", ... before the
// ".xls", in input order.
std::vector<std::string> tableNamesInFolder(const std::string& folder,
                                            const std::vector<FoundLog>& logs);

}  // namespace tillery::cli
