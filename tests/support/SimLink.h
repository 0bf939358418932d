// The link to the programmer for tests and benchmarks that run the device
// functions without the main window, on the emulator.
#pragma once

#include "core/ProgrammerLink.h"
#include "core/SerialLink.h"
#include "core/modFunc.h"
#include "support/SimHarness.h"

#include <QElapsedTimer>
#include <QRandomGenerator>

struct SimLink : ProgrammerLink {
    // Starts the emulator as COM1 and opens the port on it as the program does.
    bool openOn(SimHarness& sim) { return sim.start() && sim.openPort(port); }
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
