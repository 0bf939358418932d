// The common file dialog cdia, shared by File > Load and File > Save. It has
// no file-type filter and no title of its own; FileName keeps the name chosen
// last, so each dialog opens with it filled in. Tests replace the modal
// dialog with a script through SetFileDialogHandler.
#pragma once

#include <QString>
#include <functional>

class QWidget;

enum class FileDialogMode { Open, Save };

// Given the mode and the name the dialog opens with, returns the chosen
// name, or an empty text for Cancel.
using FileDialogHandler = std::function<QString(FileDialogMode mode, const QString& startName)>;

class FileDialog {
public:
    QString FileName;

    // Each returns false when the user cancelled; FileName is then kept.
    bool ShowOpen(QWidget* owner);
    bool ShowSave(QWidget* owner);

private:
    bool Show(FileDialogMode mode, QWidget* owner);
};

// Installs a handler instead of the modal dialog; an empty handler restores
// the dialog. Returns the previous handler.
FileDialogHandler SetFileDialogHandler(FileDialogHandler handler);
