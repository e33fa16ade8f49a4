#pragma once

#include <filesystem>
#include <string_view>
#include <vector>

namespace tillery::test {

// The ".log" files of one folder of the real logs kept beside the project (TILLERY_REAL_LOGS),
// sorted by name; none when the folder is absent, as in a bare checkout.
std::vector<std::filesystem::path> realLogs(std::string_view folder);

}  // namespace tillery::test
