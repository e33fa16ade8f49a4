#include "core/MemorySettingsStore.h"
#include "extract/Messages.h"
#include "support/GoldenTable.h"
#include "support/RealLogDigests.h"
#include "support/RealLogs.h"
#include "support/RunFixture.h"
#include "support/TempDir.h"
#include "support/WidgetControls.h"
#include "ui/Tillery.h"
#include "ui/UiSeams.h"
#include "ui/frmDefinitions.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <fstream>
#include <optional>
#include <vector>

namespace tillery::ui {
namespace {

using test::control;

const std::string kSample = std::string(TILLERY_TEST_DATA) + "/sample_xp.log";

// Presses Start in a real window; boxes are recorded instead of shown.
class WindowRun : public testing::Test {
protected:
    void SetUp() override
    {
        setBoxHook([this](const BoxRequest& box) { boxes.push_back(box.text.toStdString()); });
    }
    void TearDown() override { setBoxHook({}); }

    void press(Tillery& window, int type, const std::string& log, const std::string& output)
    {
        control<QLineEdit>(window, "txtOpen").setText(QString::fromStdString(log));
        control<QLineEdit>(window, "txtSave").setText(QString::fromStdString(output));
        control<QRadioButton>(window, ("optOutput" + std::to_string(type)).c_str()).click();
        control<QPushButton>(window, "cmdCommand").click();
    }

    test::TempDir dir;
    std::vector<std::string> boxes;
};

TEST_F(WindowRun, RuleBasedRunUsesWhatTheRulesDialogSaved)
{
    MemorySettingsStore store;
    Tillery window(store, "");
    {
        frmDefinitions dialog(store, &window);
        auto& fields = control<QTreeWidget>(dialog, "lvFields");
        for (int i = 0; i < fields.topLevelItemCount(); ++i) {
            QTreeWidgetItem* row = fields.topLevelItem(i);
            row->setCheckState(0, row->text(0) == "Device" || row->text(0) == "Line" ? Qt::Checked
                                                                                     : Qt::Unchecked);
        }
        auto& rules = control<QTreeWidget>(dialog, "lvDefinitions");
        rules.clear();
        control<QComboBox>(dialog, "cmbFields").setCurrentText("Device");
        control<QComboBox>(dialog, "cmbSelect").setCurrentText("Starts with");
        control<QLineEdit>(dialog, "txtValue").setText("IDE\\");
        dialog.cmdAdd_Click();
        dialog.cmdSave_Click();
        dialog.cmdCancel_Click();
    }
    const std::string output = dir.file("out.xls");
    press(window, 2, kSample, output);
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(boxes.back(), "Extraction complete.");
    // Line comes before Device; only the CD-ROM event starts with "ide\"; tidied.
    EXPECT_EQ(test::readFile(output), "Line\tDevice\r\n3\tIDE CDROMZORBEX CD-RW QX52\r\n");
    EXPECT_EQ(control<QPushButton>(window, "cmdCommand").text(), "Restart");
    EXPECT_TRUE(control<QPushButton>(window, "cmdCommand").isEnabled());
}

// A press in the window writes the hand-written Full table of the sample log, byte for
// byte; a log that changed while it was read keeps its rows, and the status says so.
TEST_F(WindowRun, WindowPressWritesTheGoldenTableAndTellsOfAChangedLog)
{
    const std::string log = dir.file("setupapi.log");
    test::writeFile(log, test::readFile(kSample));
    const std::string expected = test::goldenTable("sample_xp.full.expected.tsv");
    MemorySettingsStore store;
    Tillery window(store, "");
    const auto status = [&] { return control<QLabel>(window, "lStatus").text().toStdString(); };
    press(window, 0, log, dir.file("first.xls"));
    ASSERT_EQ(boxes, std::vector<std::string>{"Extraction complete."});
    EXPECT_EQ(test::readFile(dir.file("first.xls")), expected);
    EXPECT_NE(status(), msg::kLogChanged);

    setBoxHook([&](const BoxRequest&) {
        std::ofstream(log, std::ios::binary | std::ios::app) << "#I022 late line\r\n";
    });
    press(window, 0, log, dir.file("second.xls"));
    EXPECT_EQ(status(), msg::kLogChanged);
    EXPECT_EQ(test::readFile(dir.file("second.xls")), expected);
}

// The controls a run reads: the three types, the two paths and their dialogs.
std::vector<bool> runControlsEnabled(QWidget& window)
{
    std::vector<bool> enabled;
    for (const char* name : {"optOutput0", "optOutput1", "optOutput2", "txtOpen", "cmdOpen", "txtSave", "cmdSave"}) {
        enabled.push_back(control<QWidget>(window, name).isEnabled());
    }
    return enabled;
}

const MemorySettingsStore::Sections kBadCount = {{"Rules", {{"Count", "x"}}}};

// A run writes one kind of row: nothing it reads can change while it goes on, and all of
// it takes input again however the press ends. Set Rules follows the type alone.
TEST_F(WindowRun, RunControlsRestWhileARunGoesOn)
{
    const std::string missing = dir.file("missing.log");
    const struct Case {
        const char* name;
        int type;
        bool badCount, closeMidRun;
        std::string log, lastBox;  // lastBox "" when the run stops without a box
    } cases[] = {
        {"complete", 1, false, false, kSample, "Extraction complete."},
        {"failed", 2, true, false, kSample, "Error occurred while processing file."},
        {"closed", 0, false, true, kSample, ""},
        {"refused", 1, false, false, missing, "File: " + missing + " not found."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        boxes.clear();
        std::optional<std::vector<bool>> during;
        bool setRulesDuring = false;
        MemorySettingsStore store(c.badCount ? kBadCount : MemorySettingsStore::Sections{});
        Tillery window(store, "");
        window.show();
        QTimer::singleShot(0, &window, [&] {  // at the run's first yield to window events
            during = runControlsEnabled(window);
            setRulesDuring = control<QPushButton>(window, "cmdDefinitions").isEnabled();
            if (c.closeMidRun) {
                control<QPushButton>(window, "cmdClose").click();
            }
        });
        press(window, c.type, c.log, dir.file(std::string(c.name) + ".xls"));
        if (c.log != missing) {
            ASSERT_TRUE(during.has_value()) << "the run never yielded";
            EXPECT_EQ(*during, std::vector<bool>(7, false));
            EXPECT_EQ(setRulesDuring, c.type == 2);
        }
        EXPECT_EQ(runControlsEnabled(window), std::vector<bool>(7, true));
        EXPECT_EQ(boxes.empty() ? "" : boxes.back(), c.lastBox);
    }
}

// With the status paced (the clock stands still, so no progress text is ever due), the box
// of a failed run stands over the progress of the last line handled, and the box of a
// finished run over a full bar, header lines included.
TEST_F(WindowRun, TheBoxStandsOverTheLastProgressTextAndAFullBar)
{
    MemorySettingsStore headlessStore(kBadCount);
    test::FakeWindowOps ops;
    ops.type = ExtractionType::RuleBased;
    ops.open = kSample;
    ops.save = dir.file("headless.xls");
    ASSERT_EQ(cmdCommand_Click(ops, headlessStore).run.outcome, RunOutcome::Failed);
    ASSERT_TRUE(ops.status().starts_with("Processing ")) << ops.status();

    std::vector<std::string> statusAtBox;
    std::vector<std::pair<int, int>> barAtBox;
    for (const int type : {2, 1}) {
        MemorySettingsStore store(type == 2 ? kBadCount : MemorySettingsStore::Sections{});
        Tillery window(store, "");
        window.ops().setClock([] { return std::int64_t{1'000'000}; });
        setBoxHook([&](const BoxRequest& box) {
            statusAtBox.push_back(control<QLabel>(window, "lStatus").text().toStdString());
            const auto& bar = control<QProgressBar>(window, "pbProcess");
            barAtBox.emplace_back(bar.value(), bar.maximum());
            boxes.push_back(box.text.toStdString());
        });
        press(window, type, kSample, dir.file(std::to_string(type) + ".xls"));
    }
    ASSERT_EQ(boxes, (std::vector<std::string>{"Error occurred while processing file.", "Extraction complete."}));
    EXPECT_EQ(statusAtBox[0], ops.status());
    EXPECT_EQ(barAtBox[1], std::pair(29, 29)) << "every line of the log";
}

// Every real log of the Vista-and-later layout, pressed in the window in every type, gives
// the pinned output, as the command line does (test_cli_identity.cpp): both front ends
// write the same bytes.
TEST_F(WindowRun, RealVistaLogsGiveThePinnedOutput)
{
    const auto logs = test::realLogs("vista");
    if (logs.empty()) {
        GTEST_SKIP() << "no real logs beside the project";
    }
    const auto pinned =
        test::readDigestTable(std::filesystem::path(TILLERY_TEST_DATA) / "real_log_digests.txt");
    const char* kTypes[] = {"full", "summary", "rules"};
    int pressNumber = 0;
    for (const auto& log : logs) {
        for (int type = 0; type < 3; ++type) {
            const std::string key = "vista/" + log.filename().string();
            SCOPED_TRACE(key + " " + kTypes[type]);
            MemorySettingsStore store;
            Tillery window(store, "");
            const std::string output = dir.file(std::to_string(++pressNumber) + ".xls");
            press(window, type, log.string(), output);
            ASSERT_FALSE(boxes.empty());
            EXPECT_EQ(boxes.back(), "Extraction complete.");
            const auto found = pinned.find({key, kTypes[type]});
            ASSERT_NE(found, pinned.end());
            EXPECT_EQ(test::fnv1a64Hex(test::readFile(output)), found->second.digest);
        }
    }
}

}  // namespace
}  // namespace tillery::ui
