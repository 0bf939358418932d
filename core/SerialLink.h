// The programmer link shared by the program: the serial port cm, the receive
// timer totmr, the receive wait and the start-up probe.
#pragma once

#include <QString>
#include <functional>

class QTimer;
class SerialPort;

namespace modFunc {

// Owned by the main window; set while it exists.
extern SerialPort* cm;
extern QTimer* totmr;

// Connects the timer's tick to totmr_Timer and gives it its 1000 ms interval.
void SetUpReceiveTimer(QTimer* timer);
// totmr tick: TimeOutFlag = true, timer stopped.
void totmr_Timer();

// Waits until RxExpected bytes are waiting in cm or one second has passed
// (TimeOutFlag true). A port that fails meanwhile ends the wait like a
// time-out. Hands control to the event loop while it waits.
void WaitForBytes();

// Clears TimeOutFlag, starts totmr and runs the event loop until it ticks.
void WaitOneTick();

// What the probe found.
struct ProbeResult {
    enum class Outcome { PortError, NoAnswer, Found };
    Outcome outcome = Outcome::PortError;
    QString portError;  // the port layer's description, for PortError
    QString version;    // "2.1", for Found
};

// How long the probe waits for its reply: the whole second whatever comes
// (the window), or until ten bytes have come and 30 ms have passed without
// an eleventh, at most the second (the terminal).
enum class ProbeWait { WholeSecond, UntilReplyComplete };
constexpr int ProbeReplyBytes = 10;
constexpr int ProbeQuietMs = 30;

// Sets up and opens cm on ComPort (or the path cm was given), sends the
// probe, waits as `wait` says and judges the reply. Sets DeviceFound and,
// for a reply of 10 bytes, RxData. Shows nothing; both front ends word the
// outcome themselves.
ProbeResult ProbeProgrammer(ProbeWait wait = ProbeWait::WholeSecond);

// The port set-up and probe of the main window's load step. removeSplash is
// called once, at the point where the splash goes. Returns false when the
// port-error path was taken (message shown, DeviceFound false).
bool OpenPortAndProbe(const std::function<void()>& removeSplash);

}  // namespace modFunc
