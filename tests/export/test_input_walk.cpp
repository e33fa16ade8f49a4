#include "export/InputWalk.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

using namespace tillery;
namespace fs = std::filesystem;

namespace {

constexpr const char* kXp = "[SetupAPI Log]\r\nOS Version = 5.1.2600\r\n";
constexpr const char* kW2k = "[2005/05/12 12:34:56 632.4]\r\n#-198 x\r\n";
constexpr const char* kVista = "[Device Install Log]\r\n     OS Version = 10.0.19045\r\n";
constexpr const char* kVistaBom = "\xEF\xBB\xBF[Device Install Log]\n";

std::vector<std::string> paths(const InputWalk& walk)
{
    std::vector<std::string> out;
    for (const FoundLog& log : walk.logs) {
        out.push_back(log.path);
    }
    return out;
}

}  // namespace

TEST(InputWalk, FindsLogsByContentInSortedOrderAndSkipsTheRest)
{
    test::TempDir dir;
    const fs::path root = dir.path() / "case";
    fs::create_directories(root / "Windows" / "inf");
    fs::create_directories(root / "empty");
    fs::create_directories(dir.path() / "outside");
    test::writeFile((root / "Windows" / "setupapi.log").string(), kXp);
    test::writeFile((root / "Windows" / "inf" / "setupapi.dev.log").string(), kVista);
    test::writeFile((root / "Windows" / "inf" / "setupapi.dev.20190523_101502.log").string(), kVistaBom);
    test::writeFile((root / "w2k.txt").string(), kW2k);
    test::writeFile((root / "notes.log").string(), "just notes\n");
    test::writeFile((root / "empty.log").string(), "");
    test::writeFile((dir.path() / "outside" / "setupapi.log").string(), kXp);
    fs::create_symlink(dir.path() / "outside" / "setupapi.log", root / "link-out.log");
    fs::create_symlink(dir.path() / "outside", root / "dir-out");
    fs::create_symlink(root / "Windows" / "setupapi.log", root / "link-in.log");
    fs::create_symlink(root, root / "Windows" / "loop");
    ASSERT_EQ(mkfifo((root / "pipe.log").c_str(), 0600), 0);

    const InputWalk walk = walkInputs({root.string()}, "");
    EXPECT_TRUE(walk.errors.empty());
    const std::string r = root.string();
    EXPECT_EQ(paths(walk), (std::vector<std::string>{
                               r + "/Windows/inf/setupapi.dev.20190523_101502.log",
                               r + "/Windows/inf/setupapi.dev.log",
                               r + "/Windows/setupapi.log",
                               r + "/w2k.txt",
                           }));
    ASSERT_EQ(walk.logs.size(), 4u);
    EXPECT_EQ(walk.logs[0].layout, Layout::Vista);
    EXPECT_EQ(walk.logs[2].layout, Layout::WindowsXp);
    EXPECT_EQ(walk.logs[3].layout, Layout::Windows2000);

    const std::vector<std::string> skipped = {
        "Skipped, symbolic link leads out of the folder: " + r + "/dir-out",
        "Skipped, symbolic link leads out of the folder: " + r + "/link-out.log",
        "Skipped, not an ordinary file: " + r + "/pipe.log",
        "Skipped, not a setupapi log: " + r + "/empty.log",
        "Skipped, not a setupapi log: " + r + "/notes.log",
    };
    EXPECT_EQ(walk.skipped, skipped);
}

TEST(InputWalk, ErrorsForMissingPathsFoldersWithoutLogsAndNamedNonLogs)
{
    test::TempDir dir;
    fs::create_directories(dir.path() / "nolog");
    test::writeFile(dir.file("nolog/readme.txt"), "x\n");
    test::writeFile(dir.file("readme.txt"), "x\n");
    const InputWalk walk =
        walkInputs({dir.file("missing"), dir.file("nolog"), dir.file("readme.txt")}, "");
    EXPECT_TRUE(walk.logs.empty());
    EXPECT_EQ(walk.errors, (std::vector<std::string>{
                               "Not found: " + dir.file("missing"),
                               "No setupapi log in folder: " + dir.file("nolog"),
                               "Not a setupapi log: " + dir.file("readme.txt"),
                           }));
    EXPECT_EQ(walk.skipped.size(), 1u);
}

TEST(InputWalk, TheOutputFileIsNeverAnInputHoweverSpelled)
{
    test::TempDir dir;
    fs::create_directories(dir.path() / "logs");
    test::writeFile(dir.file("logs/a.log"), kXp);
    test::writeFile(dir.file("logs/out.csv"), kXp);  // an output that happens to look like a log
    const std::string spelled = dir.file("logs/../logs/./out.csv");

    const InputWalk walk = walkInputs({dir.file("logs")}, spelled);
    EXPECT_EQ(paths(walk), std::vector<std::string>{dir.file("logs") + "/a.log"});
    EXPECT_EQ(walk.skipped, std::vector<std::string>{"Skipped, it is the output file: " + dir.file("logs") + "/out.csv"});

    const InputWalk named = walkInputs({dir.file("logs/out.csv")}, spelled);
    EXPECT_TRUE(named.logs.empty());
    EXPECT_EQ(named.errors.size(), 1u);
}

TEST(InputWalk, AFileReachedTwiceIsReadOnceInArgumentOrder)
{
    test::TempDir dir;
    fs::create_directories(dir.path() / "b");
    test::writeFile(dir.file("b/setupapi.log"), kXp);
    test::writeFile(dir.file("a.log"), kW2k);
    const InputWalk walk =
        walkInputs({dir.file("b"), dir.file("a.log"), dir.file("b/../b/setupapi.log")}, "");
    EXPECT_TRUE(walk.errors.empty());
    EXPECT_EQ(paths(walk), (std::vector<std::string>{dir.file("b") + "/setupapi.log", dir.file("a.log")}));
}
