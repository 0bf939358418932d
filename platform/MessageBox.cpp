#include "platform/MessageBox.h"

#include <QApplication>
#include <QMessageBox>

namespace {
MessageHandler& handler()
{
    static MessageHandler h;
    return h;
}
}  // namespace

MessageHandler SetMessageHandler(MessageHandler h)
{
    MessageHandler old = std::move(handler());
    handler() = std::move(h);
    return old;
}

void ShowMessage(const QString& text, const QString& title, MsgIcon icon)
{
    if (handler()) {
        handler()({text, title, icon});
        return;
    }
    QMessageBox box(icon == MsgIcon::Critical ? QMessageBox::Critical
                    : icon == MsgIcon::Warning ? QMessageBox::Warning
                                               : QMessageBox::NoIcon,
                    title, text, QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}
