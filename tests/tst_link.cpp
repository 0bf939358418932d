// The serial link against the emulator: probe outcomes, the main window's
// load step, the receive wait, port errors.
#include "core/SerialLink.h"
#include "core/mdiMain.h"
#include "core/PortMap.h"
#include "core/modFunc.h"
#include "support/SimLink.h"
#include "support/WindowSupport.h"

#include <QElapsedTimer>
#include <QTimer>
#include <QtTest>

using namespace modFunc;

namespace {
// WaitForBytes, timed: the milliseconds it took.
qint64 TimedWait()
{
    QElapsedTimer t;
    t.start();
    WaitForBytes();
    return t.elapsed();
}

// Sends a block request, lets `settle` bytes come in, then waits for the 17
// bytes of the reply with WaitForBytes; returns how long that took.
qint64 RequestBlock(SimLink& link, int settle = 17)
{
    link.port.Output(QByteArray("\x01R\x04\x00\x00\x00\x01", 7));
    WaitForInput(link.port, settle);
    RxExpected = 17;
    return TimedWait();
}

// COM<port> with the emulator giving a probe reply of `probeBytes` (-1: COM2
// cannot be opened): the one message box and the status panels afterwards.
struct LoadCase { int port, probeBytes; QString message, title; QStringList panels; };
}  // namespace
Q_DECLARE_METATYPE(LoadCase)

class TestLink : public QObject {
    Q_OBJECT
private slots:
    void loadStep_data()
    {
        QTest::addColumn<LoadCase>("c");
        const QStringList opened = {"COM2", "Device: 2716 EPROM 2K", "Size: 800H", "File:"};
        const QStringList failed = {"FAIL", "Device:", "Size:", "File:"};
        auto row = [](const QString& name, const LoadCase& c) { QTest::newRow(qPrintable(name)) << c; };
        row("programmer", {2, 10, "Device Version 3.4", "Quirra", opened});
        row("COM5 by the port map", {5, 10, "Device Version 3.4", "Quirra", QStringList{"COM5"} + opened.mid(1)});
        for (int bytes : {9, 11, 0})
            row(QStringLiteral("%1-byte probe reply").arg(bytes),
                {2, bytes, "Cannot find device at COM 2 !", "Communication Error", opened});
        row("port error", {2, -1, "COM2, no such device ", "Communication Port Error", failed});
        for (int n : {0, -2, 256})
            row(QStringLiteral("COM%1").arg(n),
                {n, -1, QStringLiteral("COM%1, there is no port COM%1").arg(n), "Communication Port Error", failed});
    }

    void loadStep()
    {
        QFETCH(LoadCase, c);
        TempAppDir dir;
        SimHarness sim(QStringLiteral("--firmware 3.4 --probe-bytes %1").arg(c.probeBytes).split(QLatin1Char(' ')));
        if (c.probeBytes >= 0)
            QVERIFY(sim.start());
        const QString path = c.probeBytes >= 0 ? sim.linkPath() : dir.file(QStringLiteral("none"));
        qputenv("QUIRRA_COM2", path.toLocal8Bit());
        PortPaths = {{5, path}};  // as ports.cfg maps it
        ComPort = int16_t(c.port);
        DeviceTable[1] = {QStringLiteral("2716 EPROM 2K"), 1, 2048};
        DeviceIndex = DeviceCount = 1;
        Buffer[123] = 0x00;
        MessageRecorder rec;
        mdiMain w;
        QElapsedTimer t;
        t.start();
        w.Load();
        qunsetenv("QUIRRA_COM2");
        PortPaths.clear();
        // The splash second, then the probe's whole second however early the reply came.
        QVERIFY(t.elapsed() >= (c.probeBytes >= 0 ? 1900 : 950));
        QCOMPARE(rec.count(), 1);
        QVERIFY2(rec.last().text.startsWith(c.message) && rec.last().text.size() > 6, qPrintable(rec.last().text));
        QCOMPARE(rec.last().title, c.title);
        QCOMPARE(rec.last().icon, c.probeBytes == 10 ? MsgIcon::None : MsgIcon::Critical);
        QCOMPARE(DeviceFound, c.probeBytes == 10);
        QCOMPARE(Buffer[123], uint8_t(0xFF));
        for (int n = 1; n <= 4; ++n)
            QCOMPARE(w.sbar->Panel(n), c.panels[n - 1]);
        QCOMPARE(sim.pcFrames(), QVector<QByteArray>(c.probeBytes >= 0, QByteArray("\x01T", 2)));
        QCOMPARE(cm->Output("\x01T"), c.probeBytes >= 0);  // nothing can be sent on a port that failed
        // No splash is left behind.
        for (QWidget* top : QApplication::topLevelWidgets())
            QVERIFY(!top->isVisible() || top == &w);
    }

    void waitForBytes()
    {
        SimRig rig;
        QVERIFY(rig.ok);
        // Bytes already waiting: returns at once, timer stopped.
        QVERIFY(RequestBlock(rig.link) < 900);
        QVERIFY(!TimeOutFlag);
        QVERIFY(!rig.link.timer.isActive());
        QCOMPARE(rig.link.port.Input(), QByteArray(1, '\x11') + QByteArray(16, '\xFF'));
        // Nothing arriving: about one second, then TimeOutFlag.
        QVERIFY(TimedWait() >= 950);
        QVERIFY(TimeOutFlag);
        QVERIFY(!rig.link.timer.isActive());
        // More than awaited: all are there, the timer keeps running once more.
        rig.link.port.Output(QByteArray("\x01T", 2));
        RequestBlock(rig.link, 27);
        QVERIFY(!TimeOutFlag);
        QCOMPARE(rig.link.port.InBufferCount(), 27);
        QVERIFY(rig.link.timer.isActive());
    }

    void pacedReply()
    {
        // 17 bytes take about 0.57 s at 300 baud: the wait collects them. At 150
        // baud they need 1.1 s: the second counts from the start of the wait,
        // not per byte, so it runs out with part of the reply there.
        for (int baud : {300, 150}) {
            SimRig rig(1, 65536, {}, QStringLiteral("--pace %1").arg(baud));
            QVERIFY(rig.ok);
            QVERIFY(RequestBlock(rig.link, 0) >= 400);
            QCOMPARE(TimeOutFlag, baud < 300);
            QCOMPARE(rig.link.port.InBufferCount() == 17, baud >= 300);
            QVERIFY(rig.link.port.InBufferCount() > 0);
        }
    }

    void waitEndsWhenPortDies()
    {
        SimRig rig;
        QVERIFY(rig.ok);
        QTimer::singleShot(100, [&] { rig.sim.stop(); });
        RxExpected = 17;
        QVERIFY(TimedWait() < 900);  // ended by the failure, not by the second
        QVERIFY(TimeOutFlag);
        QVERIFY(!rig.link.timer.isActive());
        QVERIFY(rig.link.port.Failed());
        // A second wait on the dead line ends too and nothing hangs.
        QVERIFY(TimedWait() < 9000);
        QVERIFY(TimeOutFlag);
    }
};

QTEST_MAIN(TestLink)
#include "tst_link.moc"
