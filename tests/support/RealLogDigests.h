#pragma once

#include <cstddef>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tillery::test {

// The output of one real log in one extraction type, with the default rule set: its row
// count and the 64-bit FNV-1a digest of its bytes. A change detector: the values were
// taken from the program itself, so they say that the output changed, not that it is right.
struct LogDigest {
    std::string file;    // "<folder>/<file name>"
    std::string type;    // "full", "summary" or "rules"
    std::size_t rows = 0;
    std::string digest;  // 16 hex digits
    std::string problem; // the run did not complete; empty when it did
};

std::string fnv1a64Hex(std::string_view bytes);

using DigestKey = std::pair<std::string, std::string>;  // file, type
// The pinned table (tests/data/real_log_digests.txt); an unreadable line fails the test.
std::map<DigestKey, LogDigest> readDigestTable(const std::filesystem::path& table);

// Every real log beside the project, in every type: one press of
// Start each; carved fragments, which the layout test refuses, are run directly.
std::vector<LogDigest> realLogDigests();

// The text of tests/data/real_log_digests.txt for these digests.
std::string digestTableText(const std::vector<LogDigest>& digests);

}  // namespace tillery::test
