#include "support/TestSupport.h"

#include "core/modFunc.h"

#include <QDir>
#include <QFile>
#include <QtTest>

MessageRecorder::MessageRecorder()
{
    previous_ = SetMessageHandler([this](const MessageRecord& m) { messages.push_back(m); });
}

MessageRecorder::~MessageRecorder() { SetMessageHandler(std::move(previous_)); }

TempAppDir::TempAppDir()
{
    QVERIFY(dir_.isValid());
    oldCwd_ = QDir::currentPath();
    QDir::setCurrent(dir_.path());
    ResetGlobals();
    modFunc::AppPath = dir_.path();
}

TempAppDir::~TempAppDir() { QDir::setCurrent(oldCwd_); }

void TempAppDir::write(const QString& name, const QByteArray& data) const
{
    QFile f(file(name));
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(data), data.size());
}

QByteArray TempAppDir::read(const QString& name) const
{
    QFile f(file(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

