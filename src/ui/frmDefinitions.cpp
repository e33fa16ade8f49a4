#include "ui/frmDefinitions.h"

#include "core/DefaultRules.h"
#include "core/FieldCatalogue.h"
#include "core/SettingsStore.h"
#include "core/StoreValues.h"
#include "ui/Fonts.h"
#include "ui/UiSeams.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

#include <algorithm>
#include <iterator>
#include <string>
#include <string_view>

namespace tillery::ui {
namespace {

QString toQt(std::string_view utf8)
{
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::string toStore(const QString& text)
{
    return text.toUtf8().toStdString();
}

// Column indexes of a rule row.
constexpr int kColField = 0;
constexpr int kColSelect = 1;
constexpr int kColValue = 2;

// Field rows keep their key (the field name) apart from the shown text.
constexpr int kKeyRole = Qt::UserRole;

}  // namespace

const QString frmDefinitions::kBoxTitle = QStringLiteral("VORN - Definitions");

frmDefinitions::frmDefinitions(SettingsStore& store, QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                         Qt::WindowCloseButtonHint),
      m_store(store)
{
    setModal(true);
    setWindowTitle(QStringLiteral("VORN - Rules"));
    setFixedSize(550, 272);
    buildControls();
    buildTabOrder();
    Form_Load();
    m_lvDefinitions->setFocus();  // first in the tab order
}

frmDefinitions::~frmDefinitions() = default;

void frmDefinitions::buildControls()
{
    // The controls are sized for a small dialog font; only the headings use their own.
    QFont base = font();
    base.setPointSizeF(8.25);
    setFont(base);

    const QFont labelFont = arialNarrow(9.75, true);
    const auto makeLabel = [&](const char* name, const QString& caption, int x, int y, int w,
                               int h) {
        auto* label = new QLabel(caption, this);
        label->setObjectName(QString::fromLatin1(name));
        label->setFont(labelFont);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        label->setGeometry(x, y, w, h);
        return label;
    };
    const auto makeButton = [&](const char* name, const QString& caption, int x, int y, int w,
                                int h) {
        auto* button = new QPushButton(caption, this);
        button->setObjectName(QString::fromLatin1(name));
        button->setGeometry(x, y, w, h);
        return button;
    };

    m_label1 = makeLabel("Label1",
                         QStringLiteral("Define what fields and data will be INCLUDED in output:"),
                         8, 8, 321, 25);
    m_label2 = makeLabel("Label2", QStringLiteral("Show fields:"), 8, 40, 97, 25);
    m_label4 = makeLabel("Label4", QStringLiteral("Rules of data to include:"), 136, 40, 153, 17);

    m_lvFields = new QTreeWidget(this);
    m_lvFields->setObjectName(QStringLiteral("lvFields"));
    m_lvFields->setGeometry(8, 56, 105, 209);
    m_lvFields->setColumnCount(1);
    m_lvFields->setHeaderLabels({QStringLiteral("Fields")});
    m_lvFields->setColumnWidth(0, 96);
    m_lvFields->header()->setStretchLastSection(false);
    m_lvFields->setRootIsDecorated(false);
    m_lvFields->setUniformRowHeights(true);
    m_lvFields->setSelectionMode(QAbstractItemView::SingleSelection);

    m_lvDefinitions = new QTreeWidget(this);
    m_lvDefinitions->setObjectName(QStringLiteral("lvDefinitions"));
    m_lvDefinitions->setGeometry(136, 56, 329, 113);
    m_lvDefinitions->setColumnCount(3);
    m_lvDefinitions->setHeaderLabels(
        {QStringLiteral("Field"), QStringLiteral("Select"), QStringLiteral("Value")});
    // Field and Select keep their width; Value takes what is left beside the vertical
    // scroll bar, so the three columns show without a horizontal one.
    m_lvDefinitions->setColumnWidth(kColField, 96);
    m_lvDefinitions->setColumnWidth(kColSelect, 96);
    m_lvDefinitions->header()->setStretchLastSection(true);
    m_lvDefinitions->header()->setMinimumSectionSize(24);
    m_lvDefinitions->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_lvDefinitions->setRootIsDecorated(false);
    m_lvDefinitions->setUniformRowHeights(true);
    m_lvDefinitions->setSelectionMode(QAbstractItemView::SingleSelection);
    m_lvDefinitions->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_lvDefinitions->setEditTriggers(QAbstractItemView::NoEditTriggers);

    m_cmdDelete = makeButton("cmdDelete", QStringLiteral("Delete"), 472, 72, 65, 25);
    m_label3 = makeLabel("Label3", QStringLiteral("Add rule:"), 136, 168, 97, 25);

    m_cmbFields = new QComboBox(this);
    m_cmbFields->setObjectName(QStringLiteral("cmbFields"));
    m_cmbFields->setGeometry(136, 184, 113, 21);
    m_cmbFields->setEditable(false);

    m_cmbSelect = new QComboBox(this);
    m_cmbSelect->setObjectName(QStringLiteral("cmbSelect"));
    m_cmbSelect->setGeometry(256, 184, 97, 21);
    m_cmbSelect->setEditable(false);
    m_cmbSelect->installEventFilter(this);
    // Return in a list is no request to add the input row as a rule.
    m_lvFields->installEventFilter(this);
    m_lvDefinitions->installEventFilter(this);

    m_txtValue = new QLineEdit(this);
    m_txtValue->setObjectName(QStringLiteral("txtValue"));
    m_txtValue->setGeometry(360, 184, 105, 19);

    m_cmdAdd = makeButton("cmdAdd", QStringLiteral("Add"), 472, 192, 65, 25);

    m_chkTidyDevice = new QCheckBox(QStringLiteral("Clean up 'Device' field?"), this);
    m_chkTidyDevice->setObjectName(QStringLiteral("chkTidyDevice"));
    m_chkTidyDevice->setGeometry(136, 208, 225, 17);

    m_cmdReset = makeButton("cmdReset", QStringLiteral("Reset with drive defaults"), 136, 240, 145, 25);
    m_cmdSave = makeButton("cmdSave", QStringLiteral("Save"), 336, 240, 97, 25);
    m_cmdCancel = makeButton("cmdCancel", QStringLiteral("Close/Cancel"), 440, 240, 97, 25);

    // A programmatic choice counts as a choice too, so the value box always follows the
    // select type shown.
    connect(m_cmbSelect, &QComboBox::currentIndexChanged, this, [this] { cmbSelect_Click(); });
    connect(m_cmdAdd, &QPushButton::clicked, this, [this] { cmdAdd_Click(); });
    connect(m_cmdDelete, &QPushButton::clicked, this, [this] { cmdDelete_Click(); });
    connect(m_cmdSave, &QPushButton::clicked, this, [this] { cmdSave_Click(); });
    connect(m_cmdCancel, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });
    connect(m_cmdReset, &QPushButton::clicked, this, [this] { cmdReset_Click(); });
}

void frmDefinitions::buildTabOrder()
{
    // Labels take no focus; the remaining controls follow their tab indexes.
    QWidget* const chain[] = {m_lvDefinitions, m_cmbFields, m_cmbSelect, m_txtValue,
                              m_cmdAdd,        m_cmdDelete, m_lvFields,  m_cmdSave,
                              m_cmdCancel,     m_cmdReset,  m_chkTidyDevice};
    for (std::size_t i = 0; i + 1 < std::size(chain); ++i) {
        QWidget::setTabOrder(chain[i], chain[i + 1]);
    }
}

bool frmDefinitions::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_cmbSelect && event->type() == QEvent::FocusOut) {
        cmbSelect_LostFocus();
    }
    if ((watched == m_lvFields || watched == m_lvDefinitions) && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void frmDefinitions::Form_Load()
{
    FillCombos();
    FillFields();
    LoadData();
}

void frmDefinitions::FillCombos()
{
    for (const std::string_view name : kFieldNames) {
        m_cmbFields->addItem(toQt(name));
    }
    for (const std::string_view select : kSelectTypes) {
        m_cmbSelect->addItem(toQt(select));
    }
    // Nothing is chosen until the user picks an entry.
    m_cmbFields->setCurrentIndex(-1);
    m_cmbSelect->setCurrentIndex(-1);
}

void frmDefinitions::FillFields()
{
    for (const std::string_view name : kFieldNames) {
        auto* row = new QTreeWidgetItem(m_lvFields, QStringList{toQt(name)});
        row->setData(0, kKeyRole, toQt(name));
        row->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        row->setCheckState(0, Qt::Unchecked);
    }
}

void frmDefinitions::LoadData()
{
    // Only the exact word "False" leaves a field out, as in the output writer; any other
    // text (including values the program never writes) shows the field checked.
    for (int i = 0; i < m_lvFields->topLevelItemCount(); ++i) {
        QTreeWidgetItem* row = m_lvFields->topLevelItem(i);
        const std::string shown = m_store.get(store::kShowFields, toStore(row->text(0)), "True");
        row->setCheckState(0, shown == "False" ? Qt::Unchecked : Qt::Checked);
    }

    // Checked only for a number that is not zero; text that is no number leaves it off.
    const auto tidy = textToInt16(m_store.get(store::kRules, store::kTidyDevice, "0"));
    m_chkTidyDevice->setChecked(tidy.has_value() && *tidy != 0);

    m_lvDefinitions->clear();

    // A count that is no 16-bit number reads as no rules at all. A count above the rules
    // actually stored shows the missing ones as empty rows, as they would be read.
    const auto count = textToInt16(m_store.get(store::kRules, store::kCount, "0"));
    if (!count || *count < 1) {
        return;
    }
    QList<QTreeWidgetItem*> rows;
    rows.reserve(*count);
    for (int i = 1; i <= *count; ++i) {
        rows.append(new QTreeWidgetItem(QStringList{
            toQt(m_store.get(store::kRules, ruleKey(i, 'f'), "")),
            toQt(m_store.get(store::kRules, ruleKey(i, 's'), "")),
            toQt(m_store.get(store::kRules, ruleKey(i, 'v'), "")),
        }));
    }
    m_lvDefinitions->addTopLevelItems(rows);
}

void frmDefinitions::SaveData()
{
    for (int i = 0; i < m_lvFields->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* row = m_lvFields->topLevelItem(i);
        m_store.save(store::kShowFields, toStore(row->text(0)),
                     row->checkState(0) == Qt::Checked ? "True" : "False");
    }
    m_store.save(store::kRules, store::kTidyDevice, m_chkTidyDevice->isChecked() ? "1" : "0");

    // Keys of higher rules from an earlier, longer list stay; every reader stops at Count.
    const int count = std::min(m_lvDefinitions->topLevelItemCount(), kMaxRules);
    m_store.save(store::kRules, store::kCount, std::to_string(count));
    for (int i = 0; i < count; ++i) {
        const QTreeWidgetItem* row = m_lvDefinitions->topLevelItem(i);
        WriteRuleToReg(m_store, i + 1, toStore(row->text(kColField)),
                       toStore(row->text(kColSelect)), toStore(row->text(kColValue)));
    }
}

void frmDefinitions::cmbSelect_Click()
{
    if (m_cmbSelect->currentText() == toQt(kNotBlank)) {
        m_txtValue->clear();
        m_txtValue->setVisible(false);
    } else {
        m_txtValue->setVisible(true);
    }
}

void frmDefinitions::cmbSelect_LostFocus()
{
    cmbSelect_Click();
}

void frmDefinitions::cmdAdd_Click()
{
    if (m_cmbFields->currentText().isEmpty()) {
        showBox(this, QStringLiteral("Select a field to check"), BoxIcon::None, kBoxTitle);
        m_cmbFields->setFocus();
        return;
    }
    if (m_cmbSelect->currentText().isEmpty()) {
        showBox(this, QStringLiteral("Select a field selection type"), BoxIcon::None, kBoxTitle);
        m_cmbSelect->setFocus();
        return;
    }
    const bool notBlank = m_cmbSelect->currentText() == toQt(kNotBlank);
    if (notBlank) {
        m_txtValue->clear();
    }
    if (!notBlank && m_txtValue->text().isEmpty()) {
        showBox(this, QStringLiteral("Select a value to check"), BoxIcon::None, kBoxTitle);
        m_txtValue->setFocus();
        return;
    }
    if (m_lvDefinitions->topLevelItemCount() >= kMaxRules) {
        showBox(this, QStringLiteral("No more rules can be added"), BoxIcon::Exclamation,
                kBoxTitle);
        return;
    }
    // The input row stays as it is, so that similar rules can follow.
    new QTreeWidgetItem(m_lvDefinitions, QStringList{m_cmbFields->currentText(),
                                                     m_cmbSelect->currentText(),
                                                     m_txtValue->text()});
}

void frmDefinitions::cmdDelete_Click()
{
    if (m_lvDefinitions->topLevelItemCount() == 0) {
        showBox(this, QStringLiteral("No rules added that can be removed"), BoxIcon::Exclamation,
                kBoxTitle);
        return;
    }
    const QList<QTreeWidgetItem*> selected = m_lvDefinitions->selectedItems();
    if (selected.isEmpty()) {
        return;  // rows, but none chosen: nothing to remove
    }
    delete selected.constFirst();
}

void frmDefinitions::cmdSave_Click()
{
    try {
        SaveData();
    } catch (const StoreError& error) {
        showBox(this,
                QStringLiteral("The rules could not be saved: %1").arg(QString::fromUtf8(error.what())),
                BoxIcon::Critical, kBoxTitle);
    }
}

void frmDefinitions::cmdCancel_Click()
{
    reject();
}

void frmDefinitions::cmdReset_Click()
{
    try {
        ResetRegistry(m_store);
    } catch (const StoreError& error) {
        showBox(this,
                QStringLiteral("The default rules could not be written: %1")
                    .arg(QString::fromUtf8(error.what())),
                BoxIcon::Critical, kBoxTitle);
    }
    // Show what the store holds now, all of the defaults or the part that was written.
    LoadData();
}

}  // namespace tillery::ui
