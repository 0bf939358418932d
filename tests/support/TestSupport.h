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
#include <functional>
#include <initializer_list>

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

// Runs `open`, which shows a modal window and returns when it closes, while
// `act` works that window if it is a T; a window `act` leaves open is
// rejected, so no test waits on it. Returns whether a T was shown.
template <class T>
bool WhileModal(const std::function<void()>& open, const std::function<void(T*)>& act)
{
    bool shown = false;
    QObject guard;
    QTimer::singleShot(0, &guard, [&] {
        if (auto* w = qobject_cast<T*>(QApplication::activeModalWidget())) {
            shown = true;
            act(w);
            if (w->isVisible())
                w->reject();
        }
    });
    open();
    return shown;
}

// The shown top-level window of type T, or nullptr.
template <typename T>
T* FindTopLevel()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* t = qobject_cast<T*>(w); t && t->isVisible())
            return t;
    return nullptr;
}

// Checks that Tab goes from each widget to the next, skipping what takes no focus.
void CheckTabOrder(std::initializer_list<QWidget*> order);
