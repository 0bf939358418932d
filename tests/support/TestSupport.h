// Helpers shared by the tests; none needs a window.
#pragma once

#include "core/Reporter.h"
#include "core/modFunc.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>
#include <QVector>

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

using modFunc::ResetGlobals;
