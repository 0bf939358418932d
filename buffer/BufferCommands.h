// The Buffer menu commands and the operations other commands use to close,
// reopen or redraw the hex view.
#pragma once

#include "buffer/BufferSearch.h"

#include <QString>
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
// view redrawn or reopened as the change did it. `fileText` is the status
// bar's file text, changed to what it was when the step takes back or
// redoes a load.
void BufferUndo(QString& fileText);
void BufferRedo(QString& fileText);
// The open Find window, or nullptr.
frmFind* FindWindow();
// A comparison with the Buffer in its window beside the view, titled
// `title`: what it found, and the ranges that differ.
void ShowComparison(const QString& title, const QString& summary, const QList<BufferSearch::Range>& ranges);

// The view (opened when closed) with the caret on `address`, its line at
// the top; the reason when it cannot show it, else empty.
QString GoToAddress(int32_t address);
// Searches for the bytes `text` gives (see BufferSearch::ParsePattern)
// from the caret on, and shows them at the caret, all of them marked. Says
// "Not found", where it was found (and that the search wrapped to the
// start), or what is wrong with the text. The Find window opens with the
// last text it was given.
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
