#include "support/SimLink.h"

#include "core/SerialLink.h"
#include "core/modFunc.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>

SimLink::SimLink()
{
    modFunc::SetUpReceiveTimer(&timer);
    modFunc::cm = &port;
    modFunc::totmr = &timer;
}

SimLink::~SimLink()
{
    if (modFunc::cm == &port)
        modFunc::cm = nullptr;
    if (modFunc::totmr == &timer)
        modFunc::totmr = nullptr;
}

bool SimLink::openOn(SimHarness& sim, int n)
{
    if (!sim.start())
        return false;
    sim.exportAs(n);
    port.setCommPort(n);
    port.setSettings(QStringLiteral("57600,N,8,1"));
    port.setInputMode(SerialPort::InputModeKind::Binary);
    return port.setPortOpen(true);
}

void SimLink::settle(int n)
{
    QElapsedTimer t;
    t.start();
    while (port.InBufferCount() < n && t.elapsed() < 3000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
}

QByteArray RandomImage(int size, quint32 seed)
{
    QRandomGenerator random(seed);
    QByteArray bytes(size, '\0');
    for (char& b : bytes)
        b = char(random.bounded(256));
    return bytes;
}
