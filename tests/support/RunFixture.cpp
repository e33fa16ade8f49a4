#include "support/RunFixture.h"

#include "core/DefaultRules.h"

#include <gtest/gtest.h>

namespace tillery::test {

CheckedVector<std::string> RunFixture::rows() const
{
    return splitRows(output());
}

std::vector<std::vector<std::string>> RunFixture::pressWithDefaultRules()
{
    ResetRegistry(store);
    const PressResult result = press();
    EXPECT_EQ(result.outcome, PressOutcome::Ran);
    EXPECT_EQ(result.run.outcome, RunOutcome::Completed) << result.run.reason;
    std::vector<std::vector<std::string>> table;
    for (const std::string& row : rows()) {
        table.push_back(columns(row));
    }
    return table;
}

CheckedVector<std::string> splitRows(const std::string& bytes)
{
    CheckedVector<std::string> rows;
    std::size_t start = 0;
    while (start < bytes.size()) {
        const auto end = bytes.find("\r\n", start);
        if (end == std::string::npos) {
            rows.push_back(bytes.substr(start) + "<no line end>");
            break;
        }
        rows.push_back(bytes.substr(start, end - start));
        start = end + 2;
    }
    return rows;
}

CheckedVector<std::string> columns(const std::string& row)
{
    CheckedVector<std::string> cols;
    std::size_t start = 0;
    for (;;) {
        const auto tab = row.find('\t', start);
        cols.push_back(row.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
        if (tab == std::string::npos) {
            return cols;
        }
        start = tab + 1;
    }
}

}  // namespace tillery::test
