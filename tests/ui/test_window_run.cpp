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
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

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

}  // namespace
}  // namespace tillery::ui
