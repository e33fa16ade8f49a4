// What the command line guarantees about the evidence: the log is only ever read, a table
// is never mixed or silently cut short, and every refusal says its true cause.

#include "app/CliOptions.h"
#include "app/CliRun.h"
#include "cli/CliHarness.h"
#include "core/DefaultRules.h"
#include "core/SettingsStore.h"
#include "extract/Messages.h"
#include "support/RunFixture.h"
#include "support/TempDir.h"
#include "ui/QSettingsStore.h"

#include <gtest/gtest.h>

#include <array>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace tillery {
namespace {

namespace fs = std::filesystem;
using test::CliResult;
using test::readFile;
using test::writeFile;

using CliEvidenceTest = test::CliRunFixture;

TEST_F(CliEvidenceTest, PathsAreUsedExactlyAsTheShellGivesThem)
{
    writeFile(dir.file("trail.log "), readFile(test::kSampleLog));
    writeFile(dir.file("trail.log"), "[2004/01/01 10:00:00 1.1]\r\nDevice Install: usbstor\r\n");
    writeFile(dir.file(" lead.log"), readFile(test::kSampleLog));
    struct Case {
        std::vector<std::string> arguments;
        std::string written;     // the file that must hold the table
        std::string notWritten;  // the file the blanks would have named
    };
    const std::vector<Case> cases = {
        {{"-o", "a.xls", "trail.log "}, "a.xls", ""},
        {{"-o", "b.xls", " lead.log"}, "b.xls", ""},
        {{"-o", "x.xls ", "setupapi.log"}, "x.xls ", "x.xls"},
        {{"-o", " y.xls", "setupapi.log"}, " y.xls", "y.xls"},
    };
    for (const Case& c : cases) {
        const CliResult r = test::runBinary(dir.path(), c.arguments);
        EXPECT_EQ(r.exitCode, cli::kExitOk) << c.arguments.back() << ": " << r.err;
        EXPECT_EQ(readFile(dir.file(c.written)), test::kSampleRuleTable) << c.written;
        EXPECT_TRUE(c.notWritten.empty() || !fs::exists(dir.file(c.notWritten))) << c.notWritten;
    }
}

TEST_F(CliEvidenceTest, SettingsARunCannotUseAreRefusedBeforeTheOutputIsDeleted)
{
    const std::string output = dir.file("out.xls");
    struct Case {
        std::string count;
        std::vector<std::array<std::string, 3>> rules;
        std::string reason;
    };
    const std::vector<Case> cases = {
        {"abc", {}, "the stored rule count \"abc\" is not a number"},
        {"40000", {}, "the stored rule count \"40000\" is not a whole number from -32768 to 32767"},
        {"1", {{"Devise", "Contains", "x"}}, "rule 1 has an unknown field \"Devise\""},
        {"2", {{"Name", "Contains", "x"}, {"Name", "Begins with", "x"}},
         "rule 2 has an unknown select type \"Begins with\""},
        {"2", {{"Name", "Contains", "x"}}, "rule 2 has an unknown field \"\""},
        // Control bytes are shown, not cut off or obeyed.
        {std::string("7\0" "1\n", 4), {}, "the stored rule count \"7\\x001\\x0a\" is not a number"},
    };
    for (std::size_t n = 0; n < cases.size(); ++n) {
        const Case& c = cases[n];
        const std::string settings = dir.file("bad-" + std::to_string(n) + ".ini");
        {
            QSettingsStore store(QString::fromStdString(settings));
            store.save(store::kRules, store::kCount, c.count);
            for (std::size_t i = 0; i < c.rules.size(); ++i) {
                WriteRuleToReg(store, static_cast<int>(i + 1), c.rules[i][0], c.rules[i][1],
                               c.rules[i][2]);
            }
        }
        writeFile(output, "older table\r\n");
        const CliResult r = run({"--force", "-o", output, log}, settings);
        EXPECT_EQ(r.exitCode, cli::kExitRefused) << c.reason;
        EXPECT_EQ(r.err, "The settings cannot be used: " + c.reason + "\n");
        EXPECT_EQ(readFile(output), "older table\r\n") << c.reason;
        // Full and Summary read no rules: the same settings do not stop them.
        EXPECT_EQ(run({"--type", "summary", "-o", "-", log}, settings).exitCode, cli::kExitOk);
    }
}

TEST_F(CliEvidenceTest, MessagesShowControlBytesInNames)
{
    const CliResult r = run({dir.file("odd\tname\x01.log")});
    EXPECT_EQ(r.exitCode, cli::kExitRefused);
    EXPECT_EQ(r.err, "File: " + dir.file("odd\\x09name\\x01.log") + " not found.\n");
    const CliResult option = run({"--bad\x1b[2J", log});
    EXPECT_TRUE(option.err.starts_with("tillery-cli: unknown option: --bad\\x1b[2J\n")) << option.err;
}

#ifndef _WIN32
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

TEST_F(CliEvidenceTest, ALogThatCannotBeReadSaysWhy)
{
    // As root the program runs as an unprivileged user, for whom permissions hold.
    ASSERT_EQ(mkfifo(dir.file("pipe.log").c_str(), 0666), 0);
    fs::permissions(dir.file("pipe.log"), fs::perms::all);
    fs::create_directory(dir.file("locked"));
    writeFile(dir.file("locked/setupapi.log"), readFile(test::kSampleLog));
    fs::permissions(log, fs::perms::none);
    fs::permissions(dir.file("locked"), fs::perms::none);
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"pipe.log", " is not a regular file."},
        {"/dev/null", " is not a regular file."},
        {"setupapi.log", " cannot be read: Permission denied"},
        {"locked/setupapi.log", " cannot be read: Permission denied"},
    };
    for (const auto& [path, cause] : cases) {
        const CliResult r = test::waitFor(
            test::spawnBinary(dir.path(), {"--force", path}, test::becomeNobodyIfRoot));
        EXPECT_EQ(r.exitCode, cli::kExitRefused) << path << ": " << r.err;
        EXPECT_EQ(r.err, "File: " + path + cause + "\n");
    }
    fs::permissions(dir.file("locked"), fs::perms::owner_all);
    EXPECT_FALSE(fs::exists(log + ".xls"));
}

TEST_F(CliEvidenceTest, StandardOutputOrErrorThatIsALogIsRefused)
{
    const std::string hardLink = dir.file("hard.log");
    fs::create_hard_link(log, hardLink);
    fs::create_directory(dir.file("case"));
    writeFile(dir.file("case/setupapi.log"), readFile(test::kSampleLog));
    struct Case {
        std::string what;
        std::string opened;  // the file put on the stream
        int flags;
        std::vector<std::string> arguments;
        int stream = 1;
    };
    const std::vector<std::string> toStdout = {"--force", "-o", "-", "setupapi.log"};
    const std::vector<Case> cases = {
        {">> LOG", log, O_WRONLY | O_APPEND, toStdout},
        {"1<> LOG", log, O_RDWR, toStdout},
        {">> a hard link of LOG", hardLink, O_WRONLY | O_APPEND, toStdout},
        {"-o /dev/stdout >> LOG", log, O_WRONLY | O_APPEND, {"--force", "-o", "/dev/stdout", "setupapi.log"}},
        {">> a log of the folder read", dir.file("case/setupapi.log"), O_WRONLY | O_APPEND,
         {"--format", "csv", "case"}},
        // Standard error that is the log: refused without a word, or the word would be
        // written into the log.
        {"2>> LOG", log, O_WRONLY | O_APPEND, toStdout, 2},
    };
    for (const Case& c : cases) {
        const char* opened = c.opened.c_str();
        const int flags = c.flags;
        const int stream = c.stream;
        const CliResult r = test::waitFor(test::spawnBinary(dir.path(), c.arguments, [=] {
            const int fd = open(opened, flags);
            if (fd < 0 || dup2(fd, stream) < 0) {
                _exit(125);
            }
        }));
        EXPECT_EQ(r.exitCode, cli::kExitRefused) << c.what;
        EXPECT_EQ(r.err, c.stream == 1 ? std::string(msg::kSameFileBox) + "\n" : "") << c.what;
        EXPECT_EQ(readFile(c.opened), readFile(test::kSampleLog)) << c.what;
    }
}

// An output named through a symbolic link is refused even with --force: replacing it would
// delete the link, which may be a system's (-o /dev/stdout while standard output is a file).
TEST_F(CliEvidenceTest, AnOutputThatIsALinkToAFileIsRefused)
{
    const std::string link = dir.file("link.xls");
    writeFile(dir.file("table.xls"), "an older table\r\n");
    fs::create_symlink(dir.file("table.xls"), link);
    const CliResult r = run({"--force", "-o", link, log});
    EXPECT_EQ(r.exitCode, cli::kExitRefused);
    EXPECT_EQ(r.err, link + std::string(cli::text::kOutputIsLink) + "\n");
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(readFile(dir.file("table.xls")), "an older table\r\n");
}

// A log whose line after `head` is `lineBytes` of NUL bytes (sparse, no disk), then `rest`.
void writeLongLine(const std::string& path, const std::string& head, std::uintmax_t lineBytes,
                   const std::string& rest)
{
    writeFile(path, head);
    fs::resize_file(path, head.size() + lineBytes);
    std::ofstream(path, std::ios::binary | std::ios::app) << rest;
}

// The layout test holds a bounded part of a 256 MB first line. A line of 200 MB that is
// both the event's text and its device, the worst a line can do, in an XP and a Vista
// log: in every type the run holds at most three times the line, plus a fixed amount.
TEST_F(CliEvidenceTest, ARunHoldsABoundedPartOfTheFirstLineAndThreeTimesItsLongestLine)
{
    if (kSanitized) {
        GTEST_SKIP() << "the sanitizer's own memory hides the program's";
    }
    const long mb = 1024;  // in kilobytes
    writeLongLine(dir.file("nul.log"), "", std::uintmax_t{256} << 20, "\n[2004/01/01 10:00:00 1.1]\n");
    writeLongLine(dir.file("xp.log"),
                  "[SetupAPI Log]\r\nheader\r\n[2004/01/01 10:00:00 1.1 Driver Install]\r\n"
                  "#I022 Found \"USBSTOR\\",
                  std::uintmax_t{200} << 20, "\" in x.inf; Device: \"Disk drive\"\r\n");
    writeLongLine(dir.file("vista.log"),
                  "[Device Install Log]\r\n     OS Version = 10.0.19045\r\n\r\n[BeginLog]\r\n\r\n"
                  ">>>  [Device Install - USBSTOR\\Disk\\1]\r\n>>>  Section start 2016/01/01 09:00:01.542\r\n"
                  "     dvi:      Device USBSTOR\\",
                  std::uintmax_t{200} << 20, "\r\n<<<  Section end 2016/01/01 09:00:03.417\r\n");
    struct Case {
        std::string log;
        const char* type;
        int exitCode;
        long boundKilobytes;
    };
    std::vector<Case> cases = {{"nul.log", "rules", cli::kExitRefused, 64 * mb}};
    for (const char* name : {"xp.log", "vista.log"}) {
        for (const char* type : {"full", "summary", "rules"}) {
            cases.push_back({name, type, cli::kExitOk, 3 * 200 * mb + 32 * mb});
        }
    }
    for (const Case& c : cases) {
        long peakKilobytes = 0;
        const CliResult r = test::waitFor(
            test::spawnBinary(dir.path(), {"--type", c.type, "-o", "/dev/null", c.log}), &peakKilobytes);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.log << " " << c.type << ": " << r.err;
        EXPECT_LT(peakKilobytes, c.boundKilobytes) << c.log << " " << c.type;
    }
}

TEST_F(CliEvidenceTest, RunningOutOfMemoryIsReportedAsSuch)
{
    if (kSanitized) {
        GTEST_SKIP() << "the sanitizer needs more address space than the limit leaves";
    }
    // An XP header that is the first line alone is passed on whole; a first line the run
    // reads whole. Neither fits in 160 MB.
    writeLongLine(dir.file("alone.log"), "[SetupAPI Log]", std::uintmax_t{192} << 20, "");
    writeLongLine(dir.file("first.log"), "[SetupAPI Log]", std::uintmax_t{192} << 20,
                  "\nheader\n[2004/01/01 10:00:00 1.1]\n#I022 x\n");
    const auto limitMemory = [] {
        const rlimit limit{160u << 20, 160u << 20};
        setrlimit(RLIMIT_AS, &limit);
    };
    const CliResult alone =
        test::waitFor(test::spawnBinary(dir.path(), {"-o", "-", "alone.log"}, limitMemory));
    EXPECT_EQ(alone.exitCode, cli::kExitRefused);
    EXPECT_EQ(alone.err, "File: alone.log cannot be read: out of memory\n");
    const CliResult first =
        test::waitFor(test::spawnBinary(dir.path(), {"-o", "-", "first.log"}, limitMemory));
    EXPECT_EQ(first.exitCode, cli::kExitRunFailed);
    EXPECT_TRUE(first.err.ends_with(std::string(msg::kRunError) + "\nReason: out of memory\n"))
        << first.err;
}

TEST_F(CliEvidenceTest, ASignalOrAChangedLogEndsTheRunWithWholeRowsAndSaysSo)
{
    std::string big;
    for (int i = 0; i < 1500; ++i) {
        big += readFile(test::kSampleLog);
    }
    writeFile(log, big);
    const std::size_t wholeRows = test::splitRows(run({"--type", "full", "-o", "-", log}).out).size();
    struct Case {
        const char* what;
        int signal;  // 0: the log grows instead
        int exitCode;
    };
    const std::vector<Case> cases = {
        {"SIGINT", SIGINT, 130}, {"SIGTERM", SIGTERM, 143}, {"SIGHUP", SIGHUP, 129},
        {"log grows", 0, cli::kExitRunFailed},
    };
    for (const Case& c : cases) {
        writeFile(log, big);
        const test::Interrupted got = test::interruptMidRun(
            dir.path(), {"--settings", noRules, "--type", "full", "-o", "table.fifo", log},
            dir.file("table.fifo"), [&](int pid) {
                if (c.signal != 0) {
                    kill(pid, c.signal);
                } else {
                    std::ofstream(log, std::ios::binary | std::ios::app) << "#I022 late line\r\n";
                }
            });
        ASSERT_TRUE(got.acted) << c.what << ": " << got.result.err;
        EXPECT_EQ(got.result.exitCode, c.exitCode) << c.what << ": " << got.result.err;
        EXPECT_TRUE(got.written.ends_with("\r\n")) << c.what;
        const auto rows = test::splitRows(got.written);
        for (const std::string& row : rows) {
            ASSERT_EQ(test::columns(row).size(), 11u) << c.what << ": " << row;
        }
        if (c.signal != 0) {
            EXPECT_LT(rows.size(), wholeRows) << c.what;
            EXPECT_TRUE(got.result.err.ends_with(
                std::string("Interrupted by ") + c.what + ": the table is incomplete (" +
                std::to_string(rows.size()) + " lines written, the column line included).\n"))
                << got.result.err;
        } else {
            EXPECT_GE(rows.size(), wholeRows);
            EXPECT_TRUE(got.result.err.ends_with(std::string(msg::kLogChanged) + "\n")) << got.result.err;
        }
    }
}
#endif

}  // namespace
}  // namespace tillery
