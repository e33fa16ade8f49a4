// What the command line guarantees about the evidence: the log is only ever read, a table
// is never mixed or silently cut short, and every refusal says its true cause.

#include "app/CliOptions.h"
#include "app/CliRun.h"
#include "cli/CliHarness.h"
#include "core/DefaultRules.h"
#include "core/SettingsStore.h"
#include "extract/Messages.h"
#include "support/TempDir.h"
#include "ui/QSettingsStore.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <functional>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#ifndef _WIN32
#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace tillery {
namespace {

namespace fs = std::filesystem;
using test::CliResult;
using test::readFile;
using test::TempDir;
using test::writeFile;

const std::string kWin2kLog = "[2004/01/01 10:00:00 1.1]\r\nDevice Install: usbstor\r\n";

using CliEvidenceTest = test::CliRunFixture;

TEST_F(CliEvidenceTest, PathsAreUsedExactlyAsTheShellGivesThem)
{
    writeFile(dir.file("trail.log "), readFile(test::kSampleLog));
    writeFile(dir.file("trail.log"), kWin2kLog);
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
        if (!c.notWritten.empty()) {
            EXPECT_FALSE(fs::exists(dir.file(c.notWritten))) << c.notWritten;
        }
    }
}

TEST_F(CliEvidenceTest, SettingsARunCannotUseAreRefusedBeforeTheOutputIsDeleted)
{
    const std::string output = dir.file("out.xls");
    const std::string prefix = "The settings cannot be used: ";
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
        {std::string("7\0" "1", 3), {}, "the stored rule count \"7\\x001\" is not a number"},
        {"1\n2", {}, "the stored rule count \"1\\x0a2\" is not a number"},
    };
    int number = 0;
    for (const Case& c : cases) {
        const std::string settings = dir.file("bad-" + std::to_string(++number) + ".ini");
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
        EXPECT_EQ(r.err, prefix + c.reason + "\n");
        EXPECT_EQ(readFile(output), "older table\r\n") << c.reason;

        // Full and Summary read no rules: the same settings do not stop them.
        const CliResult summary = run({"--type", "summary", "-o", "-", log}, settings);
        EXPECT_EQ(summary.exitCode, cli::kExitOk) << c.reason << ": " << summary.err;
    }
}

TEST_F(CliEvidenceTest, MessagesShowControlBytesInNames)
{
    const std::string name = dir.file("odd\tname\x01.log");
    const CliResult r = run({name});
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

TEST_F(CliEvidenceTest, ALogThatIsNoRegularFileSaysSo)
{
    const std::string fifo = dir.file("pipe.log");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& path : {fifo, std::string("/dev/null")}) {
        const CliResult r = run({"--force", path});
        EXPECT_EQ(r.exitCode, cli::kExitRefused) << path;
        EXPECT_EQ(r.err, "File: " + path + " is not a regular file.\n");
    }
}

TEST_F(CliEvidenceTest, ALogThatCannotBeReadSaysWhy)
{
    // As root the program runs as an unprivileged user, for whom permissions hold.
    const std::string locked = dir.file("locked");
    fs::create_directory(locked);
    writeFile(locked + "/setupapi.log", readFile(test::kSampleLog));
    fs::permissions(log, fs::perms::none);
    for (const std::string& path : {std::string("setupapi.log"), std::string("locked/setupapi.log")}) {
        fs::permissions(locked, path == "setupapi.log" ? fs::perms::all : fs::perms::none);
        const auto spawned = test::spawnBinary(dir.path(), {"--force", path}, test::becomeNobodyIfRoot);
        const CliResult r = test::waitFor(spawned);
        EXPECT_EQ(r.exitCode, cli::kExitRefused) << path << ": " << r.err;
        EXPECT_EQ(r.err, "File: " + path + " cannot be read: Permission denied\n");
    }
    fs::permissions(locked, fs::perms::owner_all);
    EXPECT_FALSE(fs::exists(log + ".xls"));
}

TEST_F(CliEvidenceTest, StandardOutputThatIsTheLogIsRefused)
{
    const std::string hardLink = dir.file("hard.log");
    fs::create_hard_link(log, hardLink);
    struct Case {
        std::string what;
        std::string opened;  // the file put on standard output
        int flags;
        std::string output;  // the -o value
        int stream = 1;      // standard output, or standard error
    };
    const std::vector<Case> cases = {
        {">> LOG", log, O_WRONLY | O_APPEND, "-"},
        {"1<> LOG", log, O_RDWR, "-"},
        {">> a hard link of LOG", hardLink, O_WRONLY | O_APPEND, "-"},
        {"-o /dev/stdout >> LOG", log, O_WRONLY | O_APPEND, "/dev/stdout"},
        // Standard error that is the log: refused without a word, or the word would be
        // written into the log.
        {"2>> LOG", log, O_WRONLY | O_APPEND, "-", 2},
    };
    for (const Case& c : cases) {
        const char* opened = c.opened.c_str();
        const int flags = c.flags;
        const int stream = c.stream;
        const auto spawned =
            test::spawnBinary(dir.path(), {"--force", "-o", c.output, "setupapi.log"}, [=] {
                const int fd = open(opened, flags);
                if (fd < 0 || dup2(fd, stream) < 0) {
                    _exit(125);
                }
            });
        const CliResult r = test::waitFor(spawned);
        EXPECT_EQ(r.exitCode, cli::kExitRefused) << c.what;
        EXPECT_EQ(r.err, c.stream == 1 ? std::string(msg::kSameFileBox) + "\n" : "") << c.what;
        EXPECT_EQ(readFile(log), readFile(test::kSampleLog)) << c.what;
    }
}

// An output named through a symbolic link is refused even with --force: replacing it would
// delete the link, which may be a system's (-o /dev/stdout while standard output is a file).
TEST_F(CliEvidenceTest, AnOutputThatIsALinkToAFileIsRefused)
{
    const std::string table = dir.file("table.xls");
    const std::string link = dir.file("link.xls");
    writeFile(table, "an older table\r\n");
    fs::create_symlink(table, link);
    const CliResult r = run({"--force", "-o", link, log});
    EXPECT_EQ(r.exitCode, cli::kExitRefused);
    EXPECT_EQ(r.err, link + std::string(cli::text::kOutputIsLink) + "\n");
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(readFile(table), "an older table\r\n");
}

// A log whose every line but the first is short; the first is `firstLineBytes` long and
// costs no disk (a sparse run of NUL bytes after `start`).
void writeLongFirstLine(const std::string& path, const std::string& start,
                        std::uintmax_t firstLineBytes, const std::string& rest)
{
    writeFile(path, start);
    fs::resize_file(path, firstLineBytes);
    std::ofstream(path, std::ios::binary | std::ios::app) << rest;
}

TEST_F(CliEvidenceTest, TheLayoutTestHoldsABoundedPartOfTheFirstLine)
{
    if (kSanitized) {
        GTEST_SKIP() << "the sanitizer's own memory hides the program's";
    }
    const std::uintmax_t lineBytes = std::uintmax_t{256} << 20;
    writeLongFirstLine(dir.file("nul.log"), "", lineBytes, "\n[2004/01/01 10:00:00 1.1]\n");
    long peakKilobytes = 0;
    const CliResult r = test::waitFor(test::spawnBinary(dir.path(), {"nul.log"}), &peakKilobytes);
    EXPECT_EQ(r.exitCode, cli::kExitRefused);
    EXPECT_EQ(r.err, std::string(msg::kNotSetupApiLog) + "\n");
    EXPECT_LT(peakKilobytes, 64 * 1024) << "a 256 MB first line was held";
}

TEST_F(CliEvidenceTest, RunningOutOfMemoryIsReportedAsSuch)
{
    if (kSanitized) {
        GTEST_SKIP() << "the sanitizer needs more address space than the limit leaves";
    }
    const std::uintmax_t lineBytes = std::uintmax_t{192} << 20;
    // An XP header that is the first line alone is passed on whole; a first line the run
    // reads whole. Neither fits in 160 MB.
    writeLongFirstLine(dir.file("alone.log"), "[SetupAPI Log]", lineBytes, "");
    writeLongFirstLine(dir.file("first.log"), "[SetupAPI Log]", lineBytes,
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

// A line of 200 MB that is both the event's text and its device, the worst a line can do,
// in an XP and a Vista log: in every extraction type the run holds at most three times
// the line, plus a fixed amount, though the line's row holds it twice.
TEST_F(CliEvidenceTest, ARunHoldsAtMostThreeTimesItsLongestLine)
{
    if (kSanitized) {
        GTEST_SKIP() << "the sanitizer's own memory hides the program's";
    }
    const std::uintmax_t lineBytes = std::uintmax_t{200} << 20;
    struct Log {
        std::string name;
        std::string head;  // up to the long run of NUL bytes
        std::string rest;
    };
    const std::vector<Log> logs = {
        {"xp.log",
         "[SetupAPI Log]\r\nheader\r\n[2004/01/01 10:00:00 1.1 Driver Install]\r\n"
         "#I022 Found \"USBSTOR\\",
         "\" in x.inf; Device: \"Disk drive\"\r\n"},
        {"vista.log",
         "[Device Install Log]\r\n     OS Version = 10.0.19045\r\n\r\n[BeginLog]\r\n\r\n"
         ">>>  [Device Install - USBSTOR\\Disk\\1]\r\n>>>  Section start 2016/01/01 09:00:01.542\r\n"
         "     dvi:      Device USBSTOR\\",
         "\r\n<<<  Section end 2016/01/01 09:00:03.417\r\n"},
    };
    for (const Log& log : logs) {
        writeLongFirstLine(dir.file(log.name), log.head, log.head.size() + lineBytes, log.rest);
        for (const char* type : {"full", "summary", "rules"}) {
            long peakKilobytes = 0;
            const CliResult r = test::waitFor(
                test::spawnBinary(dir.path(), {"--type", type, "-o", "/dev/null", log.name}),
                &peakKilobytes);
            EXPECT_EQ(r.exitCode, cli::kExitOk) << log.name << " " << type << ": " << r.err;
            const long lineKilobytes = static_cast<long>(lineBytes >> 10);
            EXPECT_LT(peakKilobytes, 3 * lineKilobytes + 32 * 1024)
                << log.name << " " << type << ": a 200 MB line took " << peakKilobytes / 1024 << " MB";
        }
    }
}

// Reads a FIFO the program writes its table into. The program's first block of rows
// stops it in the middle of a write until the test reads on, which gives the test a
// moment of its choosing inside the run.
class FifoReader {
public:
    explicit FifoReader(const std::string& path) : m_fd(open(path.c_str(), O_RDONLY | O_NONBLOCK)) {}
    ~FifoReader()
    {
        if (m_fd >= 0) {
            close(m_fd);
        }
    }

    // Waits (up to about 20 s) until the writer has written something; false when the
    // program ended without.
    bool awaitFirstBytes(pid_t writer)
    {
        for (int i = 0; i < 2000; ++i) {
            pollfd poll_fd{m_fd, POLLIN, 0};
            if (poll(&poll_fd, 1, 10) > 0 && (poll_fd.revents & POLLIN) != 0) {
                fcntl(m_fd, F_SETFL, fcntl(m_fd, F_GETFL) & ~O_NONBLOCK);
                readSome();
                return true;
            }
            int status = 0;
            if (waitpid(writer, &status, WNOHANG) == writer) {
                return false;
            }
        }
        return false;
    }

    std::string readToEnd()
    {
        while (readSome()) {
        }
        return m_bytes;
    }

private:
    bool readSome()
    {
        char block[65536];
        const ssize_t got = read(m_fd, block, sizeof block);
        if (got > 0) {
            m_bytes.append(block, static_cast<std::size_t>(got));
        }
        return got > 0;
    }

    int m_fd;
    std::string m_bytes;
};

TEST_F(CliEvidenceTest, ASignalOrAChangedLogEndsTheRunWithWholeRowsAndSaysSo)
{
    std::string big;
    for (int i = 0; i < 1500; ++i) {
        big += readFile(test::kSampleLog);
    }
    const std::string fifo = dir.file("table.fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const auto countRows = [](const std::string& table) {
        std::size_t rows = 0;
        for (std::size_t at = table.find("\r\n"); at != std::string::npos;
             at = table.find("\r\n", at + 2)) {
            ++rows;
        }
        return rows;
    };
    writeFile(log, big);
    const CliResult whole = run({"--type", "full", "-o", "-", log});
    ASSERT_EQ(whole.exitCode, cli::kExitOk);
    const std::size_t wholeRows = countRows(whole.out);

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
        FifoReader reader(fifo);
        const auto spawned = test::spawnBinary(
            dir.path(), {"--settings", noRules, "--type", "full", "-o", fifo, log});
        ASSERT_TRUE(reader.awaitFirstBytes(spawned.pid)) << c.what;
        if (c.signal != 0) {
            kill(spawned.pid, c.signal);
        } else {
            std::ofstream(log, std::ios::binary | std::ios::app) << "#I022 late line\r\n";
        }
        const std::string table = reader.readToEnd();
        const CliResult r = test::waitFor(spawned);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.what << ": " << r.err;
        ASSERT_TRUE(table.ends_with("\r\n")) << c.what;
        // Every row is whole: eleven fields.
        std::size_t rows = 0;
        for (std::size_t begin = 0; begin < table.size();) {
            const std::size_t end = table.find("\r\n", begin);
            ASSERT_NE(end, std::string::npos);
            EXPECT_EQ(std::count(table.begin() + static_cast<std::ptrdiff_t>(begin),
                                 table.begin() + static_cast<std::ptrdiff_t>(end), '\t'),
                      10)
                << c.what << " row " << rows;
            ++rows;
            begin = end + 2;
        }
        if (c.signal != 0) {
            EXPECT_LT(rows, wholeRows) << c.what;
            EXPECT_TRUE(r.err.ends_with(std::string("Interrupted by ") + c.what +
                                        ": the table is incomplete (" + std::to_string(rows) +
                                        " lines written, the column line included).\n"))
                << r.err;
        } else {
            EXPECT_GE(rows, wholeRows);
            EXPECT_TRUE(r.err.ends_with(std::string(msg::kLogChanged) + "\n")) << r.err;
        }
    }
}
#endif

}  // namespace
}  // namespace tillery
