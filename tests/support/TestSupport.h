// Helpers shared by the tests.
#pragma once

#include "platform/MessageBox.h"

#include <QApplication>
#include <QByteArray>
#include <QDialog>
#include <QString>
#include <QTemporaryDir>
#include <QTimer>
#include <QVector>
#include <QtTest>
#include <functional>

// Records every message box instead of showing it, while it lives.
class MessageRecorder {
public:
    MessageRecorder();
    ~MessageRecorder();
    MessageRecorder(const MessageRecorder&) = delete;
    MessageRecorder& operator=(const MessageRecorder&) = delete;

    QVector<MessageRecord> messages;
    int count() const { return int(messages.size()); }
    const MessageRecord& last() const { return messages.back(); }
    void clear() { messages.clear(); }

private:
    MessageHandler previous_;
};

// A fresh start directory; becomes the current directory and AppPath while
// it lives, with the shared state reset to its start values.
class TempAppDir {
public:
    TempAppDir();
    ~TempAppDir();
    QString path() const { return dir_.path(); }
    QString file(const QString& name) const { return dir_.filePath(name); }
    void write(const QString& name, const QByteArray& data) const;
    QByteArray read(const QString& name) const;

private:
    QTemporaryDir dir_;
    QString oldCwd_;
};

// Resets the shared state of the program to what it is before start-up.
void ResetGlobals();

// Runs `command`, which shows the modal window T and waits for it, and works
// the window with `act` once it is shown and active. A window that `act`
// leaves open is cancelled, so no test waits on it. False when no T showed.
template <typename T>
bool WhileModal(const std::function<void()>& command, const std::function<void(T*)>& act)
{
    bool shown = false;
    QObject guard;  // drops the timer when the command showed nothing
    QTimer::singleShot(0, &guard, [&] {
        T* w = nullptr;
        for (QWidget* top : QApplication::topLevelWidgets())
            if (auto* t = qobject_cast<T*>(top); t && t->isVisible())
                w = t;
        if (!w)
            return;
        shown = true;
        [&] {
            w->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(w));
            act(w);
        }();
        if (w->isVisible())
            w->reject();
    });
    command();
    return shown;
}
