// The serial link against the emulator: probe outcomes, the receive wait,
// port errors.
#include "core/SerialLink.h"
#include "core/mdiMain.h"
#include "core/modFunc.h"
#include "support/SimHarness.h"
#include "support/TestSupport.h"

#include <QElapsedTimer>
#include <QTimer>
#include <QtTest>

using namespace modFunc;

namespace {
// A port and timer as the main window owns them, for tests without it.
struct Link {
    SerialPort port;
    QTimer timer;
    Link()
    {
        SetUpReceiveTimer(&timer);
        cm = &port;
        totmr = &timer;
    }
    ~Link()
    {
        cm = nullptr;
        totmr = nullptr;
    }
    bool open(int n)
    {
        port.setCommPort(n);
        port.setSettings(QStringLiteral("57600,N,8,1"));
        port.setInputMode(SerialPort::InputModeKind::Binary);
        return port.setPortOpen(true);
    }
    // Starts the emulator as COM1 and opens the port on it.
    bool openOn(SimHarness& sim)
    {
        if (!sim.start())
            return false;
        sim.exportAs(1);
        return open(1);
    }
    // Lets the event loop run until n bytes wait (or 3 s pass).
    void settle(int n)
    {
        QElapsedTimer t;
        t.start();
        while (port.InBufferCount() < n && t.elapsed() < 3000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
};

const QByteArray BlockRequest0("\x01R\x04\x00\x00\x00\x01", 7);
}  // namespace

class TestLink : public QObject {
    Q_OBJECT
private slots:
    void probeOutcomes_data();
    void probeOutcomes();
    void loadStepWithProgrammer();
    void loadStepPortError();
    void portNumbersOutOfRange();
    void waitForBytes();
    void waitEndsWhenPortDies();
};

void TestLink::probeOutcomes_data()
{
    QTest::addColumn<int>("bytes");
    QTest::addColumn<bool>("found");
    QTest::newRow("10 bytes") << 10 << true;
    QTest::newRow("9 bytes") << 9 << false;
    QTest::newRow("11 bytes") << 11 << false;
    QTest::newRow("no reply") << 0 << false;
}

void TestLink::probeOutcomes()
{
    QFETCH(int, bytes);
    QFETCH(bool, found);
    TempAppDir dir;
    SimHarness sim({QStringLiteral("--probe-bytes"), QString::number(bytes), QStringLiteral("--version"),
                    QStringLiteral("2.1")});
    QVERIFY(sim.start());
    sim.exportAs(1);
    ComPort = 1;
    Link link;
    MessageRecorder rec;
    int splashRemoved = 0;
    QElapsedTimer t;
    t.start();
    QVERIFY(OpenPortAndProbe([&] { ++splashRemoved; }));
    // The probe waits its whole second, however early the reply came.
    QVERIFY2(t.elapsed() >= 950, qPrintable(QString::number(t.elapsed())));
    QCOMPARE(splashRemoved, 1);
    QCOMPARE(DeviceFound, found);
    QCOMPARE(rec.count(), 1);
    if (found) {
        QCOMPARE(rec.last().text, QStringLiteral("Device Version 2.1"));
        QCOMPARE(rec.last().title, QStringLiteral("Quirra"));
        QCOMPARE(rec.last().icon, MsgIcon::None);
    } else {
        QCOMPARE(rec.last().text, QStringLiteral("Cannot find device at COM 1 !"));
        QCOMPARE(rec.last().title, QStringLiteral("Communication Error"));
        QCOMPARE(rec.last().icon, MsgIcon::Critical);
    }
    QCOMPARE(sim.pcFrames(), QVector<QByteArray>{QByteArray("\x01T", 2)});
}

void TestLink::loadStepWithProgrammer()
{
    TempAppDir dir;
    SimHarness sim({QStringLiteral("--version"), QStringLiteral("3.4")});
    QVERIFY(sim.start());
    sim.exportAs(2);
    ComPort = 2;
    DeviceTable[1] = {QStringLiteral("2716 EPROM 2K"), 1, 2048};
    DeviceIndex = 1;
    DeviceCount = 1;
    Buffer[123] = 0x00;
    MessageRecorder rec;
    mdiMain w;
    QElapsedTimer t;
    t.start();
    w.Load();
    QVERIFY(t.elapsed() >= 1900);  // splash second, then probe second
    QCOMPARE(rec.count(), 1);
    QCOMPARE(rec.last().text, QStringLiteral("Device Version 3.4"));
    QVERIFY(DeviceFound);
    QCOMPARE(Buffer[123], uint8_t(0xFF));
    QCOMPARE(w.sbar->Panel(1), QStringLiteral("COM2"));
    QCOMPARE(w.sbar->Panel(2), QStringLiteral("Device: 2716 EPROM 2K"));
    QCOMPARE(w.sbar->Panel(3), QStringLiteral("Size: 800H"));
    QCOMPARE(w.sbar->Panel(4), QStringLiteral("File:"));
    // No splash is left behind.
    for (QWidget* top : QApplication::topLevelWidgets())
        QVERIFY(!top->isVisible() || top == &w);
}

void TestLink::loadStepPortError()
{
    TempAppDir dir;
    qputenv("QUIRRA_COM3", dir.file(QStringLiteral("no-such-port")).toLocal8Bit());
    ComPort = 3;
    DeviceTable[1] = {QStringLiteral("27C64"), 1, 8192};
    DeviceIndex = 1;
    MessageRecorder rec;
    mdiMain w;
    w.Load();
    QCOMPARE(rec.count(), 1);
    QCOMPARE(rec.last().text, QStringLiteral("COM3, no such device %1: Help explains QUIRRA_COM3")
                                  .arg(dir.file(QStringLiteral("no-such-port"))));
    QCOMPARE(rec.last().title, QStringLiteral("Communication Port Error"));
    QCOMPARE(rec.last().icon, MsgIcon::Critical);
    QVERIFY(!DeviceFound);
    QCOMPARE(w.sbar->Panel(1), QStringLiteral("FAIL"));
    QCOMPARE(w.sbar->Panel(2), QStringLiteral("Device:"));
    QCOMPARE(w.sbar->Panel(3), QStringLiteral("Size:"));
    QCOMPARE(w.sbar->Panel(4), QStringLiteral("File:"));
    QCOMPARE(Buffer[0], uint8_t(0xFF));
    qunsetenv("QUIRRA_COM3");
}

void TestLink::portNumbersOutOfRange()
{
    TempAppDir dir;
    for (int n : {0, -2, 256}) {
        ComPort = int16_t(n);
        Link link;
        MessageRecorder rec;
        int splash = 0;
        QVERIFY(!OpenPortAndProbe([&] { ++splash; }));
        QCOMPARE(splash, 1);
        QCOMPARE(rec.count(), 1);
        QCOMPARE(rec.last().title, QStringLiteral("Communication Port Error"));
        QVERIFY2(rec.last().text.startsWith(QStringLiteral("COM%1, there is no port COM%1").arg(n)),
                 qPrintable(rec.last().text));
        QVERIFY(!link.port.Output("\x01T"));  // nothing can be sent on it
    }
}

void TestLink::waitForBytes()
{
    TempAppDir dir;
    // Bytes already waiting: returns at once, timer stopped.
    {
        SimHarness sim;
        Link link;
        QVERIFY(link.openOn(sim));
        QVERIFY(link.port.Output(BlockRequest0));
        link.settle(17);
        QCOMPARE(link.port.InBufferCount(), 17);
        RxExpected = 17;
        QElapsedTimer t;
        t.start();
        WaitForBytes();
        QVERIFY(t.elapsed() < 900);
        QVERIFY(!TimeOutFlag);
        QVERIFY(!link.timer.isActive());
        QCOMPARE(link.port.Input(), QByteArray(1, '\x11') + QByteArray(16, '\xFF'));

        // Nothing arriving: about one second, then TimeOutFlag.
        t.restart();
        WaitForBytes();
        QVERIFY(t.elapsed() >= 950);
        QVERIFY(TimeOutFlag);
        QVERIFY(!link.timer.isActive());

        // More than awaited: all are there, the timer keeps running once more.
        link.port.Output(BlockRequest0);
        link.port.Output(QByteArray("\x01T", 2));
        link.settle(27);
        WaitForBytes();
        QVERIFY(!TimeOutFlag);
        QCOMPARE(link.port.InBufferCount(), 27);
        QVERIFY(link.timer.isActive());
        link.port.Input();
    }
    // Trickling in at 300 baud (17 bytes in about 0.57 s): the wait collects them.
    {
        SimHarness sim({QStringLiteral("--pace"), QStringLiteral("300")});
        Link link;
        QVERIFY(link.openOn(sim));
        QVERIFY(link.port.Output(BlockRequest0));
        RxExpected = 17;
        QElapsedTimer t;
        t.start();
        WaitForBytes();
        QVERIFY(!TimeOutFlag);
        QVERIFY(t.elapsed() >= 400);
        QCOMPARE(link.port.InBufferCount(), 17);
    }
    // At 150 baud the reply needs 1.1 s: the second counts from the start of
    // the wait, not per byte, so it runs out with part of the reply there.
    {
        SimHarness sim({QStringLiteral("--pace"), QStringLiteral("150")});
        Link link;
        QVERIFY(link.openOn(sim));
        QVERIFY(link.port.Output(BlockRequest0));
        RxExpected = 17;
        WaitForBytes();
        QVERIFY(TimeOutFlag);
        QVERIFY(link.port.InBufferCount() > 0);
        QVERIFY(link.port.InBufferCount() < 17);
    }
}

void TestLink::waitEndsWhenPortDies()
{
    TempAppDir dir;
    SimHarness sim;
    Link link;
    QVERIFY(link.openOn(sim));
    QTimer::singleShot(100, [&] { sim.stop(); });
    RxExpected = 17;
    QElapsedTimer t;
    t.start();
    WaitForBytes();
    QVERIFY(TimeOutFlag);
    QVERIFY(!link.timer.isActive());
    // A second wait on the dead line ends too and nothing hangs.
    QVERIFY(link.port.Failed());
    QVERIFY(t.elapsed() < 900);  // ended by the failure, not by the second
    WaitForBytes();
    QVERIFY(TimeOutFlag);
    QVERIFY(t.elapsed() < 10000);
}

QTEST_MAIN(TestLink)
#include "tst_link.moc"
