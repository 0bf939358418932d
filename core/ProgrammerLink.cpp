#include "core/ProgrammerLink.h"

#include "core/Reporter.h"
#include "core/PortMap.h"
#include "core/SerialLink.h"
#include "core/modFunc.h"

#include <QCoreApplication>

using namespace modFunc;

QString ProbeMessage(const ProbeResult& probe, const QString& portPath)
{
    switch (probe.outcome) {
    case ProbeResult::Outcome::PortError:
        return portPath.isEmpty() ? QStringLiteral("COM%1, %2").arg(ComPort).arg(probe.portError) : probe.portError;
    case ProbeResult::Outcome::NoAnswer:
        return QStringLiteral("Cannot find device at %1 !")
            .arg(portPath.isEmpty() ? QStringLiteral("COM %1").arg(ComPort) : portPath);
    case ProbeResult::Outcome::Found:
        break;
    }
    return QStringLiteral("Device Version ") + probe.version;
}

QString ProbeTitle(ProbeResult::Outcome outcome)
{
    switch (outcome) {
    case ProbeResult::Outcome::PortError: return QStringLiteral("Communication Port Error");
    case ProbeResult::Outcome::NoAnswer: return QStringLiteral("Communication Error");
    case ProbeResult::Outcome::Found: break;
    }
    return QStringLiteral("Quirra");
}

QString PortGoneMessage(const QString& device)
{
    return QStringLiteral("The programmer's port %1 is gone (unplugged?)").arg(device);
}

QString ProbeNextStep(const ProbeResult& probe, const QList<PresentPort>& present)
{
    QStringList adapters;
    for (const PresentPort& p : present)
        if (!p.usb.isEmpty())
            adapters << p.offer;
    const QString choose = adapters.isEmpty()
                               ? QString()
                               : QStringLiteral("A USB serial adapter is present (%1): choose your adapter in Options > "
                                                "Settings, then restart Quirra.")
                                     .arg(adapters.join(QStringLiteral(", ")));
    switch (probe.outcome) {
    case ProbeResult::Outcome::NoAnswer:
        return QStringLiteral("Check that the programmer is switched on and connected to COM%1.").arg(ComPort) +
               (choose.isEmpty() ? QString() : QLatin1Char(' ') + choose);
    case ProbeResult::Outcome::PortError:
        if (probe.portError.contains(QLatin1String("permission denied")))
            return {};
        return choose;
    case ProbeResult::Outcome::Found:
        break;
    }
    return {};
}

ProgrammerLink::ProgrammerLink(const QString& portPath)
{
    SetUpReceiveTimer(&timer);
    port.setPortPath(portPath);
    cm = &port;
    totmr = &timer;
}

ProgrammerLink::~ProgrammerLink()
{
    if (cm == &port)
        cm = nullptr;
    if (totmr == &timer)
        totmr = nullptr;
}

void ProgrammerLink::WaitWholeSecond(SerialPort&) { WaitOneTick(); }

void ProgrammerLink::WaitForCompleteReply(SerialPort& port)
{
    if (!totmr) {
        TimeOutFlag = true;
        return;
    }
    QTimer quiet;
    quiet.setSingleShot(true);
    quiet.setTimerType(Qt::PreciseTimer);
    bool quietEnded = false;
    QObject::connect(&quiet, &QTimer::timeout, [&quietEnded] { quietEnded = true; });
    TimeOutFlag = false;
    totmr->start();
    int seen = -1;
    while (!TimeOutFlag && !quietEnded && !port.Failed()) {
        const int count = port.InBufferCount();
        if (count > ProbeReplyBytes)
            break;
        if (count != seen) {
            seen = count;
            if (count == ProbeReplyBytes)
                quiet.start(ProbeQuietMs);
        }
        LetTimePass();
    }
    totmr->stop();
}

bool ProgrammerLink::Open()
{
    port.setCommPort(ComPort, ResolvePort(ComPort).path);
    port.setSettings(QStringLiteral("57600,N,8,1"));
    port.setRThreshold(0);
    port.setInputMode(SerialPort::InputModeKind::Binary);
    return port.setPortOpen(true);
}

ProbeResult ProgrammerLink::Probe(const ProbeWait& wait)
{
    DeviceFound = false;
    if (!Open())
        return {ProbeResult::Outcome::PortError, port.ErrorDescription(), {}};
    return ProbePort(port, wait);
}

ProbeResult ProbePort(SerialPort& port, const ProgrammerLink::ProbeWait& wait)
{
    ProbeResult result;
    DeviceFound = false;
    auto portError = [&] {
        result.outcome = ProbeResult::Outcome::PortError;
        result.portError = port.ErrorDescription();
        return result;
    };
    if (!port.Output(QByteArray("\x01T", 2)))
        return portError();
    wait(port);
    if (port.Failed())
        return portError();

    if (port.InBufferCount() == ProgrammerLink::ProbeReplyBytes) {
        RxData = port.Input();
        result.outcome = ProbeResult::Outcome::Found;
        result.version = QStringLiteral("%1.%2")
                             .arg(QChar::fromLatin1(char(RxData[8])))
                             .arg(QChar::fromLatin1(char(RxData[9])));
        DeviceFound = true;
    } else {
        result.outcome = ProbeResult::Outcome::NoAnswer;
    }
    return result;
}

bool OpenPortAndProbe(ProgrammerLink& link, const std::function<void()>& removeSplash)
{
    const ProbeResult probe = link.Probe();
    const bool portOk = probe.outcome != ProbeResult::Outcome::PortError;
    QString text = ProbeMessage(probe);
    if (probe.outcome != ProbeResult::Outcome::Found) {
        const QString next = ProbeNextStep(probe, PresentPorts());
        if (!next.isEmpty())
            text += QStringLiteral("\n\n") + next;
    }
    if (!portOk)  // the box shows over the splash
        Report(text, ProbeTitle(probe.outcome), MsgIcon::Critical);
    removeSplash();
    if (portOk)
        Report(text, ProbeTitle(probe.outcome),
               probe.outcome == ProbeResult::Outcome::Found ? MsgIcon::None : MsgIcon::Critical);
    return portOk;
}
