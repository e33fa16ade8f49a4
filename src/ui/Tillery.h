#pragma once

#include "ui/WidgetWindowOps.h"

#include <QString>
#include <QWidget>

#include <array>
#include <string>
#include <string_view>

class QButtonGroup;
class QCloseEvent;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;

namespace tillery {
class SettingsStore;
}

namespace tillery::ui {

// A file dialog filter list written as description and pattern pairs separated by
// vertical bars ("All Files (*.*)|*.*|Log Files (*.log)|*.log") in Qt's form
// ("All Files (*.*);;Log Files (*.log)"). Qt takes the patterns from the brackets of the
// descriptions, which every filter of the windows shows.
QString qtNameFilter(std::string_view pairs);

// The main window: the log and output paths, the extraction type, Start, Close and Set
// Rules, and the status text with the progress bar. The window is loaded (caption,
// first-start rules, command-line argument, last settings) when it is constructed.
class Tillery : public QWidget {
    Q_OBJECT

public:
    // `argumentText` is the process's whole argument text (arguments joined by blanks).
    Tillery(SettingsStore& store, std::string argumentText, QWidget* parent = nullptr);
    ~Tillery() override;

    WidgetWindowOps& ops() { return m_ops; }
    SettingsStore& store() { return m_store; }

    // True once the program's end has been asked for (Close, or the title bar): a
    // running extraction then closes its files and returns.
    bool closeRequested() const { return m_closeRequested; }

    // The file names the two file dialogs offer next.
    QString openDialogFileName() const { return m_openDialogFileName; }
    QString saveDialogFileName() const { return m_saveDialogFileName; }
    void setSaveDialogFileName(const QString& name) { m_saveDialogFileName = name; }

public slots:
    void cmdOpen_Click();
    void cmdSave_Click();
    void optOutput_Click(int index);
    // Start / Restart: hands the press to the run controller.
    void cmdCommand_Click();
    // Set Rules: shows the rules dialog.
    void cmdDefinitions_Click();
    void cmdClose_Click();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    friend class WidgetWindowOps;

    void createControls();
    void Form_Load();
    void updateSetRules();
    void requestEnd();
    // A run writes one kind of row to one file: while it runs, the extraction type, the
    // two paths and their dialogs take no input.
    void setRunControlsEnabled(bool enabled);

    SettingsStore& m_store;
    std::string m_argumentText;
    WidgetWindowOps m_ops;
    bool m_closeRequested = false;

    QString m_openDialogFileName = QStringLiteral("setupapi");
    QString m_saveDialogFileName = QStringLiteral("setupapi.log.xls");

    QLabel* m_label1 = nullptr;
    QLineEdit* m_txtOpen = nullptr;
    QPushButton* m_cmdOpen = nullptr;
    QLabel* m_label2 = nullptr;
    QLineEdit* m_txtSave = nullptr;
    QPushButton* m_cmdSave = nullptr;
    QLabel* m_label3 = nullptr;
    std::array<QRadioButton*, 3> m_optOutput{};
    QButtonGroup* m_optOutputGroup = nullptr;
    QPushButton* m_cmdDefinitions = nullptr;
    QPushButton* m_cmdCommand = nullptr;
    QPushButton* m_cmdClose = nullptr;
    QGroupBox* m_frame1 = nullptr;
    QLabel* m_lStatusLabel = nullptr;
    QLabel* m_lStatus = nullptr;
    QProgressBar* m_pbProcess = nullptr;
};

}  // namespace tillery::ui
