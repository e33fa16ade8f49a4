#include "core/DefaultRules.h"
#include "core/MemorySettingsStore.h"
#include "support/TempDir.h"
#include "ui/Tillery.h"
#include "ui/UiSeams.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace tillery::ui {
namespace {

using Sections = MemorySettingsStore::Sections;

class MainWindow : public testing::Test {
protected:
    void SetUp() override
    {
        setBoxHook([this](const BoxRequest& box) {
            boxes.push_back(box);
            statusAtBox.push_back(labelText(*box.parent, "lStatus"));
        });
        setFileDialogHook([this](const FileDialogRequest& request) {
            dialogs.push_back(request);
            return dialogAnswer;
        });
    }
    void TearDown() override
    {
        setBoxHook({});
        setFileDialogHook({});
    }

    template <typename T = QWidget>
    static T& control(QWidget& window, const std::string& name)
    {
        T* widget = window.findChild<T*>(QString::fromStdString(name));
        if (widget == nullptr) {
            throw std::runtime_error("no control " + name);
        }
        return *widget;
    }
    static std::string text(QWidget& window, const char* name)
    {
        return control<QLineEdit>(window, name).text().toStdString();
    }
    static QString labelText(QWidget& window, const char* name)
    {
        return control<QLabel>(window, name).text();
    }
    static int checkedOption(QWidget& window)
    {
        int checked = -1;
        for (int i = 0; i < 3; ++i) {
            if (control<QRadioButton>(window, "optOutput" + std::to_string(i)).isChecked()) {
                checked = i;
            }
        }
        return checked;
    }
    static bool setRulesEnabled(QWidget& window)
    {
        return control(window, "cmdDefinitions").isEnabled();
    }

    std::vector<BoxRequest> boxes;
    std::vector<QString> statusAtBox;
    std::vector<FileDialogRequest> dialogs;
    std::optional<QString> dialogAnswer;
};

TEST_F(MainWindow, FirstStartWritesDefaultsAndShowsDefaultPaths)
{
    MemorySettingsStore store;
    Tillery window(store, "");
    EXPECT_EQ(window.windowTitle().toStdString(), "Tillery (VORN) beta");
    EXPECT_EQ(store.keyCount("ShowFields"), 11u);
    EXPECT_EQ(store.keyCount("Rules"), 50u);
    EXPECT_EQ(store.keyCount("Settings"), 0u) << "start-up only reads the last settings";
    EXPECT_EQ(text(window, "txtOpen"), "C:\\Windows\\setupapi.log");
    EXPECT_EQ(text(window, "txtSave"), "C:\\Windows\\setupapi.log.xls");
    EXPECT_EQ(checkedOption(window), 1);
    EXPECT_FALSE(setRulesEnabled(window));
    EXPECT_EQ(labelText(window, "lStatus"), "No file name received. Loading last settings.");
    EXPECT_EQ(window.saveDialogFileName(), "setupapi.log.xls");
    EXPECT_EQ(window.openDialogFileName(), "C:\\Windows\\setupapi.log");
    EXPECT_TRUE(boxes.empty());
}

TEST_F(MainWindow, RulesSavedBeforeTheFirstRunSurviveARestart)
{
    MemorySettingsStore store;
    { Tillery first(store, ""); }
    WriteRuleToReg(store, 1, "Name", "Contains", "My Stick");
    store.save("Rules", "Count", "1");
    Tillery second(store, "");
    EXPECT_EQ(store.get("Rules", "Count", ""), "1");
    EXPECT_EQ(store.get("Rules", "1v", ""), "my stick");

    // The defaults are written only while "Summary" is empty and "Count" absent.
    const std::vector<std::pair<Sections, bool>> cases = {
        {{{"Settings", {{"Summary", ""}}}}, true},
        {{{"Settings", {{"Summary", "1"}}}}, false},
        {{{"Rules", {{"Count", "0"}}}}, false},
        {{{"Rules", {{"Count", ""}}}}, false},
    };
    for (const auto& [sections, resets] : cases) {
        MemorySettingsStore other(sections);
        Tillery window(other, "");
        EXPECT_EQ(other.keyCount("ShowFields") == 11, resets);
    }
}

TEST_F(MainWindow, StoredSummarySelectsOnlyKnownTypes)
{
    struct Case {
        const char* stored;
        int selected;
    };
    for (const Case c : {Case{"2", 2}, Case{"0", 0}, Case{"1", 1}, Case{"7", 1}, Case{"abc", 1},
                         Case{"-1", 1}, Case{" 2 ", 2}, Case{"1.6", 2}}) {
        MemorySettingsStore store(Sections{{"Settings", {{"Summary", c.stored}}}});
        Tillery window(store, "");
        EXPECT_EQ(checkedOption(window), c.selected) << c.stored;
        EXPECT_EQ(setRulesEnabled(window), c.selected == 2) << c.stored;
        EXPECT_EQ(static_cast<int>(window.ops().selectedType()), c.selected) << c.stored;
    }
}

TEST_F(MainWindow, CommandLineArgument)
{
    struct Case {
        std::string argument;
        std::string open;
        std::string status;
    };
    const std::vector<Case> cases = {
        {"\"C:\\logs\\setupapi.log\"", "C:\\logs\\setupapi.log",
         "Received file name: \"C:\\logs\\setupapi.log\""},
        {"C:\\logs\\setupapi.log", "C:\\logs\\setupapi.log",
         "Received file name: C:\\logs\\setupapi.log"},
        {"  \"D:\\a b\\setupapi.log\"  ", "D:\\a b\\setupapi.log",
         "Received file name: \"D:\\a b\\setupapi.log\""},
        {"\"C:\\half quoted.log", "\"C:\\half quoted.log", "Received file name: \"C:\\half quoted.log"},
        {"x", "x", "Received file name: x"},
        {"\"\"", "", "Received file name: \"\""},
    };
    for (const Case& c : cases) {
        MemorySettingsStore store(
            Sections{{"Settings", {{"Summary", "1"}, {"Open", "stored.log"}, {"Save", "stored.xls"}}}});
        Tillery window(store, c.argument);
        EXPECT_EQ(text(window, "txtOpen"), c.open) << c.argument;
        EXPECT_EQ(text(window, "txtSave"), c.open + ".xls") << c.argument;
        EXPECT_EQ(window.ops().status(), c.status);
        EXPECT_EQ(window.openDialogFileName().toStdString(), c.open);
        EXPECT_EQ(window.saveDialogFileName().toStdString(), c.open + ".xls");
    }
}

TEST_F(MainWindow, BlankArgumentLoadsTheLastSettings)
{
    MemorySettingsStore store(
        Sections{{"Settings", {{"Summary", "0"}, {"Open", "E:\\old.log"}, {"Save", "E:\\old.xls"}}}});
    Tillery window(store, "   ");
    EXPECT_EQ(text(window, "txtOpen"), "E:\\old.log");
    EXPECT_EQ(text(window, "txtSave"), "E:\\old.xls");
    EXPECT_EQ(window.ops().status(), "No file name received. Loading last settings.");
    EXPECT_EQ(window.saveDialogFileName(), "setupapi.log.xls") << "not the restored path";
}

TEST_F(MainWindow, FileDialogsAskWithTheirPresetsAndCancelChangesNothing)
{
    MemorySettingsStore store;
    Tillery window(store, "");

    control<QPushButton>(window, "cmdOpen").click();
    control<QPushButton>(window, "cmdSave").click();
    ASSERT_EQ(dialogs.size(), 2u);
    EXPECT_EQ(text(window, "txtOpen"), "C:\\Windows\\setupapi.log");
    EXPECT_EQ(text(window, "txtSave"), "C:\\Windows\\setupapi.log.xls");

    const FileDialogRequest& open = dialogs[0];
    EXPECT_FALSE(open.save);
    EXPECT_EQ(open.title, "Select setupapi.log file to extract from:");
    EXPECT_EQ(open.filter, "All Files (*.*);;Log Files (*.log)");
    EXPECT_EQ(open.fileName, "C:\\Windows\\setupapi.log");
    EXPECT_EQ(open.initialFolder, "C:\\Windows\\");
    EXPECT_EQ(open.defaultSuffix, "log");
    EXPECT_EQ(open.parent, &window);

    const FileDialogRequest& save = dialogs[1];
    EXPECT_TRUE(save.save);
    EXPECT_EQ(save.title, "select location to save output file:");
    EXPECT_EQ(save.filter, "All Files (*.*);;CSV Files (*.xls);;Log Files (*.log)");
    EXPECT_EQ(save.fileName, "setupapi.log.xls");
    EXPECT_EQ(save.initialFolder, "C:\\Windows");
    EXPECT_EQ(save.defaultSuffix, "xls");

    // A chosen file fills the box and is offered again next time.
    dialogAnswer = QStringLiteral("/data/out.xls");
    control<QPushButton>(window, "cmdSave").click();
    dialogAnswer.reset();
    control<QPushButton>(window, "cmdSave").click();
    EXPECT_EQ(text(window, "txtSave"), "/data/out.xls");
    EXPECT_EQ(dialogs.back().fileName, "/data/out.xls");
}

// The real open dialog: "All Files (*.*)" lists every file, names without a dot too, and
// such a name can be opened; the dialog leaves no file of its own in the settings folder.
TEST_F(MainWindow, OpenDialogListsEveryFileAndKeepsNoStateFile)
{
    setFileDialogHook({});
    test::TempDir evidence;
    for (const char* name : {"f1143712", "setupapi", "setupapi.log"}) {
        test::writeFile(evidence.file(name), "[SetupAPI Log]\r\n");
    }
    const QString folder = QString::fromStdString(evidence.path().string());
    MemorySettingsStore store;
    Tillery window(store, "");
    window.show();

    QString shownFilter;
    QStringList listed;
    QTimer answer;  // answers the dialog once it is up
    QObject::connect(&answer, &QTimer::timeout, &window, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        auto* model = dialog != nullptr ? dialog->findChild<QFileSystemModel*>() : nullptr;
        auto* name = dialog != nullptr ? dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")) : nullptr;
        if (model == nullptr || name == nullptr) {
            return;
        }
        answer.stop();
        shownFilter = dialog->selectedNameFilter();
        bool loaded = false;
        QObject::connect(model, &QFileSystemModel::directoryLoaded, dialog,
                         [&](const QString& path) { loaded = loaded || path == folder; });
        dialog->setDirectory(folder);
        QElapsedTimer waited;
        waited.start();
        while (!loaded && waited.elapsed() < 5000) {
            QApplication::processEvents(QEventLoop::AllEvents, 20);
        }
        const QModelIndex root = model->index(folder);
        for (int row = 0; row < model->rowCount(root); ++row) {
            listed << model->fileName(model->index(row, 0, root));
        }
        name->setText(QStringLiteral("f1143712"));
        // A "not found" box over the dialog is closed, and the dialog after it.
        QTimer closer;
        QObject::connect(&closer, &QTimer::timeout, dialog, [dialog] {
            if (QWidget* box = QApplication::activeModalWidget(); box != nullptr && box != dialog) {
                box->close();
            }
        });
        closer.start(10);
        static_cast<QDialog*>(dialog)->accept();  // as the Open button does
        if (dialog->isVisible()) {
            dialog->reject();
        }
    });
    answer.start(10);
    control<QPushButton>(window, "cmdOpen").click();

    EXPECT_EQ(shownFilter, "All Files (*.*)") << "the description as given";
    listed.sort();
    EXPECT_EQ(listed, QStringList({"f1143712", "setupapi", "setupapi.log"}));
    EXPECT_EQ(text(window, "txtOpen"), (evidence.path() / "f1143712").string());

    // Only the program's own store may live in the per-user settings folder.
    const std::filesystem::path config = qEnvironmentVariable("XDG_CONFIG_HOME").toStdString();
    for (const auto& entry : std::filesystem::recursive_directory_iterator(config)) {
        const std::string relative = entry.path().lexically_relative(config).generic_string();
        EXPECT_TRUE(!entry.is_regular_file() || relative == "VORN/VORN.ini") << relative;
    }
}

// Return presses the push button that has the focus; the window carries its built-in icon.
TEST_F(MainWindow, ReturnPressesTheFocusedButtonAndTheWindowHasItsIcon)
{
    MemorySettingsStore store;
    Tillery window(store, "");
    EXPECT_FALSE(window.windowIcon().pixmap(32, 32).isNull());
    for (const int key : {Qt::Key_Return, Qt::Key_Enter}) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(&control(window, "cmdSave"), &press);
    }
    ASSERT_EQ(dialogs.size(), 2u);
    EXPECT_TRUE(dialogs[0].save);
}

TEST_F(MainWindow, SetRulesFollowsTheSelectedType)
{
    MemorySettingsStore store;
    Tillery window(store, "");
    for (int index : {2, 0, 2, 1, 2, 2, 0}) {
        control<QRadioButton>(window, "optOutput" + std::to_string(index)).click();
        EXPECT_EQ(setRulesEnabled(window), index == 2) << index;
        EXPECT_EQ(static_cast<int>(window.ops().selectedType()), index);
    }
    control<QRadioButton>(window, "optOutput2").setChecked(true);  // keyboard, program
    EXPECT_TRUE(setRulesEnabled(window));
    EXPECT_EQ(store.keyCount("Settings"), 0u) << "a click stores nothing";
}

TEST_F(MainWindow, LayoutCaptionsAndFonts)
{
    MemorySettingsStore store;
    Tillery window(store, "");
    EXPECT_EQ(window.size(), QSize(592, 184));
    EXPECT_EQ(window.minimumSize(), window.maximumSize());
    const std::vector<std::pair<std::string, QRect>> geometry = {
        {"cmdOpen", {520, 8, 65, 25}},     {"cmdDefinitions", {280, 88, 121, 25}},
        {"cmdCommand", {488, 64, 97, 25}}, {"cmdClose", {488, 88, 97, 25}},
        {"optOutput2", {96, 96, 193, 17}}, {"txtSave", {96, 32, 417, 23}},
        {"Frame1", {8, 112, 577, 65}},     {"lStatus", {56, 16, 513, 17}},
        {"pbProcess", {8, 40, 561, 17}}};
    for (const auto& [name, rect] : geometry) {
        EXPECT_EQ(control(window, name).geometry(), rect) << name;
    }
    EXPECT_EQ(control<QPushButton>(window, "cmdSave").text(), "Export to");
    EXPECT_EQ(control<QRadioButton>(window, "optOutput2").text(), "Rule based [default: find drives]");
    EXPECT_EQ(control<QGroupBox>(window, "Frame1").title(), "Status");
    EXPECT_EQ(control(window, "lStatus").parentWidget(), &control(window, "Frame1"));
    // The log box says which layouts are read.
    for (const char* name : {"Label1", "txtOpen", "cmdOpen"}) {
        const QString tip = control(window, name).toolTip();
        EXPECT_TRUE(tip.contains("Windows XP") && tip.contains("Windows 2000") &&
                    tip.contains("setupapi.dev.log"))
            << name;
    }

    EXPECT_EQ(window.font().family(), "Arial Narrow");
    EXPECT_TRUE(control(window, "cmdCommand").font().bold());
    EXPECT_FALSE(control(window, "cmdOpen").font().bold());
    EXPECT_TRUE(control(window, "Label1").font().bold());
    EXPECT_FALSE(control(window, "lStatus").font().bold());
    EXPECT_DOUBLE_EQ(control(window, "lStatus").font().pointSizeF(), 8.25);
}

TEST_F(MainWindow, TabOrderStartsAtStart)
{
    MemorySettingsStore store;
    Tillery window(store, "");
    const std::vector<std::string> expected = {
        "cmdCommand", "txtOpen",    "txtSave",    "cmdOpen",    "cmdSave",
        "cmdClose",   "optOutput0", "optOutput1", "optOutput2", "cmdDefinitions"};
    QWidget* const start = &control(window, "cmdCommand");
    std::vector<std::string> order;
    QWidget* widget = start;
    do {
        if (widget->focusPolicy() & Qt::TabFocus) {
            order.push_back(widget->objectName().toStdString());
        }
        widget = widget->nextInFocusChain();
    } while (widget != start && order.size() < 20);
    EXPECT_EQ(order, expected);
    EXPECT_EQ(window.focusWidget(), start);
}

TEST_F(MainWindow, CloseEndsTheProgramAndStopsARun)
{
    MemorySettingsStore store;
    for (bool titleBar : {false, true}) {
        Tillery window(store, "");
        window.show();
        EXPECT_TRUE(window.ops().yield());
        if (titleBar) {
            window.close();
        } else {
            control<QPushButton>(window, "cmdClose").click();
        }
        EXPECT_TRUE(window.closeRequested());
        EXPECT_FALSE(window.isVisible());
        EXPECT_FALSE(window.ops().yield()) << "a running extraction must stop";
        window.ops().messageBox("Extraction complete.", BoxIcon::Information, "t");
        EXPECT_TRUE(boxes.empty()) << "no box after the end";
    }
}

// Window operations with a hand-stepped clock.
class WindowOps : public MainWindow {
protected:
    void SetUp() override
    {
        MainWindow::SetUp();
        window.ops().setClock([this] { return clock; });
    }
    void paintAll()
    {
        clock += 1000;
        window.ops().flush();
    }

    std::int64_t clock = 1'000'000;
    MemorySettingsStore store;
    Tillery window{store, ""};
};

TEST_F(WindowOps, StatusPaintsAreSpacedButNoTextIsLost)
{
    WidgetWindowOps& ops = window.ops();
    ops.setStatus("first");
    EXPECT_EQ(labelText(window, "lStatus"), "first");
    clock += 5;
    EXPECT_FALSE(ops.statusDue());
    ops.setStatus("second");
    EXPECT_EQ(ops.status(), "second");
    EXPECT_EQ(labelText(window, "lStatus"), "first");

    ops.messageBox("a box", BoxIcon::Critical, "Title");
    ASSERT_EQ(boxes.size(), 1u);
    ASSERT_EQ(statusAtBox.size(), 1u);
    EXPECT_EQ(statusAtBox[0], "second") << "painted before the box";
    EXPECT_EQ(boxes[0].title, "Title");
    EXPECT_EQ(boxes[0].icon, BoxIcon::Critical);
    clock += WidgetWindowOps::kPaintInterval;
    EXPECT_TRUE(ops.statusDue());

    ops.setStatus("third");
    clock += 1;
    ops.setStatus("fourth");
    ops.setStartEnabled(true);  // the end of a run
    EXPECT_EQ(labelText(window, "lStatus"), "fourth");

    // Left pending with nothing else to come, the text still reaches the screen.
    ops.setStatus("fifth");
    clock += 1;
    ops.setStatus("sixth");
    QElapsedTimer waited;
    waited.start();
    while (labelText(window, "lStatus") != "sixth" && waited.elapsed() < 2000) {
        QApplication::processEvents();
    }
    EXPECT_EQ(labelText(window, "lStatus"), "sixth");
}

// A status text too long for its label loses its middle, and the tooltip keeps it whole.
TEST_F(WindowOps, LongStatusIsElidedInTheMiddleWithTheWholeTextAsTooltip)
{
    const QLabel& label = control<QLabel>(window, "lStatus");
    const std::string path = "C:\\Evidence\\" + std::string(60, 'x') + "\\Windows\\setupapi.log";
    const std::string longText = "Preparing to process: " + path + path;
    window.ops().setStatus(longText);
    paintAll();
    const QString shown = label.text();
    EXPECT_EQ(window.ops().status(), longText);
    EXPECT_TRUE(shown.startsWith("Preparing to process: C:\\Evidence")) << shown.toStdString();
    EXPECT_TRUE(shown.endsWith("Windows\\setupapi.log")) << shown.toStdString();
    EXPECT_TRUE(shown.contains("...")) << shown.toStdString();
    EXPECT_LE(label.fontMetrics().horizontalAdvance(shown), label.contentsRect().width());
    EXPECT_EQ(label.toolTip().toStdString(), longText);

    window.ops().setStatus("File deleted.");
    paintAll();
    EXPECT_EQ(label.text(), "File deleted.");
    EXPECT_TRUE(label.toolTip().isEmpty());
}

TEST_F(WindowOps, ProgressIsPacedAndHeldInsideTheBar)
{
    WidgetWindowOps& ops = window.ops();
    const QProgressBar& bar = control<QProgressBar>(window, "pbProcess");
    ops.setProgressMax(1000);
    clock += 1;
    ops.setProgressValue(500);
    EXPECT_EQ(bar.value(), 0) << "not yet due";
    paintAll();
    EXPECT_EQ(bar.value(), 500);
    ops.setProgressValue(1200);  // a bar drops values outside its range
    paintAll();
    EXPECT_EQ(bar.value(), 1000);
    ops.setProgressMax(0);  // an empty range would show a busy bar
    paintAll();
    EXPECT_GT(bar.maximum(), bar.minimum());
    ops.setProgressMax(1e12);
    ops.setProgressValue(5e11);
    paintAll();
    EXPECT_NEAR(double(bar.value()) / bar.maximum(), 0.5, 1e-6);
}

TEST_F(WindowOps, YieldHandsOverEventsOnlyEveryFewMilliseconds)
{
    WidgetWindowOps& ops = window.ops();
    int handled = 0;
    const auto post = [&] { QMetaObject::invokeMethod(&window, [&] { ++handled; }, Qt::QueuedConnection); };
    post();
    EXPECT_TRUE(ops.yield());
    EXPECT_EQ(handled, 1);
    post();
    clock += WidgetWindowOps::kYieldInterval - 1;
    EXPECT_TRUE(ops.yield());
    EXPECT_EQ(handled, 1);
    clock += 1;
    EXPECT_TRUE(ops.yield());
    EXPECT_EQ(handled, 2);
}

}  // namespace
}  // namespace tillery::ui
