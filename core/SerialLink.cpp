#include "core/SerialLink.h"

#include "core/modFunc.h"
#include "platform/SerialPort.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

namespace modFunc {

SerialPort* cm = nullptr;
QTimer* totmr = nullptr;
void (*LetTimePass)() = WaitForEvents;

void WaitForEvents() { QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents); }

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
        LetTimePass();
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
        LetTimePass();
}

}  // namespace modFunc
