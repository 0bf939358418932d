// The programmer emulator, driven directly over its pty: its replies, its
// chip rules, its fault switches and its wire log.
#include "platform/SerialPort.h"
#include "support/SimHarness.h"
#include "support/TestSupport.h"

#include <QtTest>

namespace {

// The emulator with `args`, and the PC end of the line: the program's own
// port on its pty.
struct Port {
    SimHarness sim;
    SerialPort port;
    explicit Port(const QStringList& args = {}) : sim(args)
    {
        QVERIFY(sim.start());
        QVERIFY(sim.openPort(port, 9));
    }
    void send(const QByteArray& b) { QVERIFY(port.Output(b)); }
    // Waits until count bytes have come or ms have passed; returns what came.
    QByteArray read(int count, int ms = 1000)
    {
        WaitForInput(port, count, ms);
        return port.Input();
    }
};

QByteArray Command(char letter) { return QByteArray("\x01", 1) + letter; }
QByteArray Read(int address) { return Command('R') + QByteArray("\x04", 1) + char(address >> 8) + char(address) + QByteArray("\x00\x01", 2); }
QByteArray Write(int address, const QByteArray& data)
{
    return QByteArray("\x14", 1) + char(address >> 8) + char(address) + QByteArray("\x00\x10", 2) + data;
}
QByteArray Filled(char value, int count = 16) { return QByteArray(count, value); }
QByteArray Block(const QByteArray& data) { return QByteArray("\x11", 1) + data; }
const QByteArray Ok("\x14\x00\x00", 3);
QByteArray Failed(char code, int address) { return QByteArray("\x14", 1) + code + char(address); }

}  // namespace

class TestSim : public QObject {
    Q_OBJECT
private slots:
    void replies_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("send");
        QTest::addColumn<QByteArray>("expect");  // all that comes back, nothing after it
        QTest::addColumn<QByteArray>("chip");    // the chip image at the end; empty: not looked at
        auto row = [](const char* name, const char* args, const QByteArray& send, const QByteArray& expect,
                      const QByteArray& chip = {}) {
            QTest::newRow(name) << QString::fromLatin1(args).split(QLatin1Char(' '), Qt::SkipEmptyParts) << send
                                << expect << chip;
        };
        const QByteArray ff = Block(Filled('\xFF'));
        row("probe", "", Command('T'), "QUIRRA  21");
        row("version", "--firmware 3.7", Command('T'), "QUIRRA  37");
        row("9-byte probe", "--probe-bytes 9", Command('T') + Read(0), "QUIRRA  2" + ff);
        row("11-byte probe", "--probe-bytes 11", Command('T'), QByteArray("QUIRRA  21\0", 11));
        row("no probe reply", "--probe-bytes 0", Command('T'), "");
        row("no reply from block 2", "--no-reply-from 2",
            Read(0x10) + Read(0x20) + Write(0x30, Filled(0)) + Write(0, Filled(0)), ff + Ok);
        row("short reply", "--short-reply 5", Read(0) + Write(0, Filled(0)), Block(Filled('\xFF', 4)) + Ok);
        row("extra bytes", "--extra 3", Read(0) + Write(0, Filled(0)), ff + Filled('\xEE', 3) + Ok + Filled('\xEE', 3));
        row("strict: write mode and R needed", "--strict",
            Write(0x10, Filled(0)) + Command('W') + Write(0x10, Filled(1)) + Read(0x10).mid(2) + Read(0x10),
            Failed(2, 0x10) + Ok + Block(Filled(1)));
        row("fail at 0x35", "--fail-at 0x35", Write(0x30, Filled(0)) + Read(0x30),
            Failed(1, 0x35) + Block(Filled(0, 5) + Filled('\xFF', 11)));
        // The same reads flip in every run: the first and the fifth of five.
        const QByteArray flipped = Block(Filled('\xFF', 3) + '\x7E' + Filled('\xFF', 12));
        row("flaky byte", "--flaky 3:0x81", Read(0) + Read(0) + Read(0) + Read(0) + Read(0),
            flipped + ff + ff + ff + flipped);
        row("chip ends at 0x108", "--size 0x108", Write(0x100, Filled(0)) + Write(0x200, Filled(0)) + Read(0x100),
            Failed(1, 0x08) + Failed(1, 0) + Block(Filled(0, 8) + Filled('\xFF', 8)));
        // Clearing more bits is fine; a 1 over a 0 at 0x1233 is not: the bytes
        // before it are programmed, it and the rest are left alone. Locked,
        // every write fails at the block's first address; reading goes on.
        // Erase makes all 0xFF and unlocks.
        QByteArray erased = Filled('\xFF', 65536);
        erased.replace(0x2040, 16, Filled('\x12'));
        erased.replace(0xFFF0, 16, Filled('\x34'));
        row("chip rules", "",
            Command('a') + Command('W') + Write(0x1230, Filled('\x5A'))
                + Write(0x1230, Filled('\x0A', 3) + Filled('\xFF', 1) + Filled('\x00', 12)) + Read(0x1230)
                + Command('L') + Write(0x2040, Filled(0)) + Read(0x2040)
                + Command('E') + Read(0x1230) + Write(0x2040, Filled('\x12')) + Write(0xFFF0, Filled('\x34'))
                + Command('W') + Command('I'),
            Ok + Failed(1, 0x33) + Block(Filled('\x0A', 3) + Filled('\x5A', 13)) + Failed(1, 0x40) + ff + ff + Ok + Ok,
            erased);
    }

    void replies()
    {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, send);
        QFETCH(QByteArray, expect);
        QFETCH(QByteArray, chip);
        Port port(args);
        // Sent in pieces: frames split over writes and several in one write.
        port.send(send.left(1));
        QTest::qWait(20);
        port.send(send.mid(1));
        QCOMPARE(port.read(int(expect.size())), expect);
        QCOMPARE(port.read(1, 150), QByteArray());
        if (!chip.isEmpty())
            QCOMPARE(port.sim.dump(), chip);
    }

    void imageAndTrace()
    {
        QByteArray image;
        for (int i = 0; i < 40; ++i)
            image += char(i * 7 + 1);
        TempAppDir dir;
        dir.write(QStringLiteral("in.bin"), image + Filled(0, 300));  // longer than the chip: cut
        Port port({QStringLiteral("--image"), dir.file(QStringLiteral("in.bin")), QStringLiteral("--size"),
                   QStringLiteral("0x30")});
        port.send(Read(0x20) + Read(0x30));
        QCOMPARE(port.read(34), Block(image.mid(32, 8) + Filled(0, 8)) + Block(Filled('\xFF')));
        QCOMPARE(port.sim.dump(), image + Filled(0, 8));
        // The wire log: the replies and the PC frames in order.
        QCOMPARE(port.sim.trace().size(), 6);
        QCOMPARE(port.sim.pcFrames(), (QVector<QByteArray>{Command('R'), Read(0x20).mid(2), Command('R'), Read(0x30).mid(2)}));
    }
};

QTEST_GUILESS_MAIN(TestSim)
#include "tst_sim.moc"
