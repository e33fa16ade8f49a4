#pragma once

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;

namespace tillery {
class SettingsStore;
}

namespace tillery::ui {

// The rules dialog: which fields a rule-based extraction writes, the rule list and the
// Device clean-up switch. It edits a working copy held in its controls; only "Save" and
// "Reset with drive defaults" write to the store.
class frmDefinitions : public QDialog {
    Q_OBJECT

public:
    // Box title of every refusal in this window.
    static const QString kBoxTitle;
    // Rules are numbered with 16-bit signed indexes; the list never grows past this.
    static constexpr int kMaxRules = 32767;

    // Builds the window and fills it from the store (Form_Load). The store must outlive
    // the dialog.
    frmDefinitions(SettingsStore& store, QWidget* owner);
    ~frmDefinitions() override;

    void Form_Load();
    void FillCombos();
    void FillFields();
    void LoadData();
    // Writes the whole state; a failing store write (StoreError) is passed on.
    void SaveData();

    void cmbSelect_Click();
    void cmbSelect_LostFocus();
    void cmdAdd_Click();
    void cmdDelete_Click();
    void cmdSave_Click();
    void cmdCancel_Click();
    void cmdReset_Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void buildTabOrder();

    SettingsStore& m_store;

    QLabel* m_label1 = nullptr;
    QLabel* m_label2 = nullptr;
    QLabel* m_label3 = nullptr;
    QLabel* m_label4 = nullptr;
    QTreeWidget* m_lvFields = nullptr;
    QTreeWidget* m_lvDefinitions = nullptr;
    QPushButton* m_cmdDelete = nullptr;
    QComboBox* m_cmbFields = nullptr;
    QComboBox* m_cmbSelect = nullptr;
    QLineEdit* m_txtValue = nullptr;
    QPushButton* m_cmdAdd = nullptr;
    QCheckBox* m_chkTidyDevice = nullptr;
    QPushButton* m_cmdReset = nullptr;
    QPushButton* m_cmdSave = nullptr;
    QPushButton* m_cmdCancel = nullptr;
};

}  // namespace tillery::ui
