#include "cli/FrameTrace.h"

#include "platform/SerialPort.h"

#include <QElapsedTimer>
#include <cstdio>

namespace cli {

QString FrameTraceLine(qint64 elapsedMs, bool sent, const QByteArray& bytes)
{
    return QStringLiteral("%1.%2 %3 %4")
        .arg(elapsedMs / 1000, 4)
        .arg(elapsedMs % 1000, 3, 10, QLatin1Char('0'))
        .arg(sent ? QStringLiteral("->") : QStringLiteral("<-"), QString::fromLatin1(bytes.toHex(' ').toUpper()));
}

void TraceFrames(SerialPort& port)
{
    QElapsedTimer clock;
    clock.start();
    port.setTrace([clock](bool sent, const QByteArray& bytes) {
        std::fprintf(stderr, "%s\n", qPrintable(FrameTraceLine(clock.elapsed(), sent, bytes)));
    });
}

}  // namespace cli
