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

bool OpenPortAndProbe(const std::function<void()>& removeSplash)
{
    cm->setCommPort(ComPort);
    cm->setSettings(QStringLiteral("57600,N,8,1"));
    cm->setRThreshold(0);
    cm->setInputMode(SerialPort::InputModeKind::Binary);

    auto portError = [&] {
        ShowMessage(QStringLiteral("COM%1, %2").arg(ComPort).arg(cm->ErrorDescription()),
                    QStringLiteral("Communication Port Error"), MsgIcon::Critical);
        removeSplash();
        DeviceFound = false;
        return false;
    };

    if (!cm->setPortOpen(true))
        return portError();
    if (!cm->Output(QByteArray("\x01T", 2)))
        return portError();

    // The probe always waits the whole second, however early the reply comes.
    WaitOneTick();
    if (cm->Failed())
        return portError();
    removeSplash();

    if (cm->InBufferCount() == 10) {
        RxData = cm->Input();
        ShowMessage(QStringLiteral("Device Version %1.%2")
                        .arg(QChar::fromLatin1(char(RxData[8])))
                        .arg(QChar::fromLatin1(char(RxData[9]))),
                    QStringLiteral("Quirra"));
        DeviceFound = true;
    } else {
        ShowMessage(QStringLiteral("Cannot find device at COM %1 !").arg(ComPort),
                    QStringLiteral("Communication Error"), MsgIcon::Critical);
        DeviceFound = false;
    }
    return true;
}

}  // namespace modFunc
