#pragma once

#include <string>

namespace tillery::test {

// A hand-written table of tests/data (one row a line, LF ends) as the program writes it:
// every row ending in CR LF.
std::string goldenTable(const std::string& fileName);

}  // namespace tillery::test
