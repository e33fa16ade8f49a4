// Pins the output of every real log in every extraction type: row count and a 64-bit
// FNV-1a digest of the bytes, against tests/data/real_log_digests.txt. A change of output
// shows up here and has to be explained in review; to accept it, run the test with
// TILLERY_UPDATE_DIGESTS=1, which rewrites the table.

#include "core/DefaultRules.h"
#include "support/RealLogs.h"
#include "support/RunFixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

namespace tillery::test {
namespace {

namespace fs = std::filesystem;

const fs::path kTablePath = fs::path(TILLERY_TEST_DATA) / "real_log_digests.txt";

std::uint64_t fnv1a64(std::string_view bytes)
{
    std::uint64_t hash = 0xcbf29ce484222325ULL;
    for (const char c : bytes) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 0x100000001b3ULL;
    }
    return hash;
}

std::string hex64(std::uint64_t value)
{
    static const char digits[] = "0123456789abcdef";
    std::string text(16, '0');
    for (int i = 15; i >= 0; --i) {
        text[static_cast<std::size_t>(i)] = digits[value & 0xF];
        value >>= 4;
    }
    return text;
}

struct Outcome {
    std::size_t rows = 0;
    std::string digest;
    bool operator==(const Outcome&) const = default;
};

// Key: "<folder>/<file name>" and the type's name.
using Table = std::map<std::tuple<std::string, std::string>, Outcome>;

const char* typeKey(ExtractionType type)
{
    switch (type) {
    case ExtractionType::Full:
        return "full";
    case ExtractionType::Summary:
        return "summary";
    case ExtractionType::RuleBased:
        return "rules";
    case ExtractionType::None:
        break;
    }
    return "none";
}

Table readTable()
{
    Table table;
    std::ifstream in(kTablePath);
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line.front() == '#') {
            continue;
        }
        std::istringstream fields(line);
        std::string file;
        std::string type;
        Outcome outcome;
        if (std::getline(fields, file, '\t') && std::getline(fields, type, '\t') &&
            (fields >> outcome.rows >> outcome.digest)) {
            table[{file, type}] = outcome;
        } else {
            ADD_FAILURE() << "unreadable line in " << kTablePath.string() << ": " << line;
        }
    }
    return table;
}

void writeTable(const Table& table)
{
    std::ofstream out(kTablePath, std::ios::binary | std::ios::trunc);
    out << "# Output of the real logs beside the project, with the default rule set.\n"
           "# file\ttype\trows\tFNV-1a 64 of the output bytes\n"
           "# Rewritten by running the test with TILLERY_UPDATE_DIGESTS=1.\n";
    for (const auto& [key, outcome] : table) {
        out << std::get<0>(key) << '\t' << std::get<1>(key) << '\t' << outcome.rows << '\t'
            << outcome.digest << '\n';
    }
    ASSERT_TRUE(out.good()) << "cannot write " << kTablePath.string();
}

// One press of Start on a copy of the log; carved fragments, which the layout test
// refuses, are run directly as the engine would read them.
Outcome extract(const fs::path& log, ExtractionType type)
{
    RunFixture f(type);
    ResetRegistry(f.store);
    fs::copy_file(log, f.logPath);
    const PressResult press = f.press();
    RunResult run = press.run;
    if (press.outcome == PressOutcome::NotSetupApi) {
        run = f.run("?", "fragment", 0);
    } else {
        EXPECT_EQ(press.outcome, PressOutcome::Ran);
    }
    EXPECT_EQ(run.outcome, RunOutcome::Completed) << run.reason;
    const std::string output = f.output();
    return {splitRows(output).size(), hex64(fnv1a64(output))};
}

TEST(RealLogDigestTest, DigestIsFnv1a64)
{
    // The published test vectors of the 64-bit FNV-1a hash.
    EXPECT_EQ(hex64(fnv1a64("")), "cbf29ce484222325");
    EXPECT_EQ(hex64(fnv1a64("a")), "af63dc4c8601ec8c");
    EXPECT_EQ(hex64(fnv1a64("foobar")), "85944171f73967e8");
}

TEST(RealLogDigestTest, EveryRealLogGivesThePinnedOutput)
{
    std::vector<std::pair<std::string, fs::path>> logs;
    for (const char* folder : {"xp", "w2k", "vista"}) {
        for (const fs::path& log : realLogs(folder)) {
            logs.emplace_back(std::string(folder) + "/" + log.filename().string(), log);
        }
    }
    if (logs.empty()) {
        GTEST_SKIP() << "no real logs beside the project";
    }

    Table actual;
    for (const auto& [name, log] : logs) {
        for (const ExtractionType type :
             {ExtractionType::Full, ExtractionType::Summary, ExtractionType::RuleBased}) {
            SCOPED_TRACE(name + " " + typeKey(type));
            actual[{name, typeKey(type)}] = extract(log, type);
        }
    }

    const char* update = std::getenv("TILLERY_UPDATE_DIGESTS");
    if (update != nullptr && std::string(update) == "1") {
        writeTable(actual);
        std::cout << "rewrote " << kTablePath.string() << " (" << actual.size() << " entries)\n";
        return;
    }

    const Table expected = readTable();
    ASSERT_FALSE(expected.empty()) << "no digests in " << kTablePath.string()
                                   << "; run with TILLERY_UPDATE_DIGESTS=1 to make them";
    for (const auto& [key, outcome] : actual) {
        const auto& [file, type] = key;
        const auto found = expected.find(key);
        if (found == expected.end()) {
            ADD_FAILURE() << file << " " << type << ": not in the table (" << outcome.rows
                          << " rows, " << outcome.digest << ")";
            continue;
        }
        EXPECT_EQ(outcome.rows, found->second.rows) << file << " " << type << ": row count";
        EXPECT_EQ(outcome.digest, found->second.digest) << file << " " << type << ": output bytes";
    }
    for (const auto& [key, outcome] : expected) {
        EXPECT_TRUE(actual.count(key)) << std::get<0>(key) << " " << std::get<1>(key)
                                       << ": in the table but no such log beside the project";
    }
}

}  // namespace
}  // namespace tillery::test
