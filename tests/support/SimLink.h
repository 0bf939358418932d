// The serial port and receive timer that the main window owns, for tests and
// benchmarks that run the device functions without it: modFunc::cm and
// modFunc::totmr while the object lives.
#pragma once

#include "core/SerialLink.h"
#include "core/modFunc.h"
#include "platform/SerialPort.h"
#include "support/SimHarness.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTimer>

struct SimLink {
    SerialPort port;
    QTimer timer;
    SimLink() { modFunc::SetUpReceiveTimer(&timer), modFunc::cm = &port, modFunc::totmr = &timer; }
    ~SimLink() { modFunc::cm = nullptr, modFunc::totmr = nullptr; }
    // Starts the emulator as COM1 and opens the port on it as the program does.
    bool openOn(SimHarness& sim)
    {
        if (!sim.start())
            return false;
        sim.exportAs(1);
        port.setCommPort(1);
        port.setSettings(QStringLiteral("57600,N,8,1"));
        return port.setPortOpen(true);
    }
};

// size bytes of a fixed pseudo-random sequence per seed.
inline QByteArray RandomImage(int size, quint32 seed)
{
    QRandomGenerator random(seed);
    QByteArray bytes(size, '\0');
    for (char& b : bytes)
        b = char(random.bounded(256));
    return bytes;
}
