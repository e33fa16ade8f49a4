#include "core/SettingsStore.h"
#include "support/RunFixture.h"

#include <cstdlib>
#include <filesystem>

#include <gtest/gtest.h>
#ifndef _WIN32
#include <unistd.h>
#endif

namespace tillery::test {
namespace {

const std::string kXpLog =
    "[SetupAPI Log]\r\nOS Version = 5.1.2600 Service Pack 2\r\nPlatform ID = 2 (NT)\r\n\r\n"
    "[2005/03/01 09:00:00 412.3 Driver Install]\r\n"
    "#I022 Found \"USBSTOR\\Disk\" in usbstor.inf; Device: \"Disk drive\"\r\n";

bool nothingStored(const RunFixture& f)
{
    return f.store.keyCount(store::kSettings) == 0;
}

TEST(RunControllerTest, BlankLogPathIsRefusedAndNothingStored)
{
    RunFixture f;
    f.ops.open = "   ";
    const PressResult result = f.press();
    EXPECT_EQ(result.outcome, PressOutcome::Refused);
    EXPECT_EQ(f.ops.open, "");
    EXPECT_EQ(f.ops.status(), "No SetupAPI.log filename provided.");
    ASSERT_EQ(f.ops.boxes.size(), 1u);
    EXPECT_EQ(f.ops.boxes[0].text, "No filename and path provided to extract.");
    EXPECT_EQ(f.ops.boxes[0].icon, BoxIcon::Critical);
    EXPECT_TRUE(nothingStored(f));
}

TEST(RunControllerTest, MissingLogIsRefusedAndTheOutputLeftAlone)
{
    RunFixture f;
    writeFile(f.outputPath, "old");
    f.press();
    EXPECT_EQ(f.ops.status(), "SetupApi file not found:" + f.logPath);
    ASSERT_EQ(f.ops.boxes.size(), 1u);
    EXPECT_EQ(f.ops.boxes[0].text, "File: " + f.logPath + " not found.");
    EXPECT_TRUE(nothingStored(f));
    EXPECT_EQ(readFile(f.outputPath), "old");

    // A folder is no log file either.
    RunFixture folder;
    folder.ops.open = folder.dir.path().string();
    EXPECT_EQ(folder.press().outcome, PressOutcome::Refused);
}

TEST(RunControllerTest, PathsAreTrimmedAndAnEmptyOutputPathDerived)
{
    RunFixture f(ExtractionType::Full);
    f.writeLog(kXpLog);
    f.ops.open = "  " + f.logPath + " ";
    f.ops.save = "  ";
    ASSERT_EQ(f.press().outcome, PressOutcome::Ran);
    EXPECT_EQ(f.ops.open, f.logPath);
    EXPECT_EQ(f.ops.save, f.logPath + ".xls");
    EXPECT_EQ(f.ops.saveDialogName, f.logPath + ".xls");
    EXPECT_EQ(f.store.get("Settings", "Open", "-"), f.logPath);
    EXPECT_EQ(f.store.get("Settings", "Save", "-"), f.logPath + ".xls");
    EXPECT_EQ(f.store.get("Settings", "Summary", "-"), "0");
    EXPECT_TRUE(std::filesystem::exists(f.logPath + ".xls"));
}

TEST(RunControllerTest, OutputThatIsTheLogIsRefusedBeforeAnythingHappens)
{
    RunFixture f;
    f.writeLog(kXpLog);
    std::filesystem::create_directory(f.dir.path() / "sub");
    for (const std::string& spelling :
         {f.logPath, f.dir.file("sub/../setupapi.log"), " " + f.dir.file("./setupapi.log")}) {
        f.ops.boxes.clear();
        f.ops.open = f.logPath;
        f.ops.save = spelling;
        EXPECT_EQ(f.press().outcome, PressOutcome::Refused) << spelling;
        EXPECT_EQ(f.ops.status(), "Output file is the same file as the SetupAPI file.");
        ASSERT_EQ(f.ops.boxes.size(), 1u);
        EXPECT_EQ(f.ops.boxes[0].text, "The output file must not be the SetupAPI file.");
        EXPECT_EQ(f.ops.boxes[0].icon, BoxIcon::Critical);
    }
    EXPECT_TRUE(nothingStored(f));
    EXPECT_EQ(readFile(f.logPath), kXpLog);
}

TEST(RunControllerTest, ExistingOutputIsDeletedAfterTellingTheUser)
{
    RunFixture f(ExtractionType::Summary);
    f.writeLog(kXpLog);
    writeFile(f.outputPath, "old rows\r\n");
    f.ops.recordStatuses = true;
    ASSERT_EQ(f.press().outcome, PressOutcome::Ran);
    ASSERT_GE(f.ops.boxes.size(), 2u);
    EXPECT_EQ(f.ops.boxes[0].text,
              f.outputPath + " already exists.  File will be deleted when you press OK.");
    EXPECT_EQ(f.ops.boxes[0].icon, BoxIcon::Information);
    EXPECT_EQ(f.ops.statuses[0], "Extracted file already exists.  Preparing to delete...");
    EXPECT_EQ(f.ops.statuses[1], "File deleted.");
    EXPECT_EQ(f.rows().size(), 3u);  // a new table, nothing of the old one
    EXPECT_NE(f.output().find("Date Time"), std::string::npos);
    EXPECT_EQ(f.output().find("old rows"), std::string::npos);
}

TEST(RunControllerTest, UndeletableOutputEndsTheProgram)
{
#ifdef _WIN32
    GTEST_SKIP() << "a read-only folder does not stop a deletion on Windows";
#else
    RunFixture f;
    f.writeLog(kXpLog);
    const auto locked = f.dir.path() / "locked";
    std::filesystem::create_directory(locked);
    f.ops.save = (locked / "out.xls").string();
    writeFile(f.ops.save, "x");
    // A read-only folder keeps others from deleting; the superuser needs an immutable file.
    const bool superuser = geteuid() == 0;
    const std::string immutable = "chattr +i '" + f.ops.save + "' 2>/dev/null";
    if (superuser && std::system(immutable.c_str()) != 0) {
        GTEST_SKIP() << "no way to make a file undeletable for the superuser here";
    }
    std::filesystem::permissions(locked, std::filesystem::perms::owner_read |
                                             std::filesystem::perms::owner_exec);
    const PressResult result = f.press();
    std::filesystem::permissions(locked, std::filesystem::perms::owner_all);
    if (superuser) {
        std::system(("chattr -i '" + f.ops.save + "'").c_str());
    }
    EXPECT_EQ(result.outcome, PressOutcome::ProgramEnds);
    EXPECT_EQ(f.ops.boxes.back().text, "Unable to delete " + f.ops.save +
                                           ". Check to see that the file is not still open!");
    EXPECT_EQ(f.ops.boxes.back().icon, BoxIcon::Critical);
    EXPECT_EQ(readFile(f.ops.save), "x");
#endif
}

TEST(RunControllerTest, XpLayoutScansTheHeaderBlock)
{
    RunFixture f(ExtractionType::Full);
    f.writeLog(kXpLog);
    f.ops.recordStatuses = true;
    const PressResult result = f.press();
    ASSERT_EQ(result.outcome, PressOutcome::Ran);
    EXPECT_EQ(result.run.outcome, RunOutcome::Completed);
    const auto header = columns(f.rows()[1]);
    EXPECT_EQ(header[9], "[SetupAPI Log] OS Version = 5.1.2600 Service Pack 2; Platform ID = 2 (NT); ");
    EXPECT_EQ(header[0], "2005/03/01 09:00:00");
    // The empty line before the first section header is read by the run, as line 5.
    EXPECT_EQ(columns(f.rows()[2])[2], "5");
    EXPECT_NE(std::find(f.ops.statuses.begin(), f.ops.statuses.end(), "File is a setupapi.log file."),
              f.ops.statuses.end());
    EXPECT_EQ(f.ops.enabledHistory, (std::vector<bool>{false, true}));
    EXPECT_EQ(f.ops.caption, "Restart");
}

TEST(RunControllerTest, XpSecondLineInBracketsStillBelongsToTheHeader)
{
    RunFixture f(ExtractionType::Full);
    f.writeLog("[SetupAPI Log]\n[odd second line]\nmore\n[2005/03/01 09:00:00 1.2]\n");
    ASSERT_EQ(f.press().outcome, PressOutcome::Ran);
    EXPECT_EQ(columns(f.rows()[1])[9], "[SetupAPI Log] [odd second line]; more");
    EXPECT_EQ(f.rows().size(), 4u);  // column line, header record, "more", the section header
}

TEST(RunControllerTest, XpLogWithoutSectionsTakesEveryLineIntoTheHeader)
{
    RunFixture f(ExtractionType::Summary);
    f.writeLog("[SetupAPI Log]\nOS Version = 5.1\nPlatform ID = 2\n");
    ASSERT_EQ(f.press().run.outcome, RunOutcome::Completed);
    const auto rows = f.rows();
    ASSERT_EQ(rows.size(), 2u);
    // The one event holds the last line, numbered after the header lines.
    EXPECT_EQ(columns(rows[1])[9], "Platform ID = 2");
    EXPECT_EQ(columns(rows[1])[2], "4");
}

TEST(RunControllerTest, Windows2000LayoutRunsWithTheFixedHeader)
{
    RunFixture f(ExtractionType::Full);
    f.writeLog("[2004/08/17 12:03:45 1234.5]\r\nEXE name: C:\\WINNT\\setup.exe\r\n");
    f.ops.recordStatuses = true;
    ASSERT_EQ(f.press().run.outcome, RunOutcome::Completed);
    EXPECT_NE(std::find(f.ops.statuses.begin(), f.ops.statuses.end(),
                        "File is not a WinXP setupapi.log file (does not have SetupAPI in header)."),
              f.ops.statuses.end());
    const auto header = columns(f.rows()[1]);
    EXPECT_EQ(header[9], "[SetupAPI Log] Win2K SetupAPI.log file");
    EXPECT_EQ(header[0], "2004/08/17 12:03:45");
}

TEST(RunControllerTest, OtherFilesAreRefusedAfterTheSettingsAreStored)
{
    for (const std::string& content : {std::string("[setupapi log]\r\n"), std::string(),
                                      std::string("\xff\xfe[\0S\0", 6)}) {
        RunFixture f;
        f.writeLog(content);
        writeFile(f.outputPath, "old");
        const PressResult result = f.press();
        EXPECT_EQ(result.outcome, PressOutcome::NotSetupApi);
        ASSERT_FALSE(f.ops.boxes.empty());
        EXPECT_EQ(f.ops.boxes.back().text, "File is not a setupapi.log file.");
        EXPECT_EQ(f.ops.boxes.back().icon, BoxIcon::Information);
        EXPECT_FALSE(nothingStored(f));
        EXPECT_FALSE(std::filesystem::exists(f.outputPath));
        EXPECT_TRUE(f.ops.startEnabled);
    }
}

TEST(RunControllerTest, RestartRunsTheWholeSequenceAgain)
{
    RunFixture f(ExtractionType::Summary);
    f.writeLog(kXpLog);
    ASSERT_EQ(f.press().run.outcome, RunOutcome::Completed);
    const std::string first = f.output();
    ASSERT_EQ(f.ops.caption, "Restart");
    f.ops.boxes.clear();
    ASSERT_EQ(f.press().run.outcome, RunOutcome::Completed);
    EXPECT_EQ(f.output(), first);
    EXPECT_EQ(f.ops.boxes.front().icon, BoxIcon::Information);  // the old output was deleted
}

TEST(RunControllerTest, StartIsOnlyDisabledFromItsTwoCaptions)
{
    RunFixture f;
    f.writeLog(kXpLog);
    f.ops.caption = "Busy";
    f.press();
    EXPECT_EQ(f.ops.enabledHistory, std::vector<bool>{true});
}

}  // namespace
}  // namespace tillery::test

namespace tillery::test {
namespace {

// The whole run as the window shows it: every status text in order, the box, the Start
// button, for a run that completes and for one that fails at its first event close (a
// stored rule count that is no number).
TEST(RunStatusTest, EveryStepOfARunIsShownInOrder)
{
    const std::string section = "[2006/04/12 14:22:07 1.1 Driver Install]";
    const std::string found = "Found date entry: " + section;
    const std::string dated = found + " => 2006/04/12 14:22:07";
    struct Case {
        ExtractionType type;
        std::string log;
        std::vector<std::string> statuses;  // "<log>" for the log's path
        const char* box;
        BoxIcon icon;
    };
    const Case cases[] = {
        {ExtractionType::Summary, "[SetupAPI Log]\r\nOS Version = 5.1\r\n" + section + "\r\n#I022 \"A\"\r\n",
         {"File is a setupapi.log file.", "Ready to process: ", found, dated, "Preparing to process: <log>",
          "Counting lines... 1", "Counting lines... 2", "Counting lines... 3", "Counting lines... 4",
          "4 lines found in source file to process", "Processing 0 events and 1 entries", found, dated,
          "Processing 1 events and 2 entries", "Processing 1 events and 3 entries",
          "Finished processing: 1 events and 3 entries"},
         "Extraction complete.", BoxIcon::None},
        {ExtractionType::RuleBased, section + "\r\n#I022 \"A\"\r\n",
         {"File is not a WinXP setupapi.log file (does not have SetupAPI in header).", found, dated,
          "Preparing to process: <log>", "Counting lines... 1", "Counting lines... 2",
          "2 lines found in source file to process", found, dated, "Processing 1 events and 1 entries",
          "Processing 1 events and 2 entries"},
         "Error occurred while processing file.", BoxIcon::Critical},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.box);
        RunFixture f(c.type);
        f.store.save("Rules", "Count", "x");
        f.writeLog(c.log);
        f.ops.recordStatuses = true;
        ASSERT_EQ(f.press().outcome, PressOutcome::Ran);
        for (std::string& status : f.ops.statuses) {
            if (status.ends_with(f.logPath)) {
                status.replace(status.size() - f.logPath.size(), f.logPath.size(), "<log>");
            }
        }
        EXPECT_EQ(f.ops.statuses, c.statuses);
        ASSERT_EQ(f.ops.boxes.size(), 1u);
        EXPECT_EQ(f.ops.boxes[0].text, c.box);
        EXPECT_EQ(f.ops.boxes[0].icon, c.icon);
        EXPECT_EQ(f.ops.boxes[0].title, "Tillery (VORN) beta");
        EXPECT_EQ(f.ops.enabledHistory, (std::vector<bool>{false, true}));
        EXPECT_EQ(f.ops.caption, "Restart");
    }
}

}  // namespace
}  // namespace tillery::test
