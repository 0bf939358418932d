#include "cli/FrameTrace.h"

#include "platform/SerialPort.h"

#include <cstdio>

namespace cli {

QString FrameTraceLine(qint64 elapsedMs, bool sent, const QByteArray& bytes)
{
    return QStringLiteral("%1.%2 %3 %4")
        .arg(elapsedMs / 1000, 4)
        .arg(elapsedMs % 1000, 3, 10, QLatin1Char('0'))
        .arg(sent ? QStringLiteral("->") : QStringLiteral("<-"), QString::fromLatin1(bytes.toHex(' ').toUpper()));
}

FrameTrace::FrameTrace(SerialPort& port) : port_(port)
{
    clock_.start();
    port_.setTrace([this](bool sent, const QByteArray& bytes) {
        std::fprintf(stderr, "%s\n", qPrintable(FrameTraceLine(clock_.elapsed(), sent, bytes)));
    });
}

FrameTrace::~FrameTrace() { port_.setTrace({}); }

}  // namespace cli
