#include "core/DefaultRules.h"
#include "support/RealLogs.h"
#include "support/RunFixture.h"

#include <algorithm>
#include <filesystem>

#include <gtest/gtest.h>

namespace tillery::test {
namespace {

namespace fs = std::filesystem;

class RealLogTest : public ::testing::TestWithParam<ExtractionType> {};

// Every real log runs to the end in every extraction type, whether pressed through Start
// (for logs that pass the layout test) or run directly.
TEST_P(RealLogTest, EveryRealLogRunsToCompletion)
{
    std::vector<fs::path> logs = realLogs("xp");
    for (const char* folder : {"w2k", "vista"}) {
        const auto more = realLogs(folder);
        logs.insert(logs.end(), more.begin(), more.end());
    }
    if (logs.empty()) {
        GTEST_SKIP() << "no real logs beside the project";
    }
    for (const fs::path& log : logs) {
        SCOPED_TRACE(log.filename().string());
        RunFixture f(GetParam());
        ResetRegistry(f.store);
        fs::copy_file(log, f.logPath);
        const PressResult press = f.press();
        if (press.outcome == PressOutcome::NotSetupApi) {
            // Carved fragments start in the middle of a line: the engine still reads them.
            f.ops.boxes.clear();
            EXPECT_EQ(f.run("?", "fragment", 0).outcome, RunOutcome::Completed);
        } else {
            ASSERT_EQ(press.outcome, PressOutcome::Ran);
            EXPECT_EQ(press.run.outcome, RunOutcome::Completed) << press.run.reason;
        }
        ASSERT_FALSE(f.ops.boxes.empty());
        EXPECT_EQ(f.ops.boxes.back().text, "Extraction complete.");
        EXPECT_GE(f.rows().size(), 1u);
    }
}

INSTANTIATE_TEST_SUITE_P(AllTypes, RealLogTest,
                         ::testing::Values(ExtractionType::Full, ExtractionType::Summary,
                                           ExtractionType::RuleBased));

TEST(RealLogTest, Windows2000LogFindsItsDrivesAndVolumeSize)
{
    const fs::path log = fs::path(TILLERY_REAL_LOGS) / "w2k/Win2000DevCommunity_RemoteDesk2K_setupapi.log";
    if (!fs::exists(log)) {
        GTEST_SKIP() << "no real logs beside the project";
    }
    RunFixture f(ExtractionType::RuleBased);
    ResetRegistry(f.store);
    fs::copy_file(log, f.logPath);
    ASSERT_EQ(f.press().run.outcome, RunOutcome::Completed);
    const std::string out = f.output();
    // The CD-ROM drive and the volume with its real size (the identifier has no quotes).
    EXPECT_NE(out.find("IDE CDROMNECVMWAR VMWARE IDE CDR10"), std::string::npos);
    EXPECT_NE(out.find("Signature: 37C637C5, Offset: 0 MB, Size: 8 GB"), std::string::npos);

    // Full: one row per line, the trailing run of NUL bytes included as a line.
    RunFixture full(ExtractionType::Full);
    fs::copy_file(log, full.logPath);
    ASSERT_EQ(full.press().run.outcome, RunOutcome::Completed);
    EXPECT_EQ(full.rows().size(), 2u + 2878u);
}

// One press with the default rules; the output's rows split into columns.
std::vector<std::vector<std::string>> pressRealLog(const fs::path& log, ExtractionType type)
{
    RunFixture f(type);
    fs::copy_file(log, f.logPath);
    return f.pressWithDefaultRules();
}

TEST(RealLogTest, VistaLogsGiveTheirEventsAndTheUsbStick)
{
    const fs::path folder = fs::path(TILLERY_REAL_LOGS) / "vista";
    if (!fs::exists(folder / "log2timeline_plaso_setupapi.dev.log")) {
        GTEST_SKIP() << "no real logs beside the project";
    }
    // The Windows 10 log names its USB stick only through the stick's WPD node.
    const auto rules = pressRealLog(folder / "log2timeline_plaso_setupapi.dev.log", ExtractionType::RuleBased);
    ASSERT_EQ(rules.size(), 2u);
    EXPECT_EQ(rules[1], (std::vector<std::string>{"2016/11/22 23:50:30", "WPD FileSystem Volume Driver",
                                                  "USBSTOR DISK GENERIC PROD FLASH DISK"}));

    // Summary rows, all eleven values in column order.
    using Row = std::vector<std::string>;
    const std::string wpd =
        "SWD\\WPDBUSENUM\\_??_USBSTOR#Disk&Ven_Generic&Prod_Flash_Disk&Rev_8.07#99E2116A&0#"
        "{53f56307-b6bf-11d0-94f2-00a0c91efb8b}";
    const std::pair<const char*, Row> golden[] = {
        {"log2timeline_plaso_setupapi.dev.log",
         {"2016/11/22 23:50:30", "Device Install (Hardware initiated) - " + wpd, "125", "Summary", "S",
          "USBSTOR\\Disk&Ven_Generic&Prod_Flash_Disk&Rev_8.07\\99E2116A&0",
          "eec5ad98-8080-425f-922a-dabf3de3f69a", "WPD FileSystem Volume Driver", wpd,
          "<<<  [Exit status: SUCCESS]",
          "c:\\windows\\system32\\driverstore\\filerepository\\wpdfs.inf_amd64_8a2119498234c804\\wpdfs.inf"}},
        {"log2timeline_plaso_setupapi.setup.log",
         {"2015/11/22 17:55:25", "Setup online Device Install (Hardware initiated) - SWD\\PRINTENUM\\PrintQueues",
          "70", "Summary", "S", "", "1ed2bbf9-11f0-4084-b21f-ad83a8e6dcdc", "Local Print Queue",
          "SWD\\PRINTENUM\\PrintQueues", "<<<  [Exit status: SUCCESS]",
          "c:\\windows\\system32\\driverstore\\filerepository\\printqueue.inf_amd64_d8df683074893f75\\printqueue.inf"}},
        {"OUALI42_CyberSecu_setupapi.dev.log",
         {"2026/01/22 18:47:26", "Install Driver Updates", "15210", "Summary", "S", "",
          "4d36e97d-e325-11ce-bfc1-08002be10318", "", "", "<<<  [Exit status: SUCCESS (REBOOT_REQUIRED)]",
          "C:\\Windows\\winsxs\\x86_microsoft-windows-servicingstack_31bf3856ad364e35_10.0.17763.8260_none_"
          "fadea843e0af50ff\\TiWorker.exe -Embedding"}},
    };
    for (const auto& [file, row] : golden) {
        const auto summary = pressRealLog(folder / file, ExtractionType::Summary);
        EXPECT_NE(std::find(summary.begin(), summary.end(), row), summary.end())
            << file << ": no row " << testing::PrintToString(row);
    }
}

}  // namespace
}  // namespace tillery::test
