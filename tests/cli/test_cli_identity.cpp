// The command line writes exactly the bytes that a press of Start in the window writes,
// for the same log, settings and extraction type. One small case: the golden tables and
// the digests pin the output itself.

#include "cli/CliHarness.h"
#include "core/MemorySettingsStore.h"
#include "support/RealLogDigests.h"
#include "support/RealLogs.h"
#include "support/RunFixture.h"
#include "support/TempDir.h"
#include "support/WidgetControls.h"
#include "ui/Tillery.h"
#include "ui/UiSeams.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace tillery {
namespace {

using test::control;

// The window needs an application object; this test program has none of its own.
QApplication& application()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    static int argc = 1;
    static char name[] = "cli_tests";
    static char* argv[] = {name, nullptr};
    static QApplication app(argc, argv);
    return app;
}

TEST(CliIdentity, CommandLineWritesWhatAWindowPressWrites)
{
    application();
    const test::TempDir dir;
    std::vector<std::string> boxes;
    ui::setBoxHook([&](const ui::BoxRequest& box) { boxes.push_back(box.text.toStdString()); });

    // A first start of the window writes the default rule set; the command line uses the
    // same set when its settings file holds no rules.
    MemorySettingsStore store;
    const std::string windowOutput = dir.file("window.xls");
    {
        ui::Tillery window(store, "");
        control<QLineEdit>(window, "txtOpen").setText(QString::fromStdString(test::kSampleLog));
        control<QLineEdit>(window, "txtSave").setText(QString::fromStdString(windowOutput));
        control<QRadioButton>(window, "optOutput2").click();
        control<QPushButton>(window, "cmdCommand").click();
    }
    ui::setBoxHook({});
    ASSERT_EQ(boxes, std::vector<std::string>{"Extraction complete."});
    const std::string table = test::readFile(windowOutput);
    ASSERT_GT(test::splitRows(table).size(), 1u);

    const std::string ini = dir.file("settings.ini");
    test::writeFile(ini, "");
    const std::string cliOutput = dir.file("cli.xls");
    const test::CliResult inProcess =
        test::runInProcess({"--settings", ini, "--type", "rules", "-o", cliOutput, test::kSampleLog});
    EXPECT_EQ(inProcess.exitCode, 0) << inProcess.err;
    EXPECT_EQ(test::readFile(cliOutput), table);
    const test::CliResult binary =
        test::runBinary(dir.path(), {"--settings", ini, "--type", "rules", "-o", "-", test::kSampleLog});
    EXPECT_EQ(binary.exitCode, 0) << binary.err;
    EXPECT_EQ(binary.out, table);
}

// Every real log of the Vista-and-later layout, run by the built program in every type,
// gives the pinned output, as a window press does (test_window_run.cpp).
TEST(CliIdentity, RealVistaLogsGiveThePinnedOutput)
{
    const auto logs = test::realLogs("vista");
    if (logs.empty()) {
        GTEST_SKIP() << "no real logs beside the project";
    }
    const test::TempDir dir;
    const std::string ini = dir.file("settings.ini");
    test::writeFile(ini, "");
    const auto pinned =
        test::readDigestTable(std::filesystem::path(TILLERY_TEST_DATA) / "real_log_digests.txt");
    for (const auto& log : logs) {
        for (const char* type : {"full", "summary", "rules"}) {
            const std::string key = "vista/" + log.filename().string();
            SCOPED_TRACE(key + " " + type);
            const test::CliResult r =
                test::runBinary(dir.path(), {"--settings", ini, "--type", type, "-o", "-", log.string()});
            EXPECT_EQ(r.exitCode, 0) << r.err;
            const auto found = pinned.find({key, type});
            ASSERT_NE(found, pinned.end());
            EXPECT_EQ(test::fnv1a64Hex(r.out), found->second.digest);
        }
    }
}

}  // namespace
}  // namespace tillery
