#include "platform/FileDialog.h"

#include <QFileDialog>

namespace {
FileDialogHandler handler;
}

FileDialogHandler SetFileDialogHandler(FileDialogHandler h)
{
    FileDialogHandler previous = std::move(handler);
    handler = std::move(h);
    return previous;
}

bool FileDialog::ShowOpen(QWidget* owner) { return Show(FileDialogMode::Open, owner); }
bool FileDialog::ShowSave(QWidget* owner) { return Show(FileDialogMode::Save, owner); }

bool FileDialog::Show(FileDialogMode mode, QWidget* owner)
{
    QString chosen;
    if (handler)
        chosen = handler(mode, FileName);
    else if (mode == FileDialogMode::Open)
        chosen = QFileDialog::getOpenFileName(owner, QString(), FileName);
    else
        chosen = QFileDialog::getSaveFileName(owner, QString(), FileName);
    if (chosen.isEmpty())
        return false;
    FileName = chosen;
    return true;
}
