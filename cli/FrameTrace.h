// The frame trace of --verbose: each frame sent and received, in hex, with
// the time since the trace began.
#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QString>

class SerialPort;

namespace cli {

// "   0.012 -> 01 54" for a frame sent, "<-" for bytes received.
QString FrameTraceLine(qint64 elapsedMs, bool sent, const QByteArray& bytes);

// Prints the trace of port on standard error while it lives.
class FrameTrace {
public:
    explicit FrameTrace(SerialPort& port);
    ~FrameTrace();
    FrameTrace(const FrameTrace&) = delete;
    FrameTrace& operator=(const FrameTrace&) = delete;

private:
    SerialPort& port_;
    QElapsedTimer clock_;
};

}  // namespace cli
