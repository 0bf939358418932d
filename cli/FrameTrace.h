// The frame trace of --verbose: each frame sent and received, in hex, with
// the time since the trace began.
#pragma once

#include <QByteArray>
#include <QString>

class SerialPort;

namespace cli {

// "   0.012 -> 01 54" for a frame sent, "<-" for bytes received.
QString FrameTraceLine(qint64 elapsedMs, bool sent, const QByteArray& bytes);

// From now on, port's frames are traced on standard error for as long as
// the port lives.
void TraceFrames(SerialPort& port);

}  // namespace cli
