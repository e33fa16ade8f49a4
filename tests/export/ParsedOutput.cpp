#include "ParsedOutput.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

namespace tillery::test {

namespace {

constexpr const char* kCsvToJson = R"(
import csv, json, sys
with open(sys.argv[1], encoding="utf-8", errors="strict", newline="") as f:
    rows = list(csv.reader(f, strict=True))
with open(sys.argv[2], "w", encoding="utf-8") as out:
    json.dump(rows, out)
)";

}  // namespace

std::vector<std::vector<std::string>> readCsv(const std::string& bytes)
{
    TempDir dir;
    writeFile(dir.file("reader.py"), kCsvToJson);
    writeFile(dir.file("in.csv"), bytes);
    const std::string command = std::string("\"") + TILLERY_PYTHON + "\" \"" + dir.file("reader.py") +
                                "\" \"" + dir.file("in.csv") + "\" \"" + dir.file("out.json") + "\"";
    const int status = std::system(command.c_str());
    EXPECT_EQ(status, 0) << "Python's csv reader refused the output";
    if (status != 0) {
        return {};
    }
    return nlohmann::json::parse(readFile(dir.file("out.json")))
        .get<std::vector<std::vector<std::string>>>();
}

std::vector<nlohmann::json> readJsonLines(const std::string& bytes)
{
    std::vector<nlohmann::json> rows;
    std::istringstream in(bytes);
    std::string line;
    while (std::getline(in, line)) {
        try {
            rows.push_back(nlohmann::json::parse(line));
        } catch (const nlohmann::json::exception& error) {
            ADD_FAILURE() << error.what() << " in: " << line;
        }
    }
    return rows;
}

}  // namespace tillery::test
