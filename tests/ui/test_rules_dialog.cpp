#include "ui/frmDefinitions.h"

#include "core/DefaultRules.h"
#include "core/FieldCatalogue.h"
#include "core/MemorySettingsStore.h"
#include "core/Rule.h"
#include "ui/UiSeams.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFocusEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QScrollBar>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace tillery::ui {
namespace {

std::string toStd(const QString& text)
{
    return text.toUtf8().toStdString();
}

// The controls a test drives, looked up by name as a user of the window would see them.
struct Controls {
    explicit Controls(const QWidget& dialog)
        : lvFields(dialog.findChild<QTreeWidget*>(QStringLiteral("lvFields"))),
          lvDefinitions(dialog.findChild<QTreeWidget*>(QStringLiteral("lvDefinitions"))),
          cmbFields(dialog.findChild<QComboBox*>(QStringLiteral("cmbFields"))),
          cmbSelect(dialog.findChild<QComboBox*>(QStringLiteral("cmbSelect"))),
          txtValue(dialog.findChild<QLineEdit*>(QStringLiteral("txtValue"))),
          chkTidyDevice(dialog.findChild<QCheckBox*>(QStringLiteral("chkTidyDevice"))),
          cmdAdd(dialog.findChild<QPushButton*>(QStringLiteral("cmdAdd"))),
          cmdDelete(dialog.findChild<QPushButton*>(QStringLiteral("cmdDelete"))),
          cmdReset(dialog.findChild<QPushButton*>(QStringLiteral("cmdReset"))),
          cmdSave(dialog.findChild<QPushButton*>(QStringLiteral("cmdSave"))),
          cmdCancel(dialog.findChild<QPushButton*>(QStringLiteral("cmdCancel")))
    {
    }
    bool complete() const
    {
        return lvFields && lvDefinitions && cmbFields && cmbSelect && txtValue && chkTidyDevice &&
               cmdAdd && cmdDelete && cmdReset && cmdSave && cmdCancel;
    }

    QTreeWidget* lvFields;
    QTreeWidget* lvDefinitions;
    QComboBox* cmbFields;
    QComboBox* cmbSelect;
    QLineEdit* txtValue;
    QCheckBox* chkTidyDevice;
    QPushButton* cmdAdd;
    QPushButton* cmdDelete;
    QPushButton* cmdReset;
    QPushButton* cmdSave;
    QPushButton* cmdCancel;
};

std::vector<Rule> ruleRows(const QTreeWidget& list)
{
    std::vector<Rule> rows;
    for (int i = 0; i < list.topLevelItemCount(); ++i) {
        const QTreeWidgetItem* row = list.topLevelItem(i);
        rows.push_back({toStd(row->text(0)), toStd(row->text(1)), toStd(row->text(2))});
    }
    return rows;
}

std::vector<std::string> checkedFields(const QTreeWidget& list)
{
    std::vector<std::string> names;
    for (int i = 0; i < list.topLevelItemCount(); ++i) {
        if (list.topLevelItem(i)->checkState(0) == Qt::Checked) {
            names.push_back(toStd(list.topLevelItem(i)->text(0)));
        }
    }
    return names;
}

void choose(QComboBox& combo, const char* entry)
{
    const int index = combo.findText(QString::fromUtf8(entry));
    ASSERT_GE(index, 0) << entry;
    combo.setCurrentIndex(index);
}

const std::vector<std::string> kAllFields(kFieldNames.begin(), kFieldNames.end());

class RulesDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        setBoxHook([this](const BoxRequest& box) { boxes.push_back(box); });
    }
    void TearDown() override { setBoxHook({}); }

    std::unique_ptr<frmDefinitions> open()
    {
        return std::make_unique<frmDefinitions>(store, &owner);
    }

    // Shows the dialog and makes it the active window, so that focus moves are real.
    static void activate(QDialog& dialog)
    {
        dialog.show();
        dialog.activateWindow();
        QApplication::setActiveWindow(&dialog);
        QApplication::processEvents();
    }

    std::string stored(std::string_view section, std::string_view key) const
    {
        return store.get(section, key, "<absent>");
    }

    MemorySettingsStore store;
    QWidget owner;  // declared before every dialog of a test, so it outlives them
    std::vector<BoxRequest> boxes;
};

TEST_F(RulesDialogTest, WindowIsAFixedModalDialogOwnedByTheMainWindow)
{
    auto dialog = open();
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("VORN - Rules"));
    EXPECT_TRUE(dialog->isModal());
    EXPECT_EQ(dialog->parentWidget(), &owner);
    EXPECT_TRUE(dialog->isWindow());
    EXPECT_EQ(dialog->size(), QSize(550, 272));
    EXPECT_EQ(dialog->minimumSize(), QSize(550, 272));
    EXPECT_EQ(dialog->maximumSize(), QSize(550, 272));
}

TEST_F(RulesDialogTest, ControlsHaveTheirCaptionsPlacesAndTabOrder)
{
    auto dialog = open();
    struct Place {
        const char* name;
        QRect rect;
    };
    const Place places[] = {
        {"Label1", {8, 8, 321, 25}},          {"Label2", {8, 40, 97, 25}},
        {"Label4", {136, 40, 153, 17}},       {"lvFields", {8, 56, 105, 209}},
        {"lvDefinitions", {136, 56, 329, 113}}, {"cmdDelete", {472, 72, 65, 25}},
        {"Label3", {136, 168, 97, 25}},       {"cmbFields", {136, 184, 113, 21}},
        {"cmbSelect", {256, 184, 97, 21}},    {"txtValue", {360, 184, 105, 19}},
        {"cmdAdd", {472, 192, 65, 25}},       {"chkTidyDevice", {136, 208, 225, 17}},
        {"cmdReset", {136, 240, 145, 25}},    {"cmdSave", {336, 240, 97, 25}},
        {"cmdCancel", {440, 240, 97, 25}},
    };
    for (const Place& place : places) {
        const auto* widget = dialog->findChild<QWidget*>(QString::fromLatin1(place.name));
        ASSERT_NE(widget, nullptr) << place.name;
        EXPECT_EQ(widget->geometry(), place.rect) << place.name;
    }

    const std::pair<const char*, const char*> captions[] = {
        {"Label1", "Define what fields and data will be INCLUDED in output:"},
        {"Label2", "Show fields:"},
        {"Label3", "Add rule:"},
        {"Label4", "Rules of data to include:"},
    };
    for (const auto& [name, caption] : captions) {
        const auto* label = dialog->findChild<QLabel*>(QString::fromLatin1(name));
        ASSERT_NE(label, nullptr) << name;
        EXPECT_EQ(toStd(label->text()), caption);
        EXPECT_EQ(label->font().family(), QStringLiteral("Arial Narrow")) << name;
        EXPECT_DOUBLE_EQ(label->font().pointSizeF(), 9.75) << name;
        EXPECT_TRUE(label->font().bold()) << name;
    }

    const Controls c(*dialog);
    ASSERT_TRUE(c.complete());
    EXPECT_EQ(c.cmdDelete->text(), QStringLiteral("Delete"));
    EXPECT_EQ(c.cmdAdd->text(), QStringLiteral("Add"));
    EXPECT_EQ(c.chkTidyDevice->text(), QStringLiteral("Clean up 'Device' field?"));
    EXPECT_EQ(c.cmdReset->text(), QStringLiteral("Reset with drive defaults"));
    EXPECT_EQ(c.cmdSave->text(), QStringLiteral("Save"));
    EXPECT_EQ(c.cmdCancel->text(), QStringLiteral("Close/Cancel"));
    EXPECT_FALSE(c.cmbFields->isEditable());
    EXPECT_FALSE(c.cmbSelect->isEditable());

    ASSERT_EQ(c.lvFields->columnCount(), 1);
    EXPECT_EQ(c.lvFields->headerItem()->text(0), QStringLiteral("Fields"));
    EXPECT_EQ(c.lvFields->columnWidth(0), 96);
    ASSERT_EQ(c.lvDefinitions->columnCount(), 3);
    EXPECT_EQ(c.lvDefinitions->headerItem()->text(0), QStringLiteral("Field"));
    EXPECT_EQ(c.lvDefinitions->headerItem()->text(1), QStringLiteral("Select"));
    EXPECT_EQ(c.lvDefinitions->headerItem()->text(2), QStringLiteral("Value"));
    EXPECT_EQ(c.lvDefinitions->columnWidth(0), 96);
    EXPECT_EQ(c.lvDefinitions->columnWidth(1), 96);

    // Walking the focus chain from the first control meets the others in tab order
    // (the labels take no focus).
    const std::vector<QWidget*> expected = {c.lvDefinitions, c.cmbFields, c.cmbSelect,
                                            c.txtValue,      c.cmdAdd,    c.cmdDelete,
                                            c.lvFields,      c.cmdSave,   c.cmdCancel,
                                            c.cmdReset,      c.chkTidyDevice};
    std::vector<QWidget*> chain;
    QWidget* w = c.lvDefinitions;
    do {
        if (std::find(expected.begin(), expected.end(), w) != expected.end() &&
            std::find(chain.begin(), chain.end(), w) == chain.end()) {
            chain.push_back(w);
        }
        w = w->nextInFocusChain();
    } while (w != c.lvDefinitions && chain.size() < expected.size());
    EXPECT_EQ(chain, expected);
}

// The three rule columns fit the list, with few rules and with enough for a vertical
// scroll bar: Value takes the width left and ends where the visible area ends.
TEST_F(RulesDialogTest, RuleColumnsFitWithoutAHorizontalScrollBar)
{
    for (const int rules : {1, 40}) {
        SCOPED_TRACE(rules);
        auto dialog = open();
        const Controls c(*dialog);
        ASSERT_TRUE(c.complete());
        c.lvDefinitions->clear();
        for (int i = 0; i < rules; ++i) {
            new QTreeWidgetItem(c.lvDefinitions, QStringList{"Device", "Starts with",
                                                             QString(60, QLatin1Char('v'))});
        }
        activate(*dialog);
        const QHeaderView* header = c.lvDefinitions->header();
        const int visible = c.lvDefinitions->viewport()->width();
        EXPECT_EQ(c.lvDefinitions->columnWidth(0), 96);
        EXPECT_EQ(c.lvDefinitions->columnWidth(1), 96);
        EXPECT_EQ(header->sectionPosition(2) + header->sectionSize(2), visible);
        EXPECT_FALSE(c.lvDefinitions->horizontalScrollBar()->isVisible());
        EXPECT_EQ(c.lvDefinitions->verticalScrollBar()->isVisible(), rules > 1);
    }
}

// Return in either list presses nothing (in particular not Add); Escape still cancels.
TEST_F(RulesDialogTest, ReturnInAListAddsNothingAndEscapeCancels)
{
    auto dialog = open();
    const Controls c(*dialog);
    ASSERT_TRUE(c.complete());
    activate(*dialog);
    c.cmbFields->setCurrentText("Device");
    c.cmbSelect->setCurrentText("Contains");
    c.txtValue->setText("usb");
    const int before = c.lvDefinitions->topLevelItemCount();
    for (QTreeWidget* list : {c.lvDefinitions, c.lvFields}) {
        list->setFocus();
        for (const int key : {Qt::Key_Return, Qt::Key_Enter}) {
            QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
            QApplication::sendEvent(list, &press);
        }
    }
    EXPECT_EQ(c.lvDefinitions->topLevelItemCount(), before);
    EXPECT_TRUE(boxes.empty());
    EXPECT_TRUE(dialog->isVisible());

    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(c.lvDefinitions, &escape);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
}

TEST_F(RulesDialogTest, EmptyStoreOpensWithEveryFieldCheckedAndNoRules)
{
    auto dialog = open();
    const Controls c(*dialog);
    ASSERT_TRUE(c.complete());

    ASSERT_EQ(c.lvFields->topLevelItemCount(), 11);
    for (int i = 0; i < 11; ++i) {
        EXPECT_EQ(toStd(c.lvFields->topLevelItem(i)->text(0)), kFieldNames[i]);
        EXPECT_TRUE(c.lvFields->topLevelItem(i)->flags() & Qt::ItemIsUserCheckable);
    }
    EXPECT_EQ(checkedFields(*c.lvFields), kAllFields);
    EXPECT_FALSE(c.chkTidyDevice->isChecked());
    EXPECT_EQ(c.lvDefinitions->topLevelItemCount(), 0);

    ASSERT_EQ(c.cmbFields->count(), 11);
    EXPECT_EQ(c.cmbFields->itemText(10), QStringLiteral("Path"));
    ASSERT_EQ(c.cmbSelect->count(), 3);
    EXPECT_EQ(c.cmbSelect->itemText(0), QStringLiteral("Starts with"));
    EXPECT_EQ(c.cmbSelect->itemText(2), QStringLiteral("Not blank"));
    EXPECT_EQ(c.cmbFields->currentIndex(), -1);
    EXPECT_EQ(c.cmbSelect->currentIndex(), -1);
    EXPECT_TRUE(c.txtValue->text().isEmpty());
    EXPECT_TRUE(c.txtValue->isVisibleTo(dialog.get()));

    // Opening only reads.
    EXPECT_TRUE(store.sections().empty());
    EXPECT_TRUE(boxes.empty());
}

TEST_F(RulesDialogTest, NotBlankHidesAndEmptiesTheValueBox)
{
    auto dialog = open();
    const Controls c(*dialog);
    ASSERT_TRUE(c.complete());

    c.txtValue->setText(QStringLiteral("typed"));
    choose(*c.cmbSelect, "Not blank");
    EXPECT_FALSE(c.txtValue->isVisibleTo(dialog.get()));
    EXPECT_TRUE(c.txtValue->text().isEmpty());

    choose(*c.cmbSelect, "Contains");
    EXPECT_TRUE(c.txtValue->isVisibleTo(dialog.get()));
    EXPECT_TRUE(c.txtValue->text().isEmpty());

    // Leaving the select list applies its current entry too, even one set without a
    // choice event.
    c.txtValue->setText(QStringLiteral("again"));
    {
        const QSignalBlocker quiet(c.cmbSelect);
        choose(*c.cmbSelect, "Not blank");
    }
    ASSERT_TRUE(c.txtValue->isVisibleTo(dialog.get()));
    QFocusEvent leave(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(c.cmbSelect, &leave);
    EXPECT_FALSE(c.txtValue->isVisibleTo(dialog.get()));
    EXPECT_TRUE(c.txtValue->text().isEmpty());
}

TEST_F(RulesDialogTest, AddRefusesAnIncompleteInputRowAndMovesTheFocus)
{
    auto dialog = open();
    const Controls c(*dialog);
    ASSERT_TRUE(c.complete());
    activate(*dialog);

    const auto refuse = [&](const char* text, QWidget* focusTarget) {
        boxes.clear();
        c.lvDefinitions->setFocus();
        ASSERT_EQ(dialog->focusWidget(), c.lvDefinitions);
        c.cmdAdd->click();
        ASSERT_EQ(boxes.size(), 1u) << text;
        EXPECT_EQ(toStd(boxes[0].text), text);
        EXPECT_EQ(boxes[0].title, QStringLiteral("VORN - Definitions"));
        EXPECT_EQ(boxes[0].icon, BoxIcon::None);
        EXPECT_EQ(boxes[0].parent, dialog.get());
        EXPECT_EQ(dialog->focusWidget(), focusTarget) << text;
        EXPECT_EQ(c.lvDefinitions->topLevelItemCount(), 0) << text;
    };

    c.txtValue->setText(QStringLiteral("usbstor"));
    refuse("Select a field to check", c.cmbFields);

    choose(*c.cmbFields, "Device");
    refuse("Select a field selection type", c.cmbSelect);

    c.txtValue->clear();
    choose(*c.cmbSelect, "Starts with");
    refuse("Select a value to check", c.txtValue);

    choose(*c.cmbSelect, "Contains");
    refuse("Select a value to check", c.txtValue);

    EXPECT_TRUE(store.sections().empty());
}

TEST_F(RulesDialogTest, AddAppendsTheRuleAsTypedAndKeepsTheInputRow)
{
    auto dialog = open();
    const Controls c(*dialog);
    ASSERT_TRUE(c.complete());

    choose(*c.cmbFields, "Device");
    choose(*c.cmbSelect, "Starts with");
    c.txtValue->setText(QStringLiteral("USBSTOR\\"));
    c.cmdAdd->click();
    // The input row is kept, so a duplicate is one press away.
    EXPECT_EQ(c.cmbFields->currentText(), QStringLiteral("Device"));
    EXPECT_EQ(c.cmbSelect->currentText(), QStringLiteral("Starts with"));
    EXPECT_EQ(c.txtValue->text(), QStringLiteral("USBSTOR\\"));
    c.cmdAdd->click();

    // Blanks only is a value, kept untrimmed.
    choose(*c.cmbFields, "Name");
    choose(*c.cmbSelect, "Contains");
    c.txtValue->setText(QStringLiteral("   "));
    c.cmdAdd->click();

    // Text typed before "Not blank" was set without a choice event is dropped on adding.
    choose(*c.cmbFields, "Signature");
    c.txtValue->setText(QStringLiteral("left over"));
    {
        const QSignalBlocker quiet(c.cmbSelect);
        choose(*c.cmbSelect, "Not blank");
    }
    c.cmdAdd->click();
    EXPECT_TRUE(c.txtValue->text().isEmpty());

    EXPECT_TRUE(boxes.empty());
    const std::vector<Rule> expected = {{"Device", "Starts with", "USBSTOR\\"},
                                        {"Device", "Starts with", "USBSTOR\\"},
                                        {"Name", "Contains", "   "},
                                        {"Signature", "Not blank", ""}};
    EXPECT_EQ(ruleRows(*c.lvDefinitions), expected);
    EXPECT_TRUE(store.sections().empty());
}

TEST_F(RulesDialogTest, SaveWritesTheWholeStateAndValuesReadBackLowerCased)
{
    {
        auto dialog = open();
        const Controls c(*dialog);
        ASSERT_TRUE(c.complete());
        c.lvFields->topLevelItem(0)->setCheckState(0, Qt::Unchecked);   // Date Time
        c.lvFields->topLevelItem(10)->setCheckState(0, Qt::Unchecked);  // Path
        c.chkTidyDevice->setChecked(true);
        choose(*c.cmbFields, "Device");
        choose(*c.cmbSelect, "Starts with");
        c.txtValue->setText(QStringLiteral("USBSTOR\\"));
        c.cmdAdd->click();
        choose(*c.cmbFields, "Name");
        choose(*c.cmbSelect, "Contains");
        c.txtValue->setText(QStringLiteral("Äpfel Disk"));
        c.cmdAdd->click();
        EXPECT_TRUE(store.sections().empty());

        c.cmdSave->click();
        // The dialog stays open with the rows as typed.
        EXPECT_EQ(toStd(c.lvDefinitions->topLevelItem(0)->text(2)), "USBSTOR\\");
        EXPECT_EQ(dialog->result(), 0);
    }

    EXPECT_EQ(stored("ShowFields", "Date Time"), "False");
    EXPECT_EQ(stored("ShowFields", "Path"), "False");
    EXPECT_EQ(stored("ShowFields", "Full Text"), "True");
    EXPECT_EQ(store.keyCount("ShowFields"), 11u);
    EXPECT_EQ(stored("Rules", "TidyDevice"), "1");
    EXPECT_EQ(stored("Rules", "Count"), "2");
    EXPECT_EQ(stored("Rules", "1f"), "Device");
    EXPECT_EQ(stored("Rules", "1s"), "Starts with");
    EXPECT_EQ(stored("Rules", "1v"), "usbstor\\");
    EXPECT_EQ(stored("Rules", "2v"), "äpfel disk");
    EXPECT_EQ(store.keyCount("Rules"), 2u + 2u * 3u);

    auto reopened = open();
    const Controls c(*reopened);
    ASSERT_TRUE(c.complete());
    const std::vector<Rule> expected = {{"Device", "Starts with", "usbstor\\"},
                                        {"Name", "Contains", "äpfel disk"}};
    EXPECT_EQ(ruleRows(*c.lvDefinitions), expected);
    const std::vector<std::string> shown(kAllFields.begin() + 1, kAllFields.end() - 1);
    EXPECT_EQ(checkedFields(*c.lvFields), shown);
    EXPECT_TRUE(c.chkTidyDevice->isChecked());

    // Saving again with the tidy box off rewrites the flag as "0".
    c.chkTidyDevice->setChecked(false);
    reopened->cmdSave_Click();
    EXPECT_EQ(stored("Rules", "TidyDevice"), "0");
}

TEST_F(RulesDialogTest, SavingAShorterListLeavesTheOldRuleKeys)
{
    ResetRegistry(store);
    {
        auto dialog = open();
        const Controls c(*dialog);
        ASSERT_TRUE(c.complete());
        ASSERT_EQ(c.lvDefinitions->topLevelItemCount(), 16);
        c.cmdDelete->click();  // a freshly loaded list has no chosen row
        ASSERT_EQ(c.lvDefinitions->topLevelItemCount(), 16);
        while (c.lvDefinitions->topLevelItemCount() > 10) {
            c.lvDefinitions->setCurrentItem(c.lvDefinitions->topLevelItem(10));
            c.cmdDelete->click();
        }
        c.cmdSave->click();
    }
    EXPECT_EQ(stored("Rules", "Count"), "10");
    EXPECT_EQ(stored("Rules", "11f"), "Name");
    EXPECT_EQ(stored("Rules", "16v"), "mass storage");
    {
        auto dialog = open();
        const Controls c(*dialog);
        ASSERT_TRUE(c.complete());
        const auto rows = ruleRows(*c.lvDefinitions);
        ASSERT_EQ(rows.size(), 10u);
        EXPECT_EQ(rows[9], (Rule{"Name", "Contains", "tapedrive"}));

        // Deleting every rule stores a count of 0 and still removes no key.
        while (c.lvDefinitions->topLevelItemCount() > 0) {
            c.lvDefinitions->setCurrentItem(c.lvDefinitions->topLevelItem(0));
            c.cmdDelete->click();
        }
        c.cmdSave->click();
    }
    EXPECT_EQ(stored("Rules", "Count"), "0");
    EXPECT_EQ(stored("Rules", "1v"), "usbstor\\");
    EXPECT_EQ(store.keyCount("Rules"), 50u);
    auto dialog = open();
    EXPECT_EQ(Controls(*dialog).lvDefinitions->topLevelItemCount(), 0);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(RulesDialogTest, DeleteRemovesOnlyTheSelectedRow)
{
    auto dialog = open();
    const Controls c(*dialog);
    ASSERT_TRUE(c.complete());

    c.cmdDelete->click();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, QStringLiteral("No rules added that can be removed"));
    EXPECT_EQ(boxes[0].title, QStringLiteral("VORN - Definitions"));
    EXPECT_EQ(boxes[0].icon, BoxIcon::Exclamation);
    boxes.clear();

    choose(*c.cmbFields, "Name");
    choose(*c.cmbSelect, "Contains");
    for (const char* value : {"a", "b", "c"}) {
        c.txtValue->setText(QString::fromLatin1(value));
        c.cmdAdd->click();
    }
    // Rows but no selection (a current row is not a chosen one): nothing happens.
    c.lvDefinitions->setCurrentItem(c.lvDefinitions->topLevelItem(2));
    c.lvDefinitions->clearSelection();
    c.cmdDelete->click();
    EXPECT_EQ(c.lvDefinitions->topLevelItemCount(), 3);
    EXPECT_TRUE(boxes.empty());

    c.lvDefinitions->setCurrentItem(c.lvDefinitions->topLevelItem(1));  // as a click does
    c.cmdDelete->click();
    const std::vector<Rule> expected = {{"Name", "Contains", "a"}, {"Name", "Contains", "c"}};
    EXPECT_EQ(ruleRows(*c.lvDefinitions), expected);
    EXPECT_TRUE(boxes.empty());
    EXPECT_TRUE(store.sections().empty());
}

TEST_F(RulesDialogTest, CancelDiscardsEditsButNotAReset)
{
    store.save("Settings", "Summary", "2");
    store.save("Rules", "Count", "20");  // a longer list the reset must clear
    for (int i = 1; i <= 20; ++i) {
        WriteRuleToReg(store, i, "Path", "Contains", "x");
    }
    store.save("ShowFields", "Instance", "True");

    auto dialog = open();
    const Controls c(*dialog);
    ASSERT_TRUE(c.complete());
    ASSERT_EQ(c.lvDefinitions->topLevelItemCount(), 20);

    c.cmdReset->click();
    // The store holds the defaults at once...
    EXPECT_EQ(store.keyCount("Rules"), 50u);
    EXPECT_EQ(store.keyCount("ShowFields"), 11u);
    EXPECT_EQ(stored("Rules", "17f"), "<absent>");
    EXPECT_EQ(stored("Settings", "Summary"), "2");
    // ...and the dialog shows them.
    ASSERT_EQ(c.lvDefinitions->topLevelItemCount(), 16);
    EXPECT_EQ(ruleRows(*c.lvDefinitions)[0], (Rule{"Device", "Starts with", "usbstor\\"}));
    EXPECT_EQ(ruleRows(*c.lvDefinitions)[7], (Rule{"Signature", "Not blank", ""}));
    EXPECT_EQ(checkedFields(*c.lvFields),
              (std::vector<std::string>{"Date Time", "Name", "Device"}));
    EXPECT_TRUE(c.chkTidyDevice->isChecked());

    // Unsaved edits after the reset are dropped by closing.
    const MemorySettingsStore::Sections afterReset = store.sections();
    c.chkTidyDevice->setChecked(false);
    c.lvFields->topLevelItem(5)->setCheckState(0, Qt::Checked);
    c.lvDefinitions->setCurrentItem(c.lvDefinitions->topLevelItem(0));
    c.cmdDelete->click();
    dialog->show();
    c.cmdCancel->click();
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(store.sections(), afterReset);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(RulesDialogTest, ShowFieldsLeavesOutOnlyExactFalse)
{
    store.save("ShowFields", "Date Time", "False");
    store.save("ShowFields", "Instance", "false");
    store.save("ShowFields", "Line", "");
    store.save("ShowFields", "Type", "0");
    store.save("ShowFields", "Code", "True");
    store.save("ShowFields", "GUID", " False");
    auto dialog = open();
    const std::vector<std::string> expected(kAllFields.begin() + 1, kAllFields.end());
    EXPECT_EQ(checkedFields(*Controls(*dialog).lvFields), expected);
}

TEST_F(RulesDialogTest, TidyDeviceIsOnOnlyForANonZeroNumber)
{
    const std::pair<const char*, bool> cases[] = {
        {"1", true},    {"0", false},  {"2", true},  {"-1", true},   {" 1 ", true},
        {"True", false}, {"", false},  {"abc", false}, {"0.4", false}, {"99999", false},
    };
    for (const auto& [text, checked] : cases) {
        store.save("Rules", "TidyDevice", text);
        auto dialog = open();
        EXPECT_EQ(Controls(*dialog).chkTidyDevice->isChecked(), checked) << '"' << text << '"';
    }
}

TEST_F(RulesDialogTest, CountThatIsNoUsableNumberMeansNoRules)
{
    ResetRegistry(store);
    for (const char* text : {"abc", "", "-3", "0", "99999", "16x"}) {
        store.save("Rules", "Count", text);
        auto dialog = open();
        EXPECT_EQ(Controls(*dialog).lvDefinitions->topLevelItemCount(), 0)
            << '"' << text << '"';
    }
    EXPECT_TRUE(boxes.empty());
}

TEST_F(RulesDialogTest, CountAboveTheStoredRulesShowsEmptyRows)
{
    ResetRegistry(store);
    store.save("Rules", "5f", "Colour");  // not a catalogue name: shown unchanged
    store.save("Rules", "Count", "20");
    auto dialog = open();
    const auto rows = ruleRows(*Controls(*dialog).lvDefinitions);
    ASSERT_EQ(rows.size(), 20u);
    EXPECT_EQ(rows[4], (Rule{"Colour", "Starts with", "sbp2\\"}));
    EXPECT_EQ(rows[15], (Rule{"Name", "Contains", "mass storage"}));
    for (std::size_t i = 16; i < 20; ++i) {
        EXPECT_EQ(rows[i], Rule{}) << i;
    }
}

TEST_F(RulesDialogTest, RuleListStopsAtTheLargestCount)
{
    store.save("Rules", "Count", "32767");
    store.save("Rules", "32767f", "Name");
    auto dialog = open();
    const Controls c(*dialog);
    ASSERT_TRUE(c.complete());
    ASSERT_EQ(c.lvDefinitions->topLevelItemCount(), 32767);
    EXPECT_EQ(toStd(c.lvDefinitions->topLevelItem(32766)->text(0)), "Name");

    choose(*c.cmbFields, "Device");
    choose(*c.cmbSelect, "Not blank");
    c.cmdAdd->click();
    EXPECT_EQ(c.lvDefinitions->topLevelItemCount(), 32767);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].title, QStringLiteral("VORN - Definitions"));
    EXPECT_EQ(boxes[0].icon, BoxIcon::Exclamation);
}

// A store that refuses writes after a number of them.
class FailingStore : public MemorySettingsStore {
public:
    explicit FailingStore(int allowed) : m_allowed(allowed) {}
    void save(std::string_view section, std::string_view key, std::string_view value) override
    {
        if (m_allowed-- <= 0) {
            throw StoreError("store is read-only");
        }
        MemorySettingsStore::save(section, key, value);
    }

private:
    int m_allowed;
};

TEST_F(RulesDialogTest, AFailingStoreIsReportedNotFatal)
{
    FailingStore failing(3);
    frmDefinitions dialog(failing, &owner);
    const Controls c(dialog);
    ASSERT_TRUE(c.complete());

    c.cmdSave->click();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].icon, BoxIcon::Critical);
    EXPECT_EQ(boxes[0].title, QStringLiteral("VORN - Definitions"));
    EXPECT_TRUE(boxes[0].text.contains(QStringLiteral("store is read-only")));

    // A reset that fails part way shows what did reach the store.
    boxes.clear();
    c.cmdReset->click();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].icon, BoxIcon::Critical);
    EXPECT_EQ(c.lvDefinitions->topLevelItemCount(), 0);
    EXPECT_EQ(checkedFields(*c.lvFields), kAllFields);
}

}  // namespace
}  // namespace tillery::ui
