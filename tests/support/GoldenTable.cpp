#include "support/GoldenTable.h"

#include "support/TempDir.h"

namespace tillery::test {

std::string goldenTable(const std::string& fileName)
{
    std::string table;
    for (const char c : readFile(std::string(TILLERY_TEST_DATA) + "/" + fileName)) {
        if (c == '\n') {
            table += '\r';
        }
        table += c;
    }
    return table;
}

}  // namespace tillery::test
