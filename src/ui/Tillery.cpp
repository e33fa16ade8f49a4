#include "ui/Tillery.h"

#include "core/DefaultRules.h"
#include "core/SettingsStore.h"
#include "core/StoreValues.h"
#include "extract/Messages.h"
#include "extract/RunChecks.h"
#include "extract/RunController.h"
#include "ui/frmDefinitions.h"
#include "ui/Fonts.h"
#include "ui/UiSeams.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStringList>
#include <QThread>

#include <iterator>
#include <optional>

// The icon's resources sit in a static library: they are registered by hand.
static void initIconResource()
{
    Q_INIT_RESOURCE(tillery_icon);
}

namespace tillery::ui {
namespace {

constexpr double kFontSize = 9.75;
constexpr double kStatusFontSize = 8.25;

// The two file dialogs.
struct DialogPreset {
    const char* title;
    std::string_view filter;
    const char* initialFolder;
    const char* defaultExtension;
};

constexpr DialogPreset kOpenDialog{
    "Select setupapi.log file to extract from:",
    "All Files (*.*)|*.*|Log Files (*.log)|*.log",
    "C:\\Windows\\",
    "*.log",
};

constexpr DialogPreset kSaveDialog{
    "select location to save output file:",
    "All Files (*.*)|*.*|CSV Files (*.xls)|*.xls|Log Files (*.log)|*.log",
    "C:\\Windows",
    ".xls",
};

QString fromUtf8(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// "*.log" and ".xls" as the bare suffix Qt appends ("log", "xls").
QString bareSuffix(const char* extension)
{
    QString suffix = QString::fromLatin1(extension);
    while (suffix.startsWith(QLatin1Char('*')) || suffix.startsWith(QLatin1Char('.'))) {
        suffix.remove(0, 1);
    }
    return suffix;
}

// Shows one of the two file dialogs; the chosen path, or nothing for a cancel.
std::optional<QString> chooseFile(QWidget* parent, const DialogPreset& preset, bool save,
                                  const QString& fileName)
{
    FileDialogRequest request;
    request.parent = parent;
    request.save = save;
    request.title = QString::fromLatin1(preset.title);
    request.filter = qtNameFilter(preset.filter);
    request.fileName = fileName;
    request.initialFolder = QString::fromLatin1(preset.initialFolder);
    request.defaultSuffix = bareSuffix(preset.defaultExtension);
    std::optional<QString> chosen = runFileDialog(request);
    if (!chosen || chosen->isEmpty()) {
        return std::nullopt;
    }
    return QDir::toNativeSeparators(*chosen);
}

}  // namespace

QString qtNameFilter(std::string_view pairs)
{
    const QStringList parts = fromUtf8(pairs).split(QLatin1Char('|'));
    QStringList descriptions;
    for (qsizetype i = 0; i < parts.size(); i += 2) {
        descriptions << parts[i];
    }
    return descriptions.join(QStringLiteral(";;"));
}

Tillery::Tillery(SettingsStore& store, std::string argumentText, QWidget* parent)
    : QWidget(parent), m_store(store), m_argumentText(std::move(argumentText)), m_ops(*this)
{
    setObjectName(QStringLiteral("Tillery"));
    initIconResource();
    setWindowIcon(QIcon(QStringLiteral(":/tillery/tillery.png")));
    createControls();
    Form_Load();
}

Tillery::~Tillery() = default;

void Tillery::createControls()
{
    setFont(arialNarrow(kFontSize, false));
    setFixedSize(592, 184);
    const QFont bold = arialNarrow(kFontSize, true);

    const auto label = [&bold](QWidget* parent, const char* name, const char* caption,
                                     QRect geometry) {
        auto* widget = new QLabel(QString::fromLatin1(caption), parent);
        widget->setObjectName(QString::fromLatin1(name));
        widget->setTextFormat(Qt::PlainText);
        widget->setFont(bold);
        widget->setGeometry(geometry);
        widget->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        return widget;
    };
    const auto button = [this](const char* name, const char* caption, QRect geometry) {
        auto* widget = new QPushButton(QString::fromLatin1(caption), this);
        widget->setObjectName(QString::fromLatin1(name));
        widget->setGeometry(geometry);
        // Return presses the button that has the focus, as Space does.
        widget->setAutoDefault(true);
        return widget;
    };
    const auto textBox = [this](const char* name, QRect geometry) {
        auto* widget = new QLineEdit(this);
        widget->setObjectName(QString::fromLatin1(name));
        widget->setGeometry(geometry);
        return widget;
    };

    m_label1 = label(this, "Label1", "SetupAPI file:", QRect(8, 8, 81, 25));
    m_txtOpen = textBox("txtOpen", QRect(96, 8, 417, 23));
    m_cmdOpen = button("cmdOpen", "Open", QRect(520, 8, 65, 25));
    m_label2 = label(this, "Label2", "Output file:", QRect(8, 32, 81, 25));
    m_txtSave = textBox("txtSave", QRect(96, 32, 417, 23));
    m_cmdSave = button("cmdSave", "Export to", QRect(520, 32, 65, 25));
    // Which logs are read: the layout is told from the first line, never from the name.
    const QString layouts = QStringLiteral(
        "The device-installation log in any of its layouts: setupapi.log of Windows XP or "
        "Windows 2000, or setupapi.dev.log of Windows Vista to 11 (also setupapi.setup.log, "
        "setupapi.app.log and their dated copies). The layout is told from the first line.");
    for (QWidget* widget : {static_cast<QWidget*>(m_label1), static_cast<QWidget*>(m_txtOpen),
                            static_cast<QWidget*>(m_cmdOpen)}) {
        widget->setToolTip(layouts);
    }
    m_label3 = label(this, "Label3", "Extraction Type:", QRect(8, 64, 113, 25));

    static constexpr std::array<const char*, 3> kOptionCaptions = {
        "Full", "Summary", "Rule based [default: find drives]"};
    static constexpr std::array<QRect, 3> kOptionGeometry = {
        QRect(96, 64, 153, 17), QRect(96, 80, 153, 17), QRect(96, 96, 193, 17)};
    m_optOutputGroup = new QButtonGroup(this);
    m_optOutputGroup->setExclusive(true);
    for (int i = 0; i < 3; ++i) {
        auto* option = new QRadioButton(QString::fromLatin1(kOptionCaptions[i]), this);
        option->setObjectName(QStringLiteral("optOutput%1").arg(i));
        option->setGeometry(kOptionGeometry[i]);
        m_optOutputGroup->addButton(option, i);
        m_optOutput[i] = option;
    }
    m_optOutput[1]->setChecked(true);

    m_cmdDefinitions = button("cmdDefinitions", "Set Rules", QRect(280, 88, 121, 25));
    m_cmdCommand = button("cmdCommand", "Start", QRect(488, 64, 97, 25));
    m_cmdCommand->setFont(bold);
    m_cmdClose = button("cmdClose", "Close", QRect(488, 88, 97, 25));
    m_cmdClose->setFont(bold);

    // The buttons above the frame overlap its top edge; the frame goes below them.
    m_frame1 = new QGroupBox(QStringLiteral("Status"), this);
    m_frame1->setObjectName(QStringLiteral("Frame1"));
    m_frame1->setFont(bold);
    m_frame1->setGeometry(8, 112, 577, 65);
    // The caption sits on the frame's top line, so the status controls at 16 pixels
    // below the frame's top edge clear it.
    m_frame1->setStyleSheet(QStringLiteral(
        "QGroupBox#Frame1 { border: 1px solid palette(mid); margin-top: 7px; }"
        "QGroupBox#Frame1::title { subcontrol-origin: margin; subcontrol-position: top left;"
        " left: 6px; padding: 0 2px; }"));
    m_frame1->lower();
    m_lStatusLabel = label(m_frame1, "lStatusLabel", "Update:", QRect(8, 16, 41, 25));
    m_lStatus = new QLabel(QStringLiteral("Loading"), m_frame1);
    m_lStatus->setObjectName(QStringLiteral("lStatus"));
    m_lStatus->setTextFormat(Qt::PlainText);
    m_lStatus->setFont(arialNarrow(kStatusFontSize, false));
    m_lStatus->setGeometry(56, 16, 513, 17);
    m_lStatus->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_pbProcess = new QProgressBar(m_frame1);
    m_pbProcess->setObjectName(QStringLiteral("pbProcess"));
    m_pbProcess->setFont(arialNarrow(kFontSize, false));
    m_pbProcess->setGeometry(8, 40, 561, 17);
    m_pbProcess->setRange(0, 100);
    m_pbProcess->setValue(0);
    m_pbProcess->setTextVisible(false);

    // Tab order: Start, the two paths, Open, Export to, Close, the three types, Set Rules.
    QWidget* const order[] = {m_cmdCommand,   m_txtOpen,      m_txtSave,      m_cmdOpen,
                              m_cmdSave,      m_cmdClose,     m_optOutput[0], m_optOutput[1],
                              m_optOutput[2], m_cmdDefinitions};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i) {
        setTabOrder(order[i], order[i + 1]);
    }
    m_cmdCommand->setFocus();

    connect(m_cmdOpen, &QPushButton::clicked, this, &Tillery::cmdOpen_Click);
    connect(m_cmdSave, &QPushButton::clicked, this, &Tillery::cmdSave_Click);
    connect(m_cmdCommand, &QPushButton::clicked, this, &Tillery::cmdCommand_Click);
    connect(m_cmdDefinitions, &QPushButton::clicked, this, &Tillery::cmdDefinitions_Click);
    connect(m_cmdClose, &QPushButton::clicked, this, &Tillery::cmdClose_Click);
    // Every change of the selection (click, keyboard, program) keeps Set Rules in step.
    connect(m_optOutputGroup, &QButtonGroup::idToggled, this, [this](int index, bool checked) {
        m_ops.selectionChanged();
        if (checked) {
            optOutput_Click(index);
        }
    });
}

void Tillery::Form_Load()
{
    setWindowTitle(fromUtf8(msg::kMainTitle));

    // First start: no run has stored a type yet and no rule list has been saved.
    try {
        if (m_store.get(store::kSettings, store::kSummary, "").empty() &&
            keyAbsent(m_store, store::kRules, store::kCount)) {
            ResetRegistry(m_store);
        }
    } catch (const StoreError&) {
        // The window opens all the same; the defaults are written at a later start.
    }

    const ArgumentPath argument = commandLinePath(m_argumentText);
    if (argument.shown.empty()) {
        m_ops.setStatus(std::string(msg::kNoFileReceived));
        const QString open = fromUtf8(m_store.get(store::kSettings, store::kOpen, store::kDefaultOpen));
        m_txtOpen->setText(open);
        m_openDialogFileName = open;
        m_txtSave->setText(fromUtf8(m_store.get(store::kSettings, store::kSave, store::kDefaultSave)));
    } else {
        m_ops.setStatus(std::string(msg::kReceivedFile) + argument.shown);
        m_txtOpen->setText(fromUtf8(argument.path));
        m_txtSave->setText(fromUtf8(argument.path + ".xls"));
        m_openDialogFileName = m_txtOpen->text();
        m_saveDialogFileName = m_txtSave->text();
    }

    // Only the three known types select a button; anything else keeps "Summary".
    const std::optional<int> type = textToInt16(m_store.get(store::kSettings, store::kSummary, "1"));
    if (type && *type >= 0 && *type < static_cast<int>(m_optOutput.size())) {
        m_optOutput[static_cast<std::size_t>(*type)]->setChecked(true);
    }
    updateSetRules();
}

void Tillery::updateSetRules()
{
    m_cmdDefinitions->setEnabled(m_optOutput[2]->isChecked());
}

void Tillery::cmdOpen_Click()
{
    if (const auto chosen = chooseFile(this, kOpenDialog, false, m_openDialogFileName)) {
        m_openDialogFileName = *chosen;
        m_txtOpen->setText(*chosen);
    }
}

void Tillery::cmdSave_Click()
{
    if (const auto chosen = chooseFile(this, kSaveDialog, true, m_saveDialogFileName)) {
        m_saveDialogFileName = *chosen;
        m_txtSave->setText(*chosen);
    }
}

void Tillery::optOutput_Click(int /*index*/)
{
    updateSetRules();
}

void Tillery::setRunControlsEnabled(bool enabled)
{
    for (QWidget* control : {static_cast<QWidget*>(m_txtOpen), static_cast<QWidget*>(m_cmdOpen),
                             static_cast<QWidget*>(m_txtSave), static_cast<QWidget*>(m_cmdSave)}) {
        control->setEnabled(enabled);
    }
    for (QRadioButton* option : m_optOutput) {
        option->setEnabled(enabled);
    }
}

void Tillery::cmdCommand_Click()
{
    const PressResult result = tillery::cmdCommand_Click(m_ops, m_store);
    // However the press ended (a run stopped by Close does not enable Start again).
    setRunControlsEnabled(true);
    if (result.logChanged) {
        m_ops.setStatus(std::string(msg::kLogChanged));
    }
    m_ops.flush();
    if (result.outcome == PressOutcome::ProgramEnds) {
        // The old output file could not be deleted: the program ends, as Close ends it.
        requestEnd();
        close();
    }
}

void Tillery::cmdDefinitions_Click()
{
    frmDefinitions dialog(m_store, this);
    dialog.exec();
}

void Tillery::cmdClose_Click()
{
    requestEnd();
    close();
}

void Tillery::closeEvent(QCloseEvent* event)
{
    requestEnd();
    event->accept();
}

void Tillery::requestEnd()
{
    if (m_closeRequested) {
        return;
    }
    // A running extraction sees the flag at its next yield, closes its files and
    // returns; the event loop then ends and with it the program.
    m_closeRequested = true;
    m_ops.flush();
    if (QThread::currentThread()->loopLevel() > 0) {
        QCoreApplication::exit(0);
    }
}

}  // namespace tillery::ui
