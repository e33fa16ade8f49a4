#include "support/RealLogDigests.h"

#include "core/DefaultRules.h"
#include "support/RealLogs.h"
#include "support/RunFixture.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace tillery::test {

namespace fs = std::filesystem;

std::string fnv1a64Hex(std::string_view bytes)
{
    std::uint64_t hash = 0xcbf29ce484222325ULL;
    for (const char c : bytes) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 0x100000001b3ULL;
    }
    static const char digits[] = "0123456789abcdef";
    std::string text(16, '0');
    for (int i = 15; i >= 0; --i) {
        text[static_cast<std::size_t>(i)] = digits[hash & 0xF];
        hash >>= 4;
    }
    return text;
}

std::vector<LogDigest> realLogDigests()
{
    static const std::pair<ExtractionType, const char*> kTypes[] = {
        {ExtractionType::Full, "full"},
        {ExtractionType::RuleBased, "rules"},
        {ExtractionType::Summary, "summary"}};
    std::vector<LogDigest> digests;
    for (const char* folder : {"vista", "w2k", "xp"}) {
        for (const fs::path& log : realLogs(folder)) {
            for (const auto& [type, typeName] : kTypes) {
                RunFixture f(type);
                ResetRegistry(f.store);
                fs::copy_file(log, f.logPath);
                const PressResult press = f.press();
                const RunResult run = press.outcome == PressOutcome::NotSetupApi
                                          ? f.run("?", "fragment", 0)
                                          : press.run;
                LogDigest d;
                d.file = std::string(folder) + "/" + log.filename().string();
                d.type = typeName;
                const std::string output = f.output();
                d.rows = splitRows(output).size();
                d.digest = fnv1a64Hex(output);
                if (press.outcome == PressOutcome::Refused || run.outcome != RunOutcome::Completed) {
                    d.problem = "the run did not complete: " + press.message + run.reason;
                }
                digests.push_back(std::move(d));
            }
        }
    }
    return digests;
}

std::map<DigestKey, LogDigest> readDigestTable(const fs::path& table)
{
    std::map<DigestKey, LogDigest> digests;
    std::ifstream in(table);
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line.front() == '#') {
            continue;
        }
        std::istringstream fields(line);
        LogDigest d;
        if (std::getline(fields, d.file, '\t') && std::getline(fields, d.type, '\t') &&
            (fields >> d.rows >> d.digest)) {
            digests[{d.file, d.type}] = d;
        } else {
            ADD_FAILURE() << "unreadable line in " << table.string() << ": " << line;
        }
    }
    return digests;
}

std::string digestTableText(const std::vector<LogDigest>& digests)
{
    std::string text =
        "# Output of the real logs beside the project, with the default rule set: a change\n"
        "# detector, taken from the program itself. Remade by scripts/update_digests.sh.\n"
        "# file\ttype\trows\tFNV-1a 64 of the output bytes\n";
    for (const LogDigest& d : digests) {
        text += d.file + "\t" + d.type + "\t" + std::to_string(d.rows) + "\t" + d.digest + "\n";
    }
    return text;
}

}  // namespace tillery::test
