// The timeline fuzz target's checks: its CSV reader, and every log it starts from (the
// logs in tests/data, the real logs, awkward hand-made ones and saved findings) read
// through it.

#include "../fuzz/TimelineProbe.h"

#include "support/RealLogs.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

using namespace std::string_literals;

namespace tillery::test {
namespace {

namespace fs = std::filesystem;

TEST(TimelineProbeTest, CsvReaderTakesRfc4180AndRejectsTheRest)
{
    using Records = std::vector<std::vector<std::string>>;
    const std::pair<std::string, std::optional<Records>> cases[] = {
        {"a,b\r\n", Records{{"a", "b"}}},
        {"\"a,\"\"b\"\"\",\r\n,\"\"\r\n", Records{{"a,\"b\"", ""}, {"", ""}}},
        {"\"x\r\ny\"\r\n", Records{{"x\r\ny"}}},
        {"a,b", std::nullopt},           // not ended
        {"a\"b\r\n", std::nullopt},      // a quote in an unquoted field
        {"\"a\"b\r\n", std::nullopt},    // text after the closing quote
        {"\"a\r\n", std::nullopt},       // a quoted field left open
        {"a\nb\r\n", std::nullopt},      // a bare LF
        {"a\rb\r\n", std::nullopt},      // a bare CR
    };
    for (const auto& [text, records] : cases) {
        EXPECT_EQ(fuzz::parseCsv(text), records) << testing::PrintToString(text);
    }
}

TEST(TimelineProbeTest, SeedsRealLogsAndAwkwardLogsGiveWellFormedTimelines)
{
    TempDir dir;
    std::vector<std::pair<std::string, std::string>> logs;  // name, bytes
    for (const std::string& bytes :
         {""s, "\"\r\n"s, "[SetupAPI Log]\r\n\xff\xfe\x01,\"\r\n"s,
          "[2006/04/12 14:22:07 1.1 Driver Install]\r\n#I022 \"a,\"\"b\" \"\x81\x7f\t\"\r\n"
          "#I121 \"USBSTOR\\Disk&Ven_\xe4&Prod_\\1&0\" SIGNATURE1OFFSET7E00LENGTH12\r\n"s,
          "[Device Install Log]\r\n>>>  [Device Install (Hardware initiated) - SWD\\_??_\xc3]\r\n"
          ">>>  Section start 2016/11/22 23:50:30.015\r\n     dvi: {\"\r\n<<<  [Exit status: x]\r\n"s}) {
        logs.emplace_back("awkward " + std::to_string(logs.size()), bytes);
    }
    std::vector<fs::path> files;
    for (const char* folder : {"xp", "w2k", "vista"}) {
        const auto real = realLogs(folder);
        files.insert(files.end(), real.begin(), real.end());
    }
    std::error_code error;
    for (const fs::path& folder : {fs::path(TILLERY_TEST_DATA), fs::path(TILLERY_TEST_DATA) /
                                                                    "fuzz-regressions" / "timeline"}) {
        for (const auto& entry : fs::directory_iterator(folder, error)) {
            if (entry.is_regular_file() && !entry.path().filename().string().starts_with("README") &&
                (entry.path().extension() == ".log" || folder.filename() == "timeline")) {
                files.push_back(entry.path());
            }
        }
    }
    for (const fs::path& file : files) {
        logs.emplace_back(file.string(), readFile(file.string()));
    }
    for (const auto& [name, bytes] : logs) {
        SCOPED_TRACE(name);
        const std::string path = dir.file("probe.log");
        writeFile(path, bytes);
        for (const std::string& problem : fuzz::TimelineProbe(path).check()) {
            ADD_FAILURE() << problem;
        }
    }
}

}  // namespace
}  // namespace tillery::test
