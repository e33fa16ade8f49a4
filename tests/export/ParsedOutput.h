#pragma once

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

namespace tillery::test {

// CSV bytes read back by Python's csv module in strict mode (a malformed field is an
// error), as UTF-8 strictly decoded: rows of fields. A failure fails the calling test.
std::vector<std::vector<std::string>> readCsv(const std::string& bytes);

// JSON Lines bytes, every line parsed by nlohmann::json.
std::vector<nlohmann::json> readJsonLines(const std::string& bytes);

}  // namespace tillery::test
