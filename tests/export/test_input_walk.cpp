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

// A case folder walked with the output inside it, given twice (once spelled otherwise):
// logs found by content in sorted order, each once, the output and the rest skipped.
TEST(InputWalk, FindsLogsByContentInSortedOrderAndSkipsTheRest)
{
    test::TempDir dir;
    const fs::path root = dir.path() / "case";
    const std::string r = root.string();
    fs::create_directories(root / "Windows" / "inf");
    fs::create_directories(dir.path() / "outside");
    test::writeFile(r + "/Windows/setupapi.log", kXp);
    test::writeFile(r + "/Windows/inf/setupapi.dev.log", kVista);
    test::writeFile(r + "/Windows/inf/setupapi.dev.20190523_101502.log", kVistaBom);
    test::writeFile(r + "/w2k.txt", kW2k);
    test::writeFile(r + "/notes.log", "just notes\n");
    test::writeFile(r + "/empty.log", "");
    test::writeFile(r + "/out.csv", kXp);  // an output that happens to look like a log
    test::writeFile(dir.file("outside/setupapi.log"), kXp);
    test::writeFile(dir.file("a.log"), kW2k);
    fs::create_symlink(dir.path() / "outside" / "setupapi.log", root / "link-out.log");
    fs::create_symlink(dir.path() / "outside", root / "dir-out");
    fs::create_symlink(root / "Windows" / "setupapi.log", root / "link-in.log");
    fs::create_symlink(root, root / "Windows" / "loop");
    ASSERT_EQ(mkfifo((root / "pipe.log").c_str(), 0600), 0);

    const InputWalk walk =
        walkInputs({r + "/Windows/../w2k.txt", dir.file("a.log"), r}, dir.file("case/./out.csv"));
    EXPECT_TRUE(walk.errors.empty());
    EXPECT_EQ(paths(walk), (std::vector<std::string>{
                               r + "/Windows/../w2k.txt",
                               dir.file("a.log"),
                               r + "/Windows/inf/setupapi.dev.20190523_101502.log",
                               r + "/Windows/inf/setupapi.dev.log",
                               r + "/Windows/setupapi.log",
                           }));
    ASSERT_EQ(walk.logs.size(), 5u);
    EXPECT_EQ(walk.logs[0].layout, Layout::Windows2000);
    EXPECT_EQ(walk.logs[2].layout, Layout::Vista);
    EXPECT_EQ(walk.logs[4].layout, Layout::WindowsXp);
    EXPECT_EQ(walk.skipped, (std::vector<std::string>{
                                "Skipped, symbolic link leads out of the folder: " + r + "/dir-out",
                                "Skipped, symbolic link leads out of the folder: " + r + "/link-out.log",
                                "Skipped, not an ordinary file: " + r + "/pipe.log",
                                "Skipped, not a setupapi log: " + r + "/empty.log",
                                "Skipped, not a setupapi log: " + r + "/notes.log",
                                "Skipped, it is the output file: " + r + "/out.csv",
                            }));
}

TEST(InputWalk, ErrorsForMissingPathsFoldersWithoutLogsAndNamedNonLogs)
{
    test::TempDir dir;
    fs::create_directories(dir.path() / "nolog");
    test::writeFile(dir.file("nolog/readme.txt"), "x\n");
    test::writeFile(dir.file("readme.txt"), "x\n");
    test::writeFile(dir.file("out.csv"), kXp);
    const InputWalk walk = walkInputs(
        {dir.file("missing"), dir.file("nolog"), dir.file("readme.txt"), dir.file("out.csv")},
        dir.file("nolog/../out.csv"));
    EXPECT_TRUE(walk.logs.empty());
    ASSERT_EQ(walk.errors.size(), 4u);
    EXPECT_EQ(std::vector<std::string>(walk.errors.begin(), walk.errors.begin() + 3),
              (std::vector<std::string>{
                  "Not found: " + dir.file("missing"),
                  "No setupapi log in folder: " + dir.file("nolog"),
                  "Not a setupapi log: " + dir.file("readme.txt"),
              }));
}
