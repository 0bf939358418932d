// The Buffer menu commands and the operations other commands use to close,
// reopen or redraw the hex view.
#pragma once

#include "core/modFunc.h"

#include <QString>
#include <array>
#include <cstdint>

class QMdiArea;
class QWidget;
class frmBuffer;
class frmFind;

namespace BufferCommands {

// The main window's MDI area, in which the hex view opens.
void SetHost(QMdiArea* area);

// Buffer > Edit: close the hex view if it is open, then open it at line 0.
void BufferEdit();
// Buffer > Clear: every Buffer byte to 0xFF, then the view closed and reopened.
void BufferClear();
// Buffer > Fill: ask in the Fill window, fill, redraw (opening the view).
void BufferFill();

// Buffer > Go To: the view opened if it is closed, then the Go To window.
void BufferGoTo();
// Buffer > Find: the Find window beside the view; Find Next searches again
// for what was found last (the Find window opens when there is nothing yet).
void BufferFind();
void BufferFindNext();
// Buffer > Undo and Redo: the last change taken back or done again, the
// view redrawn or reopened as the change did it.
void BufferUndo();
void BufferRedo();
// The open Find window, or nullptr.
frmFind* FindWindow();
// The comparison of a file with the Buffer in its window beside the view.
void ShowComparison(const QString& fileName, const QString& summary, const QStringList& ranges,
                    const QList<int32_t>& starts);
// Compares `other` with the Buffer over the device's range and lists the
// differing ranges beside the view; `name` titles the list, `what` ("file",
// "chip") names `other` in its summary.
void ShowImageComparison(const QString& name, const QString& what, const std::array<uint8_t, modFunc::BufferSize>& other);

// The view (opened when closed) with the caret on `address`, its line at
// the top; the reason when it cannot show it, else empty.
QString GoToAddress(int32_t address);
// Searches for the bytes `text` gives (see BufferSearch::ParsePattern)
// from the caret on, and shows them at the caret. Says "Not found", where
// it was found, or what is wrong with the text.
QString FindText(const QString& text);

// For commands that replace the Buffer wholesale (file load, Read).
void ReopenBufferWindow();
// For device selection.
void CloseBufferWindow();
// Redraw in place, opening the view first when it is closed.
void UpdateBufferWindow();
bool IsBufferWindowOpen();
// The open hex view, or nullptr.
frmBuffer* BufferWindow();

}  // namespace BufferCommands
