#include "ui/UiSeams.h"

#include <QDir>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QGridLayout>
#include <QMessageBox>
#include <QSettings>

namespace tillery::ui {
namespace {

BoxHook& boxHook()
{
    static BoxHook hook;
    return hook;
}

FileDialogHook& fileDialogHook()
{
    static FileDialogHook hook;
    return hook;
}

QMessageBox::Icon toQtIcon(BoxIcon icon)
{
    switch (icon) {
    case BoxIcon::Critical:
        return QMessageBox::Critical;
    case BoxIcon::Information:
        return QMessageBox::Information;
    case BoxIcon::Exclamation:
        return QMessageBox::Warning;
    case BoxIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

#ifndef Q_OS_WIN
// Qt's own file dialog keeps its visited folders and its layout in a per-user file of
// its own ("QtProject.conf"). The program writes no file but the output and its settings
// store, so that file is sent to a folder that can never exist (below a device file): it
// is neither read nor written. The program's store has a format of its own and is not
// affected.
void keepFileDialogStateUnwritten()
{
    static const bool done = [] {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                           QStringLiteral("/dev/null/unwritten"));
        return true;
    }();
    (void)done;
}

// "*.*" matches every file name on Windows, but only names with a dot elsewhere, which
// would hide carved or renamed evidence ("f1143712", "setupapi"). While a filter whose
// only pattern is "*.*" is chosen, the dialog lists every file (its description is shown
// as given), and a file to open is taken by its name as typed, without the default
// extension, so that a name without a dot can be opened.
void matchAllForStarDotStar(QFileDialog& dialog, const QString& defaultSuffix)
{
    auto* model = dialog.findChild<QFileSystemModel*>();
    if (model == nullptr) {
        return;
    }
    const bool open = dialog.acceptMode() == QFileDialog::AcceptOpen;
    // The patterns of a filter are the bracketed end of its description.
    const auto follow = [model, open, defaultSuffix, &dialog](const QString& filter) {
        const bool all = filter.trimmed().endsWith(QStringLiteral("(*.*)"));
        if (all) {
            model->setNameFilters({QStringLiteral("*")});
        }
        if (open) {
            dialog.setDefaultSuffix(all ? QString() : defaultSuffix);
        }
    };
    // The dialog applies a chosen filter before it signals the choice.
    QObject::connect(&dialog, &QFileDialog::filterSelected, model, follow);
    follow(dialog.selectedNameFilter());
}
#endif

}  // namespace

void setBoxHook(BoxHook hook)
{
    boxHook() = std::move(hook);
}

void showBox(QWidget* parent, const QString& text, BoxIcon icon, const QString& title)
{
    if (boxHook()) {
        boxHook()(BoxRequest{parent, text, icon, title});
        return;
    }
    QMessageBox box(toQtIcon(icon), title, text, QMessageBox::Ok, parent);
    // A short text makes a narrow box whose title bar cuts the title: keep it wide enough.
    if (auto* layout = qobject_cast<QGridLayout*>(box.layout())) {
        const int titleWidth = box.fontMetrics().horizontalAdvance(title) + 120;
        layout->addItem(new QSpacerItem(titleWidth, 0, QSizePolicy::Minimum, QSizePolicy::Expanding),
                        layout->rowCount(), 0, 1, layout->columnCount());
    }
    box.exec();
}

void setFileDialogHook(FileDialogHook hook)
{
    fileDialogHook() = std::move(hook);
}

std::optional<QString> runFileDialog(const FileDialogRequest& request)
{
    if (fileDialogHook()) {
        return fileDialogHook()(request);
    }
#ifndef Q_OS_WIN
    keepFileDialogStateUnwritten();
#endif
    QFileDialog dialog(request.parent, request.title);
#ifndef Q_OS_WIN
    // Qt's own dialog, whose listing follows the filters above; a desktop's dialog would
    // keep a list of recent files of its own.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
#endif
    dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(request.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setNameFilter(request.filter);
    dialog.setDefaultSuffix(request.defaultSuffix);
#ifndef Q_OS_WIN
    matchAllForStarDotStar(dialog, request.defaultSuffix);
#endif
    const QDir folder(request.initialFolder);
    dialog.setDirectory(!request.initialFolder.isEmpty() && folder.exists() ? folder.absolutePath()
                                                                            : QDir::homePath());
    dialog.selectFile(request.fileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().constFirst();
}

}  // namespace tillery::ui
