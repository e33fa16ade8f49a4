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

#include <filesystem>
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
// byte: the window's operations add nothing to and take nothing from the run.
TEST_F(WindowRun, WindowPressWritesTheGoldenFullTable)
{
    MemorySettingsStore store;
    Tillery window(store, "");
    const std::string output = dir.file("window.xls");
    press(window, 0, kSample, output);
    ASSERT_EQ(boxes, std::vector<std::string>{"Extraction complete."});
    const std::string expected = test::goldenTable("sample_xp.full.expected.tsv");
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(test::readFile(output), expected);
}

// A log that changed while it was read: the rows stay, the status text says so.
TEST_F(WindowRun, ALogChangedDuringTheRunIsShownInTheStatus)
{
    const std::string log = dir.file("setupapi.log");
    test::writeFile(log, test::readFile(kSample));
    setBoxHook([&](const BoxRequest& box) {
        boxes.push_back(box.text.toStdString());
        if (box.text == QString::fromLatin1(msg::kComplete.data(), msg::kComplete.size())) {
            std::ofstream(log, std::ios::binary | std::ios::app) << "#I022 late line\r\n";
        }
    });
    MemorySettingsStore store;
    Tillery window(store, "");
    const std::string output = dir.file("out.xls");
    press(window, 0, log, output);
    EXPECT_EQ(control<QLabel>(window, "lStatus").text().toStdString(), msg::kLogChanged);
    EXPECT_GT(test::splitRows(test::readFile(output)).size(), 20u);
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

// The controls a run reads: the three types, the two paths and their dialogs.
std::vector<bool> runControlsEnabled(QWidget& window)
{
    std::vector<bool> enabled;
    for (const char* name : {"optOutput0", "optOutput1", "optOutput2", "txtOpen", "cmdOpen",
                             "txtSave", "cmdSave"}) {
        enabled.push_back(control<QWidget>(window, name).isEnabled());
    }
    return enabled;
}

// A run writes one kind of row: nothing it reads can change while it goes on, and all of
// it takes input again however the press ends.
TEST_F(WindowRun, RunControlsRestWhileARunGoesOn)
{
    const MemorySettingsStore::Sections badCount = {{"Rules", {{"Count", "x"}}}};
    struct Case {
        const char* name;
        MemorySettingsStore::Sections sections;
        int type;
        bool closeMidRun;
        std::string log;
        std::optional<std::string> lastBox;  // none when the run stops without a box
        bool runs;
    };
    const std::vector<Case> cases = {
        {"complete", {}, 1, false, kSample, "Extraction complete.", true},
        {"failed", badCount, 2, false, kSample, "Error occurred while processing file.", true},
        {"closed", {}, 0, true, kSample, std::nullopt, true},
        {"refused", {}, 1, false, dir.file("missing.log"),
         "File: " + dir.file("missing.log") + " not found.", false},
    };
    const std::vector<bool> allOn(7, true);
    const std::vector<bool> allOff(7, false);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        boxes.clear();
        std::optional<std::vector<bool>> during;
        bool setRulesDuring = false;
        MemorySettingsStore store(c.sections);
        Tillery window(store, "");
        window.show();
        // Runs at the run's first yield to window events.
        QTimer::singleShot(0, &window, [&] {
            during = runControlsEnabled(window);
            setRulesDuring = control<QPushButton>(window, "cmdDefinitions").isEnabled();
            if (c.closeMidRun) {
                control<QPushButton>(window, "cmdClose").click();
            }
        });
        press(window, c.type, c.log, dir.file(std::string(c.name) + ".xls"));
        if (c.runs) {
            ASSERT_TRUE(during.has_value()) << "the run never yielded";
            EXPECT_EQ(*during, allOff);
            EXPECT_EQ(setRulesDuring, c.type == 2) << "Set Rules follows the type alone";
        }
        EXPECT_EQ(runControlsEnabled(window), allOn);
        if (c.lastBox) {
            ASSERT_FALSE(boxes.empty());
            EXPECT_EQ(boxes.back(), *c.lastBox);
        } else {
            EXPECT_TRUE(boxes.empty());
        }
    }
}

// With the status paced (here the clock stands still, so no progress text is ever due),
// the box of a failed run still stands over the progress of the last line handled.
TEST_F(WindowRun, FailureBoxStandsOverTheLastProgressText)
{
    const MemorySettingsStore::Sections badCount = {{"Rules", {{"Count", "x"}}}};
    MemorySettingsStore headlessStore(badCount);
    test::FakeWindowOps ops;
    ops.type = ExtractionType::RuleBased;
    ops.open = kSample;
    ops.save = dir.file("headless.xls");
    ASSERT_EQ(cmdCommand_Click(ops, headlessStore).run.outcome, RunOutcome::Failed);
    const std::string expected = ops.status();
    ASSERT_EQ(expected.rfind("Processing ", 0), 0u) << expected;

    MemorySettingsStore store(badCount);
    Tillery window(store, "");
    window.ops().setClock([] { return std::int64_t{1'000'000}; });
    std::vector<std::string> statusAtBox;
    setBoxHook([&](const BoxRequest& box) {
        statusAtBox.push_back(control<QLabel>(window, "lStatus").text().toStdString());
        boxes.push_back(box.text.toStdString());
    });
    press(window, 2, kSample, dir.file("window.xls"));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], "Error occurred while processing file.");
    EXPECT_EQ(statusAtBox[0], expected);
}

// The bar of a finished run is full, header lines included.
TEST_F(WindowRun, FinishedRunShowsAFullBar)
{
    MemorySettingsStore store;
    Tillery window(store, "");
    std::optional<std::pair<int, int>> barAtBox;
    setBoxHook([&](const BoxRequest& box) {
        const auto& bar = control<QProgressBar>(window, "pbProcess");
        barAtBox = std::pair(bar.value(), bar.maximum());
        boxes.push_back(box.text.toStdString());
    });
    press(window, 1, kSample, dir.file("out.xls"));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], "Extraction complete.");
    ASSERT_TRUE(barAtBox.has_value());
    EXPECT_EQ(barAtBox->first, barAtBox->second);
    EXPECT_EQ(barAtBox->second, 29) << "every line of the log";
}

}  // namespace
}  // namespace tillery::ui
