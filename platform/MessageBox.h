// Message boxes: text, title, optional icon, one OK button. Every window
// shows its boxes through ShowMessage, so tests can replace the modal box
// with a recorder (SetMessageHandler in core/Reporter.h).
#pragma once

#include "core/Reporter.h"

// Shows a modal box with an OK button (or hands it to the installed handler).
void ShowMessage(const QString& text, const QString& title, MsgIcon icon = MsgIcon::None);

// Makes the reports of the code without windows appear as message boxes.
void ReportInMessageBoxes();
