#include "ui/UiSeams.h"

#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QMessageBox>

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
    QFileDialog dialog(request.parent, request.title);
    dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(request.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setNameFilter(request.filter);
    dialog.setDefaultSuffix(request.defaultSuffix);
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
