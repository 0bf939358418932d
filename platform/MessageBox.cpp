#include "platform/MessageBox.h"

#include <QApplication>
#include <QMessageBox>

void ShowMessage(const QString& text, const QString& title, MsgIcon icon)
{
    if (const MessageHandler& handler = CurrentMessageHandler()) {
        handler({text, title, icon});
        return;
    }
    QMessageBox box(icon == MsgIcon::Critical ? QMessageBox::Critical
                    : icon == MsgIcon::Warning ? QMessageBox::Warning
                                               : QMessageBox::NoIcon,
                    title, text, QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}

void ReportInMessageBoxes()
{
    class BoxReporter : public Reporter {
        void Message(const MessageRecord& m) override { ShowMessage(m.text, m.title, m.icon); }
    };
    static BoxReporter reporter;
    SetReporter(&reporter);
}
