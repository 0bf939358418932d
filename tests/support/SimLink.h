// The serial port and receive timer that the main window owns, for tests and
// benchmarks that run the device functions without it: installed as
// modFunc::cm and modFunc::totmr while the object lives.
#pragma once

#include "platform/SerialPort.h"
#include "support/SimHarness.h"

#include <QByteArray>
#include <QTimer>

class SimLink {
public:
    SimLink();
    ~SimLink();
    SimLink(const SimLink&) = delete;
    SimLink& operator=(const SimLink&) = delete;

    // Starts the emulator, points COMn at it and opens the port as the
    // program does. False when either fails.
    bool openOn(SimHarness& sim, int n = 1);
    // Runs the event loop until n bytes wait in the port or 3 s have passed.
    void settle(int n);

    SerialPort port;
    QTimer timer;
};

// size bytes from a fixed pseudo-random sequence (same seed, same bytes).
QByteArray RandomImage(int size, quint32 seed);
