#include "core/SerialLink.h"

#include "core/modFunc.h"
#include "platform/MessageBox.h"
#include "platform/SerialPort.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

namespace modFunc {

SerialPort* cm = nullptr;
QTimer* totmr = nullptr;

void totmr_Timer()
{
    TimeOutFlag = true;
    if (totmr)
        totmr->stop();
}

void SetUpReceiveTimer(QTimer* timer)
{
    timer->setInterval(1000);
    timer->setTimerType(Qt::PreciseTimer);
    QObject::connect(timer, &QTimer::timeout, timer, [] { totmr_Timer(); });
}

void WaitForBytes()
{
    if (!cm || !totmr) {  // no link at all: nothing can arrive
        TimeOutFlag = true;
        return;
    }
    totmr->setInterval(1000);
    TimeOutFlag = false;
    totmr->start();  // (re)starts the one-second period
    while (cm->InBufferCount() < RxExpected && !TimeOutFlag) {
        if (cm->Failed() || !cm->PortOpen()) {
            // A dead port cannot deliver: end as a time-out would.
            totmr->stop();
            TimeOutFlag = true;
            break;
        }
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    if (cm->InBufferCount() == RxExpected)
        totmr->stop();
}

void WaitOneTick()
{
    if (!totmr) {
        TimeOutFlag = true;
        return;
    }
    TimeOutFlag = false;
    totmr->start();
    while (!TimeOutFlag)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

namespace {

// Waits until the probe's reply is complete: ten bytes and then a quiet
// ProbeQuietMs, or more than ten (which fails the probe anyway), or the
// second of totmr.
void WaitForProbeReply()
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
    while (!TimeOutFlag && !quietEnded && !cm->Failed()) {
        const int count = cm->InBufferCount();
        if (count > ProbeReplyBytes)
            break;
        if (count != seen) {
            seen = count;
            if (count == ProbeReplyBytes)
                quiet.start(ProbeQuietMs);
        }
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    totmr->stop();
}

}  // namespace

ProbeResult ProbeProgrammer(ProbeWait wait)
{
    cm->setCommPort(ComPort);
    cm->setSettings(QStringLiteral("57600,N,8,1"));
    cm->setRThreshold(0);
    cm->setInputMode(SerialPort::InputModeKind::Binary);

    ProbeResult result;
    DeviceFound = false;
    auto portError = [&] {
        result.outcome = ProbeResult::Outcome::PortError;
        result.portError = cm->ErrorDescription();
        return result;
    };
    if (!cm->setPortOpen(true))
        return portError();
    if (!cm->Output(QByteArray("\x01T", 2)))
        return portError();

    // The window's probe waits the whole second, however early the reply
    // comes.
    if (wait == ProbeWait::WholeSecond)
        WaitOneTick();
    else
        WaitForProbeReply();
    if (cm->Failed())
        return portError();

    if (cm->InBufferCount() == 10) {
        RxData = cm->Input();
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

bool OpenPortAndProbe(const std::function<void()>& removeSplash)
{
    const ProbeResult probe = ProbeProgrammer();
    if (probe.outcome == ProbeResult::Outcome::PortError) {
        ShowMessage(QStringLiteral("COM%1, %2").arg(ComPort).arg(probe.portError),
                    QStringLiteral("Communication Port Error"), MsgIcon::Critical);
        removeSplash();
        return false;
    }
    removeSplash();
    if (probe.outcome == ProbeResult::Outcome::Found)
        ShowMessage(QStringLiteral("Device Version ") + probe.version, QStringLiteral("Quirra"));
    else
        ShowMessage(QStringLiteral("Cannot find device at COM %1 !").arg(ComPort),
                    QStringLiteral("Communication Error"), MsgIcon::Critical);
    return true;
}

}  // namespace modFunc
