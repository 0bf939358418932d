// The link to the programmer for tests and benchmarks that run the device
// functions without the main window, on the emulator.
#pragma once

#include "core/ProgrammerLink.h"
#include "core/SerialLink.h"
#include "core/modFunc.h"
#include "support/SimHarness.h"
#include "support/TestSupport.h"

#include <QRandomGenerator>
#include <QTest>

struct SimLink : ProgrammerLink {
    // Starts the emulator as COM1 and opens the port on it as the program does.
    bool openOn(SimHarness& sim) { return sim.start() && sim.openPort(port); }
};

// The emulator as COM1 in a fresh start directory, its port open, its chip
// `chip` then 0xFF up to `size` (within 1 to 64 KiB), extra switches in args.
// Record 1 of the device table is that size and `type`, selected unless size
// is negative; the programmer counts as found.
struct SimRig {
    TempAppDir dir;
    SimHarness sim;
    SimLink link;
    bool ok;
    explicit SimRig(int type = 1, int size = 65536, const QByteArray& chip = {}, const QString& args = {})
        : sim(args.split(QLatin1Char(' '), Qt::SkipEmptyParts)
              + QStringList{QStringLiteral("--image"), (dir.write(QStringLiteral("chip"), chip), dir.file(QStringLiteral("chip"))),
                            QStringLiteral("--size"), QString::number(qBound(1, size, 65536))})
        , ok(link.openOn(sim))
    {
        modFunc::DeviceTable[1] = {QStringLiteral("Test chip"), int16_t(type), size};
        modFunc::DeviceIndex = size < 0 ? 0 : 1;
        modFunc::DeviceFound = true;
    }
    // The frames the emulator took, once all sent so far has arrived (a
    // marker frame it ignores goes last and is left out).
    QVector<QByteArray> sent()
    {
        const QByteArray marker = QByteArray::fromHex("015A");
        link.port.Output(marker);
        QVector<QByteArray> frames;
        (void)QTest::qWaitFor([&] { return (frames = sim.pcFrames()).value(frames.size() - 1) == marker; }, 5000);
        return frames.mid(0, frames.size() - 1);
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

// The first n bytes of the Buffer.
inline QByteArray BufferHead(int n) { return QByteArray(reinterpret_cast<const char*>(modFunc::Buffer.data()), n); }
