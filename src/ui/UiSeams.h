#pragma once

#include "extract/MainWindowOps.h"

#include <QString>

#include <functional>
#include <optional>

class QWidget;

namespace tillery::ui {

// Every modal box and file dialog of the windows goes through these seams, so that tests
// can answer them instead of blocking on a modal loop.

struct BoxRequest {
    QWidget* parent = nullptr;
    QString text;
    BoxIcon icon = BoxIcon::None;
    QString title;
};
using BoxHook = std::function<void(const BoxRequest&)>;

// With a hook set, boxes are handed to it and not shown. An empty hook restores the
// real boxes.
void setBoxHook(BoxHook hook);
// Shows a modal box with one OK button (or hands it to the hook).
void showBox(QWidget* parent, const QString& text, BoxIcon icon, const QString& title);

struct FileDialogRequest {
    QWidget* parent = nullptr;
    bool save = false;
    QString title;
    QString filter;          // Qt form: "All Files (*.*);;Log Files (*.log)"
    QString fileName;        // preset file name
    QString initialFolder;   // folder to open in (the home folder when it does not exist)
    QString defaultSuffix;
};
// Answers a file dialog: the chosen path, or an empty optional for a cancel.
using FileDialogHook = std::function<std::optional<QString>(const FileDialogRequest&)>;

void setFileDialogHook(FileDialogHook hook);
// Shows the dialog (or asks the hook); an empty optional when the user cancelled.
std::optional<QString> runFileDialog(const FileDialogRequest& request);

}  // namespace tillery::ui
