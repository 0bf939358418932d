// Message boxes: text, title, optional icon, one OK button. Everything in
// the program shows its boxes through ShowMessage, so tests can replace the
// modal box with a recorder.
#pragma once

#include <QString>
#include <functional>

enum class MsgIcon { None, Critical, Warning };

struct MessageRecord {
    QString text;
    QString title;
    MsgIcon icon;
};

using MessageHandler = std::function<void(const MessageRecord&)>;

// Shows a modal box with an OK button (or hands it to the installed handler).
void ShowMessage(const QString& text, const QString& title, MsgIcon icon = MsgIcon::None);

// Installs a handler instead of the modal box; an empty handler restores
// the box. Returns the previous handler.
MessageHandler SetMessageHandler(MessageHandler handler);
