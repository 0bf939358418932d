// The Buffer menu commands and the operations other commands use to close,
// reopen or redraw the hex view.
#pragma once

class QMdiArea;
class QWidget;
class frmBuffer;

namespace BufferCommands {

// The main window's MDI area, in which the hex view opens.
void SetHost(QMdiArea* area);

// Buffer > Edit: close the hex view if it is open, then open it at line 0.
void BufferEdit();
// Buffer > Clear: every Buffer byte to 0xFF, then the view closed and reopened.
void BufferClear();
// Buffer > Fill: ask in the Fill window, fill, redraw (opening the view).
void BufferFill();

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
