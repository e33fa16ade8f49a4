#include "core/MemorySettingsStore.h"
#include "extract/RunController.h"
#include "support/FakeWindowOps.h"
#include "support/RealLogs.h"
#include "support/RunFixture.h"
#include "support/TempDir.h"
#include "ui/Tillery.h"
#include "ui/UiSeams.h"
#include "ui/frmDefinitions.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <filesystem>

namespace tillery::ui {
namespace {

template <typename T>
T& control(QWidget& window, const char* name)
{
    T* widget = window.findChild<T*>(QString::fromLatin1(name));
    if (widget == nullptr) {
        throw std::runtime_error(std::string("no control ") + name);
    }
    return *widget;
}

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

// A press in the window writes the same bytes as a press through the plain window
// operations that the command line and the tests use, for the sample log and the real
// logs of the later layout.
TEST_F(WindowRun, WindowRunWritesTheSameBytesAsAHeadlessRun)
{
    std::vector<std::string> logs = {kSample};
    for (const auto& log : test::realLogs("vista")) {
        logs.push_back(log.string());
    }
    int pressNumber = 0;
    for (const std::string& log : logs) {
        for (int type = 0; type < 3; ++type) {
            SCOPED_TRACE(log + " " + std::to_string(type));
            const std::string name = std::to_string(++pressNumber) + ".xls";
            MemorySettingsStore store;
            Tillery window(store, "");
            const std::string windowOutput = dir.file("window" + name);
            press(window, type, log, windowOutput);
            ASSERT_FALSE(boxes.empty());
            EXPECT_EQ(boxes.back(), "Extraction complete.");

            test::FakeWindowOps ops;
            ops.type = static_cast<ExtractionType>(type);
            ops.open = log;
            ops.save = dir.file("headless" + name);
            ASSERT_EQ(cmdCommand_Click(ops, store).run.outcome, RunOutcome::Completed);
            EXPECT_EQ(test::readFile(windowOutput), test::readFile(ops.save));
            // Rule based finds nothing in some logs: the column line then stands alone.
            EXPECT_GT(test::splitRows(test::readFile(windowOutput)).size(), type == 2 ? 0u : 1u);
        }
    }
}

}  // namespace
}  // namespace tillery::ui
