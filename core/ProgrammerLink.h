// The link to the programmer: one serial port and the receive timer, made
// modFunc::cm and modFunc::totmr for as long as the object lives, and the
// probe that finds the programmer on it. The main window, the terminal
// program, the tests and the benchmarks all reach the programmer through it.
#pragma once

#include "core/PortMap.h"
#include "platform/SerialPort.h"

#include <QString>
#include <QTimer>
#include <functional>

// What the probe found.
struct ProbeResult {
    enum class Outcome { PortError, NoAnswer, Found };
    Outcome outcome = Outcome::PortError;
    QString portError;  // the port layer's description, for PortError
    QString version;    // "2.1", for Found
};

// The probe's outcome for the user: its message and the title of its box.
// portPath is the port named by its path, empty for COMn of modFunc::ComPort.
QString ProbeMessage(const ProbeResult& probe, const QString& portPath = {});
QString ProbeTitle(ProbeResult::Outcome outcome);
// What the window's box suggests after a failed probe, given the serial
// ports present: where to choose a USB adapter, what to check. Empty when
// the port error already says what to do (a permission problem names the
// group and the command) or the programmer was found.
QString ProbeNextStep(const ProbeResult& probe, const QList<modFunc::PresentPort>& present);

// The port's device went away during a run: "The programmer's port
// /dev/ttyUSB0 is gone (unplugged?)".
QString PortGoneMessage(const QString& device);

class ProgrammerLink {
public:
    // How the probe waits for the reply once the probe frame is out; it
    // returns when the reply can be judged.
    using ProbeWait = std::function<void(SerialPort& port)>;
    // The whole second of the receive timer, however early the reply comes.
    static void WaitWholeSecond(SerialPort& port);
    // Until the reply is complete: ProbeReplyBytes have come and then
    // ProbeQuietMs have passed without another, or more have come (which
    // fails the probe anyway), or the port failed; at most the second.
    static void WaitForCompleteReply(SerialPort& port);
    static constexpr int ProbeReplyBytes = 10;
    static constexpr int ProbeQuietMs = 30;

    // portPath names the port by its path; empty: COMn of modFunc::ComPort.
    explicit ProgrammerLink(const QString& portPath = {});
    ~ProgrammerLink();  // closes the port; cm and totmr no longer name it
    ProgrammerLink(const ProgrammerLink&) = delete;
    ProgrammerLink& operator=(const ProgrammerLink&) = delete;

    // Opens the port at 57600 baud, 8N1, binary, without a probe.
    bool Open();
    // Opens the port, sends the probe, waits and judges the reply. Sets
    // DeviceFound and, for a reply of 10 bytes, RxData. Shows nothing.
    ProbeResult Probe(const ProbeWait& wait = WaitWholeSecond);

    SerialPort port;
    QTimer timer;
};

// The probe on a port that is open: sends 01 T, waits and judges the reply,
// as ProgrammerLink::Probe does after opening its port.
ProbeResult ProbePort(SerialPort& port, const ProgrammerLink::ProbeWait& wait);

// The main window's load step: the probe, then one message box for its
// outcome. removeSplash is called once, at the point where the splash goes.
// Returns false when the port could not be used (DeviceFound false).
bool OpenPortAndProbe(ProgrammerLink& link, const std::function<void()>& removeSplash);
