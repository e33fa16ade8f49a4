#include "support/RealLogs.h"

#include <algorithm>

namespace tillery::test {

std::vector<std::filesystem::path> realLogs(std::string_view folder)
{
    std::vector<std::filesystem::path> logs;
    std::error_code error;
    for (const auto& entry :
         std::filesystem::directory_iterator(std::filesystem::path(TILLERY_REAL_LOGS) / folder, error)) {
        if (entry.is_regular_file() && entry.path().extension() == ".log") {
            logs.push_back(entry.path());
        }
    }
    std::sort(logs.begin(), logs.end());
    return logs;
}

}  // namespace tillery::test
