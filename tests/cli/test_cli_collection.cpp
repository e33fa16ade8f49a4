// A case folder in one run: logs of the three layouts found by content, read on several
// threads, written in input order as one ".xls" per log, a CSV or JSON Lines timeline, or
// the device table. CSV is read back with Python's csv module, JSON Lines with
// nlohmann::json (tests/export/ParsedOutput.h).

#include "app/CliOptions.h"
#include "cli/CliHarness.h"
#include "export/ParsedOutput.h"
#include "export/Utf8Text.h"
#include "extract/Messages.h"
#include "support/CheckedVector.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>


namespace tillery {
namespace {

namespace fs = std::filesystem;
using test::CliResult;
using test::readFile;
using test::writeFile;

const std::string kRealVista = std::string(TILLERY_REAL_LOGS) + "/vista/log2timeline_plaso_setupapi.dev.log";
const std::string kRealW2k = std::string(TILLERY_REAL_LOGS) + "/w2k/Win2000DevCommunity_RemoteDesk2K_setupapi.log";
const std::string kRealVistaOther = std::string(TILLERY_REAL_LOGS) + "/vista/OUALI42_CyberSecu_setupapi.dev.log";

std::vector<std::string> split(const std::string& text, const std::string& separator)
{
    std::vector<std::string> parts;
    std::size_t begin = 0;
    for (std::size_t at = text.find(separator); at != std::string::npos;
         at = text.find(separator, begin)) {
        parts.push_back(text.substr(begin, at - begin));
        begin = at + separator.size();
    }
    parts.push_back(text.substr(begin));
    return parts;
}

// A case folder: XP, 2000 and Vista logs, a rotated copy, a file that is no log, a link
// to a log inside the folder (read once, where it lies) and one leading out (skipped).
class CliCollectionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!fs::exists(kRealVista) || !fs::exists(kRealW2k) || !fs::exists(kRealVistaOther)) {
            GTEST_SKIP() << "the real logs are not here";
        }
        fs::create_directories(root + "/Windows/inf");
        fs::create_directories(root + "/w2k");
        fs::create_directories(root + "/xp");
        fs::create_directories(dir.file("outside"));
        fs::copy_file(kRealVista, root + "/Windows/inf/setupapi.dev.log");
        fs::copy_file(kRealVistaOther, root + "/Windows/inf/setupapi.dev.20190523_101502.log");
        fs::copy_file(kRealW2k, root + "/w2k/setupapi.log");
        writeFile(root + "/xp/setupapi.log", readFile(test::kSampleLog));
        writeFile(root + "/notes.txt", "[notes]\r\n");
        writeFile(dir.file("outside/setupapi.log"), readFile(test::kSampleLog));
        fs::create_symlink(root + "/xp/setupapi.log", root + "/inside.log");
        fs::create_symlink(dir.file("outside/setupapi.log"), root + "/outside.log");
        writeFile(noRules, "");
    }

    CliResult run(std::vector<std::string> arguments)
    {
        arguments.insert(arguments.begin(), {"--settings", noRules});
        return test::runBinary(dir.path(), arguments);
    }

    test::TempDir dir;
    const std::string root = dir.file("case");
    const std::string noRules = dir.file("no-rules.ini");
    // The logs in the order of the walk: sorted by path.
    const std::vector<std::string> logs = {
        root + "/Windows/inf/setupapi.dev.20190523_101502.log",
        root + "/Windows/inf/setupapi.dev.log",
        root + "/w2k/setupapi.log",
        root + "/xp/setupapi.log",
    };
};

TEST_F(CliCollectionTest, EveryFormatHoldsTheFieldsOfTheXlsTablesInInputOrder)
{
    // One ".xls" per log, each the table of a run of that log alone; two logs named
    // setupapi.log get distinct names.
    fs::create_directory(dir.file("tables"));
    const CliResult tables = run({"--type", "full", "-o", "tables", root});
    ASSERT_EQ(tables.exitCode, 0) << tables.err;
    const std::vector<std::string> names = {"setupapi.dev.20190523_101502.log.xls",
                                            "setupapi.dev.log.xls", "setupapi.log.xls",
                                            "setupapi.log-2.xls"};
    const TextDecoder decoder = *TextDecoder::open("windows-1252");
    std::vector<std::vector<std::string>> expected;  // the ".xls" rows, decoded, with source
    std::vector<std::string> columns;
    for (std::size_t i = 0; i < logs.size(); ++i) {
        const CliResult alone = run({"--type", "full", "-o", "-", logs[i]});
        ASSERT_EQ(alone.exitCode, 0) << alone.err;
        const std::string table = readFile(dir.file("tables/" + names[i]));
        EXPECT_EQ(table, alone.out) << names[i];
        std::vector<std::string> rows = split(table, "\r\n");
        ASSERT_GE(rows.size(), 3u);
        columns = split(rows.front(), "\t");
        for (std::size_t r = 1; r + 1 < rows.size(); ++r) {
            std::vector<std::string> fields = split(decoder.toUtf8(rows[r]), "\t");
            fields.push_back(logs[i]);
            expected.push_back(fields);
        }
    }
    ASSERT_EQ(columns.size(), 11u);
    EXPECT_EQ(tables.err, "Skipped, symbolic link leads out of the folder: " + root + "/outside.log\n"
                          "Skipped, not a setupapi log: " + root + "/notes.txt\n"
                          "Logs read: 4 (failed: 0); files skipped: 2; rows written: " +
                          std::to_string(expected.size()) + ".\n");

    const CliResult csv = run({"--type", "full", "--format", "csv", "--jobs", "2", root});
    ASSERT_EQ(csv.exitCode, 0) << csv.err;
    const auto rows = test::readCsv(csv.out);
    ASSERT_EQ(rows.size(), expected.size() + 1);
    ASSERT_GE(rows[0].size(), 15u);
    EXPECT_EQ(std::vector<std::string>(rows[0].begin() + 3, rows[0].begin() + 14), columns);
    EXPECT_EQ(rows[0][14], "source");
    for (std::size_t r = 0; r < expected.size(); ++r) {
        ASSERT_EQ(rows[r + 1].size(), rows[0].size()) << r;
        std::vector<std::string> values(rows[r + 1].begin() + 3, rows[r + 1].begin() + 15);
        ASSERT_EQ(values, expected[r]) << "row " << r;
    }

    const CliResult jsonl = run({"--type", "full", "--format", "jsonl", "-j", "1", root});
    ASSERT_EQ(jsonl.exitCode, 0) << jsonl.err;
    const auto objects = test::readJsonLines(jsonl.out);
    ASSERT_EQ(objects.size(), expected.size());
    for (std::size_t r = 0; r < objects.size(); ++r) {
        for (std::size_t c = 0; c < rows[0].size(); ++c) {
            const nlohmann::json& value = objects[r][rows[0][c]];
            const std::string text = value.is_string() ? value.get<std::string>()
                                     : value.is_null() ? std::string() : value.dump();
            ASSERT_EQ(text, rows[r + 1][c]) << "row " << r << ", " << rows[0][c];
        }
    }
}

TEST_F(CliCollectionTest, TheDeviceTableOfTheRealLogsKeepsSerialsThatTheTidyDrops)
{
    const CliResult r = run({"--type", "devices", "--format", "csv", root});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const auto rows = test::readCsv(r.out);
    ASSERT_GE(rows.size(), 2u);
    std::map<std::string, std::vector<std::string>> bySerial;
    for (const auto& row : rows) {
        ASSERT_EQ(row.size(), 17u);
        bySerial[row[9]] = row;
    }
    // The stick of the Vista log, seen as a disk and as the portable-device node that
    // embeds it: one device, shown tidied, keyed and split on the identifier.
    const std::vector<std::string> stick = {
        "2016-11-22T23:50:30", "2016-11-22T23:50:30", "1", "WPD FileSystem Volume Driver",
        "USBSTOR DISK GENERIC PROD FLASH DISK", "USBSTOR", "Generic", "Flash_Disk", "8.07",
        "99E2116A&0", "true", "", "", logs[1], "10527", logs[1], "10527"};
    EXPECT_EQ(bySerial["99E2116A&0"], stick);
    // A port-named serial of the 2000 log, made up by Windows.
    ASSERT_EQ(bySerial["4&5FCAAFC&0&000"].size(), 17u);
    EXPECT_EQ(bySerial["4&5FCAAFC&0&000"][5], "SCSI");
    EXPECT_EQ(bySerial["4&5FCAAFC&0&000"][10], "false");
    EXPECT_EQ(bySerial["4&5FCAAFC&0&000"][13], logs[2]);
}

// The timeline and the device table, joined from the logs' own parts, are the same bytes
// with one thread as with several: more logs than threads, of unequal sizes.
TEST_F(CliCollectionTest, OneThreadAndSeveralWriteTheSameBytes)
{
    for (const char* type : {"full", "devices"}) {
        std::string first;
        for (const char* jobs : {"1", "2", "4"}) {
            const CliResult r = run({"--type", type, "--format", "csv", "--utc-offset", "+02:00",
                                     "-j", jobs, root, dir.file("outside")});
            ASSERT_EQ(r.exitCode, 0) << r.err;
            first = first.empty() ? r.out : first;
            EXPECT_EQ(r.out, first) << type << " --jobs " << jobs;
        }
    }
}

TEST_F(CliCollectionTest, TimesAcrossADaylightSavingChangeFollowTheStatedRule)
{
    std::string log = readFile(test::kSampleLog);
    for (const auto& [from, to] : std::vector<std::pair<std::string, std::string>>{
             {"2006/04/12 14:22:07", "2019/03/31 02:30:00"},    // skipped by the clock
             {"2006/04/12 14:22:09", "2019/10/27 02:30:00"},    // twice on the clock
             {"2006/04/13 09:10:31", "2019/07/01 12:00:00"}}) {  // summer time
        log.replace(log.find(from), from.size(), to);
    }
    writeFile(dir.file("dst.log"), log);
    const CliResult r = run({"--type", "summary", "--format", "jsonl", "--timezone", "Europe/Berlin", "dst.log"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err.find("local time"), std::string::npos) << "converted times are no local times";
    std::map<std::string, std::pair<std::string, std::string>> byLogTime;
    for (const auto& row : test::readJsonLines(r.out)) {
        byLogTime[row["Date Time"]] = {row["datetime"], row["time_note"]};
    }
    const std::map<std::string, std::pair<std::string, std::string>> expected = {
        {"2019/03/31 02:30:00", {"2019-03-31T01:30:00+00:00", "local time does not exist (clock moved forward); read with the offset before the change"}},
        {"2019/10/27 02:30:00", {"2019-10-27T00:30:00+00:00", "local time occurs twice (clock moved back); the earlier instant taken"}},
        {"2019/07/01 12:00:00", {"2019-07-01T10:00:00+00:00", ""}},
    };
    for (const auto& [logTime, converted] : expected) {
        EXPECT_EQ(byLogTime[logTime], converted) << logTime;
    }
}

TEST_F(CliCollectionTest, RefusalsWriteNothingAnywhere)
{
    writeFile(root + "/xp/setupapi.log.xls", readFile(test::kSampleLog));  // a log by content
    const auto listing = [&] {
        std::vector<std::string> names;
        for (const auto& entry : fs::recursive_directory_iterator(dir.path())) {
            const std::string name = entry.path().filename().string();
            if (entry.path().parent_path() == dir.path() && (name == "config" || name == "home")) {
                continue;  // the harness's per-user folders
            }
            names.push_back(entry.path().string() + ":" + std::to_string(
                entry.is_regular_file() ? fs::file_size(entry.path()) : 0));
        }
        std::sort(names.begin(), names.end());
        return names;
    };
    const auto before = listing();
    struct Case {
        std::vector<std::string> arguments;
        std::string err;  // the last line
    };
    const std::vector<Case> cases = {
        {{root}, std::string(cli::text::kXlsNeedsFolder)},
        {{"-o", "-", logs[0], logs[1]}, std::string(cli::text::kXlsNeedsFolder)},
        // A table for the XP log would replace another log of the case.
        {{"--force", "-o", root + "/xp", root}, root + "/xp/setupapi.log.xls" + std::string(cli::text::kOutputIsInput)},
        {{"--format", "csv", "-o", "case/w2k/../w2k/setupapi.log", logs[2]},
         "The output file cannot be an input: " + logs[2]},
        {{"--format", "csv", "-o", "no-rules.ini", root}, "no-rules.ini" + std::string(cli::text::kOutputExists)},
        {{"--format", "csv", root, dir.file("missing")}, "Not found: " + dir.file("missing")},
        {{"--timezone", "Mars/Olympus", root}, "Try 'tillery-cli --help' for more information."},
    };
    for (const Case& c : cases) {
        const CliResult r = run(c.arguments);
        EXPECT_EQ(r.exitCode, 2) << c.err;
        EXPECT_TRUE(r.err.ends_with(c.err + "\n")) << r.err;
        EXPECT_EQ(r.out, "");
    }
    EXPECT_EQ(listing(), before);
}

#ifndef _WIN32
TEST_F(CliCollectionTest, ALogThatFailsIsNamedAndTheRunGoesOn)
{
    fs::permissions(logs[2], fs::perms::none);
    const auto spawned = test::spawnBinary(
        dir.path(), {"--settings", noRules, "--type", "summary", "--format", "jsonl", "-q", root},
        test::becomeNobodyIfRoot);
    const CliResult r = test::waitFor(spawned);
    fs::permissions(logs[2], fs::perms::owner_all);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, logs[2] + ": File: " + logs[2] + " cannot be read: Permission denied\n");
    const auto rows = test::readJsonLines(r.out);
    ASSERT_GE(rows.size(), 1u);
    EXPECT_EQ(rows.back()["source"], logs[3]) << "the logs after the failed one are read";
}

TEST_F(CliCollectionTest, ASignalStopsEveryThreadAtARowAndTheMessageCountsTheRows)
{
    std::string big;
    for (int i = 0; i < 1500; ++i) {
        big += readFile(test::kSampleLog);
    }
    fs::create_directory(dir.file("big"));
    for (int i = 0; i < 4; ++i) {
        writeFile(dir.file("big/" + std::to_string(i) + ".log"), big);
    }
    const test::Interrupted got = test::interruptMidRun(
        dir.path(), {"--settings", noRules, "--type", "full", "--format", "jsonl", "-j", "2", "-o", "rows.fifo", "big"},
        dir.file("rows.fifo"), [](int pid) { kill(pid, SIGINT); });
    ASSERT_TRUE(got.acted) << got.result.err;
    EXPECT_EQ(got.result.exitCode, 130) << got.result.err;
    const auto rows = test::readJsonLines(got.written);  // every line whole
    EXPECT_TRUE(got.written.ends_with("\n"));
    EXPECT_LT(rows.size(), 4u * 1500u * 22u);
    EXPECT_TRUE(got.result.err.ends_with("Interrupted by SIGINT: the output is incomplete (" +
                                         std::to_string(rows.size()) + " rows written).\n"))
        << got.result.err;
}
#endif

}  // namespace
}  // namespace tillery
