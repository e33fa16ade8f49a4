// Replays the inputs the fuzz targets found trouble with (tests/data/fuzz-regressions/,
// one minimised input per file), the seed logs the fuzzing starts from and a few hand-made
// awkward logs through the very checks the fuzz targets make.

#include "../fuzz/LogProbe.h"
#include "../fuzz/MessageCodeProbe.h"

#include "extract/LineReader.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

using namespace std::string_literals;

namespace tillery::test {
namespace {

namespace fs = std::filesystem;
using fuzz::LogProbe;

const fs::path kFindings = fs::path(TILLERY_TEST_DATA) / "fuzz-regressions";

// Regular files of a folder, sorted; notes kept beside the inputs are left out.
std::vector<fs::path> filesIn(const fs::path& folder, std::string_view extension = {})
{
    std::vector<fs::path> files;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error)) {
        const std::string name = entry.path().filename().string();
        if (!entry.is_regular_file() || name.starts_with("README") || name.starts_with(".")) {
            continue;
        }
        if (!extension.empty() && entry.path().extension() != extension) {
            continue;
        }
        files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::string joined(const std::vector<std::string>& problems)
{
    std::string text;
    for (const std::string& problem : problems) {
        text += "\n  " + problem;
    }
    return text;
}

// Logs that have broken line readers and field rules before: edge lines of every kind.
std::vector<std::string> awkwardLogs()
{
    return {
        ""s,
        "\n"s,
        "\r"s,
        "\r\n"s,
        "\r\r\n"s,
        "\n\n\n"s,
        "["s,
        "[\n[\n"s,
        "#"s,
        "@"s,
        "@#"s,
        "#\n@ 12:00 #\n@\n#I\n@#I1\n"s,
        "[SetupAPI Log]"s,
        "[SetupAPI Log]\n"s,
        "[SetupAPI Log]\r\n[x]\r\n"s,
        "[SetupAPI Log]\nA\nB\n"s,
        "[SetupAPI Log]\r\nOS\r\n\r\n[2006/04/12 14:22:07 1.1 Driver Install]\r\n"
        "#I022 Found \"GenDisk\" in x; Device: \"Disk drive\"\r\n[2 x]\r\n#I121 \"USBSTOR\\A\""s,
        "[2\n#I0\n#I02\n#I022\n@ 1 #I12\n"s,
        "[2006/04/12]\n[2006/04/12 1\n[2006/04/12 14:22:07]\n"s,
        "[2 a]\nNULL driver for \nMunged\nMunged 123\nEXE name:\nInstalling Device Class: {\n"
        "Installing Device Class: {x}\nFound \ninstall of \nsuccessfully (\nDevice: \n"s,
        "[2 a]\n#I121 SIGNATUREzzOFFSETxyzLENGTH12\n#I121 SIGNATUREOFFSETLENGTH\n"
        "#I121 \"STORAGE\\VOLUME\\1&0&SIGNATURE1OFFSET7E00LENGTH\"\n"s,
        "[2 a]\n#I121 SIGNATURE1OFFSET0LENGTH" + std::string(300, 'F') + "\n",
        "[2 a\0b]\n\0\0\0\n#\0\0\0\0\0\0"s,
        "[2 a]\rb\r\nc\rd"s,
        "[2 a]\nline\r"s,
        "[2 a]\r\nmixed\nends\r\n\r\r\n"s,
        // A line longer than the reader's block.
        "[2 a]\n" + std::string((1 << 20) + 10, 'x') + "\n#I022 \"" + std::string(5000, '"') + "\n",
    };
}

std::vector<std::string> readerLines(const std::string& path)
{
    std::vector<std::string> lines;
    LineReader reader;
    EXPECT_TRUE(reader.open(path));
    std::string_view line;
    while (reader.next(line)) {
        lines.emplace_back(line);
    }
    return lines;
}

TEST(FuzzProbeTest, LineEndFormsKeepEveryLineButItsEnd)
{
    const std::string bytes = "a\r\r\nb\rc\n\r\nd\r";
    const std::string lf = fuzz::withLfEnds(bytes);
    EXPECT_EQ(lf, "a\nb\rc\n\nd\r");
    EXPECT_EQ(fuzz::withCrLfEnds(lf), "a\r\nb\rc\r\n\r\nd\r");
}

// A probe that cannot fail is no probe: a run that breaks a property must be reported.
TEST(FuzzProbeTest, ReportsARunThatBreaksAProperty)
{
    TempDir dir;
    LogProbe probe(dir.path());
    // A stored rule count that is no number takes the run's error path in Rule based.
    probe.store().save("Rules", "Count", "x");
    const auto problems = probe.check("[2006/04/12 14:22:07 1.1 Driver Install]\r\n#I022 \"A\"\r\n");
    ASSERT_FALSE(problems.empty());
    EXPECT_NE(joined(problems).find("Rule based: the run did not complete"), std::string::npos)
        << joined(problems);
}

TEST(FuzzProbeTest, MessageBytesDecodeIntoCodeEventAndMessage)
{
    const fuzz::MessageCodeCase known = fuzz::decodeMessageCodeCase("\x00 Found \"X\""s);
    EXPECT_EQ(known.code, "022");
    EXPECT_EQ(known.message, " Found \"X\"");
    EXPECT_EQ(known.event.path, "");
    EXPECT_EQ(known.event.name, "");

    const fuzz::MessageCodeCase raw = fuzz::decodeMessageCodeCase("\xB4" "12"s);
    EXPECT_EQ(raw.code, "12");  // fewer than three bytes left: a short code
    EXPECT_EQ(raw.message, "");
    EXPECT_EQ(raw.event.path, "FTDisk\\Volume1");
    EXPECT_EQ(raw.event.name, "earlier name");

    EXPECT_EQ(fuzz::decodeMessageCodeCase("").code, "");
}

TEST(FuzzRegressionTest, AwkwardLogsKeepEveryProperty)
{
    TempDir dir;
    LogProbe probe(dir.path());
    for (const std::string& log : awkwardLogs()) {
        SCOPED_TRACE(testing::PrintToString(log.substr(0, 60)));
        const auto problems = probe.check(log);
        EXPECT_TRUE(problems.empty()) << joined(problems);
    }
}

// Saved findings, then the seeds: the logs in tests/data and the real logs beside the
// project (when present), whole.
TEST(FuzzRegressionTest, SavedLogInputsAndSeedsKeepEveryProperty)
{
    std::vector<fs::path> inputs = filesIn(kFindings / "run");
    for (const fs::path& seed : filesIn(TILLERY_TEST_DATA, ".log")) {
        inputs.push_back(seed);
    }
    // Every folder of real logs, whatever its layout: what the engine refuses today it
    // must still refuse cleanly, and what it reads must keep every property.
    std::error_code error;
    for (const auto& folder : fs::directory_iterator(TILLERY_REAL_LOGS, error)) {
        if (folder.is_directory()) {
            for (const fs::path& seed : filesIn(folder.path(), ".log")) {
                inputs.push_back(seed);
            }
        }
    }
    ASSERT_FALSE(inputs.empty()) << "no seed log in " << TILLERY_TEST_DATA;

    TempDir dir;
    LogProbe probe(dir.path());
    for (const fs::path& input : inputs) {
        SCOPED_TRACE(input.string());
        const auto problems = probe.check(readFile(input.string()));
        EXPECT_TRUE(problems.empty()) << joined(problems);
    }
}

// Saved findings, then every line of the seed logs as the run would hand it over.
TEST(FuzzRegressionTest, SavedMessageInputsAndSeedLinesKeepEveryProperty)
{
    std::vector<fuzz::MessageCodeCase> cases;
    std::vector<std::string> names;
    for (const fs::path& input : filesIn(kFindings / "message-codes")) {
        cases.push_back(fuzz::decodeMessageCodeCase(readFile(input.string())));
        names.push_back(input.string());
    }
    for (const fs::path& seed : filesIn(TILLERY_TEST_DATA, ".log")) {
        for (const std::string& line : readerLines(seed.string())) {
            fuzz::MessageCodeCase c;
            if (line.starts_with("#")) {
                c.code = line.size() > 2 ? line.substr(2, 3) : std::string();
                c.message = line.size() > 5 ? line.substr(5) : std::string();
            } else {
                c.code = "2K";
                c.message = line;
            }
            cases.push_back(c);
            names.push_back(seed.filename().string() + ": " + line);
        }
    }
    ASSERT_FALSE(cases.empty());
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(names[i]);
        const auto problems = fuzz::checkMessageCodes(cases[i]);
        EXPECT_TRUE(problems.empty()) << joined(problems);
    }
}

}  // namespace
}  // namespace tillery::test
