// The serial link against the emulator: probe outcomes, the main window's
// load step, the receive wait, port errors.
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
    Link() { SetUpReceiveTimer(&timer); cm = &port; totmr = &timer; }
    ~Link() { cm = nullptr; totmr = nullptr; }
    // Starts the emulator as COM1 and opens the port on it.
    bool openOn(SimHarness& sim) { return sim.start() && sim.openPort(port); }
    // Sends a block request, lets `settle` bytes come in, then waits for the
    // 17 bytes of the reply with WaitForBytes; returns how long that took.
    qint64 requestBlock(int settle = 17)
    {
        port.Output(QByteArray("\x01R\x04\x00\x00\x00\x01", 7));
        WaitForInput(port, settle);
        RxExpected = 17;
        QElapsedTimer t;
        t.start();
        WaitForBytes();
        return t.elapsed();
    }
};
}  // namespace

class TestLink : public QObject {
    Q_OBJECT
private slots:
    void probeOutcomes_data();
    void probeOutcomes();
    void loadStep_data();
    void loadStep();
    void waitForBytes();
    void pacedReply();
    void waitEndsWhenPortDies();
};

void TestLink::probeOutcomes_data()
{
    QTest::addColumn<int>("bytes");
    QTest::addColumn<QString>("text");
    const QString notFound = QStringLiteral("Cannot find device at COM 1 !");
    QTest::newRow("10 bytes") << 10 << "Device Version 2.1";
    QTest::newRow("9 bytes") << 9 << notFound;
    QTest::newRow("11 bytes") << 11 << notFound;
    QTest::newRow("no reply") << 0 << notFound;
}

void TestLink::probeOutcomes()
{
    QFETCH(int, bytes);
    QFETCH(QString, text);
    TempAppDir dir;
    SimHarness sim({QStringLiteral("--probe-bytes"), QString::number(bytes), QStringLiteral("--version"),
                    QStringLiteral("2.1")});
    Link link;
    QVERIFY(sim.start());
    sim.exportAs(1);
    MessageRecorder rec;
    int splashRemoved = 0;
    QElapsedTimer t;
    t.start();
    QVERIFY(OpenPortAndProbe([&] { ++splashRemoved; }));
    // The probe waits its whole second, however early the reply came.
    QVERIFY2(t.elapsed() >= 950, qPrintable(QString::number(t.elapsed())));
    QCOMPARE(splashRemoved, 1);
    QCOMPARE(DeviceFound, bytes == 10);
    QCOMPARE(rec.count(), 1);
    QCOMPARE(rec.last().text, text);
    QCOMPARE(rec.last().title, QString::fromLatin1(DeviceFound ? "Quirra" : "Communication Error"));
    QCOMPARE(rec.last().icon, DeviceFound ? MsgIcon::None : MsgIcon::Critical);
    QCOMPARE(sim.pcFrames(), QVector<QByteArray>{QByteArray("\x01T", 2)});
}

void TestLink::loadStep_data()
{
    QTest::addColumn<int>("port");
    QTest::addColumn<bool>("programmer");  // otherwise COM2 is a path that cannot be opened
    QTest::addColumn<QString>("message");
    QTest::addColumn<QStringList>("panels");
    const QStringList failed = {"FAIL", "Device:", "Size:", "File:"};
    QTest::newRow("programmer") << 2 << true << "Device Version 3.4"
                                << QStringList{"COM2", "Device: 2716 EPROM 2K", "Size: 800H", "File:"};
    QTest::newRow("port error") << 2 << false << "COM2, " << failed;
    for (int n : {0, -2, 256})
        QTest::newRow(qPrintable(QStringLiteral("COM%1").arg(n)))
            << n << false << QStringLiteral("COM%1, there is no port COM%1").arg(n) << failed;
}

void TestLink::loadStep()
{
    QFETCH(int, port);
    QFETCH(bool, programmer);
    QFETCH(QString, message);
    QFETCH(QStringList, panels);
    TempAppDir dir;
    SimHarness sim({QStringLiteral("--version"), QStringLiteral("3.4")});
    if (programmer)
        QVERIFY(sim.start());
    qputenv("QUIRRA_COM2", programmer ? sim.linkPath().toLocal8Bit() : dir.file(QStringLiteral("none")).toLocal8Bit());
    ComPort = int16_t(port);
    DeviceTable[1] = {QStringLiteral("2716 EPROM 2K"), 1, 2048};
    DeviceIndex = DeviceCount = 1;
    Buffer[123] = 0x00;
    MessageRecorder rec;
    mdiMain w;
    QElapsedTimer t;
    t.start();
    w.Load();
    qunsetenv("QUIRRA_COM2");
    QVERIFY(t.elapsed() >= (programmer ? 1900 : 950));  // splash second, then probe second
    QCOMPARE(rec.count(), 1);
    QVERIFY2(rec.last().text.startsWith(message) && rec.last().text.size() > 6, qPrintable(rec.last().text));
    QCOMPARE(rec.last().title, QString::fromLatin1(programmer ? "Quirra" : "Communication Port Error"));
    QCOMPARE(DeviceFound, programmer);
    QCOMPARE(Buffer[123], uint8_t(0xFF));
    for (int n = 1; n <= 4; ++n)
        QCOMPARE(w.sbar->Panel(n), panels[n - 1]);
    QCOMPARE(cm->Output("\x01T"), programmer);  // nothing can be sent on a port that failed
    // No splash is left behind.
    for (QWidget* top : QApplication::topLevelWidgets())
        QVERIFY(!top->isVisible() || top == &w);
}

void TestLink::waitForBytes()
{
    TempAppDir dir;
    SimHarness sim;
    Link link;
    QVERIFY(link.openOn(sim));
    // Bytes already waiting: returns at once, timer stopped.
    QVERIFY(link.requestBlock() < 900);
    QVERIFY(!TimeOutFlag);
    QVERIFY(!link.timer.isActive());
    QCOMPARE(link.port.Input(), QByteArray(1, '\x11') + QByteArray(16, '\xFF'));
    // Nothing arriving: about one second, then TimeOutFlag.
    QElapsedTimer t;
    t.start();
    WaitForBytes();
    QVERIFY(t.elapsed() >= 950);
    QVERIFY(TimeOutFlag);
    QVERIFY(!link.timer.isActive());
    // More than awaited: all are there, the timer keeps running once more.
    link.port.Output(QByteArray("\x01T", 2));
    link.requestBlock(27);
    QVERIFY(!TimeOutFlag);
    QCOMPARE(link.port.InBufferCount(), 27);
    QVERIFY(link.timer.isActive());
}

void TestLink::pacedReply()
{
    // 17 bytes take about 0.57 s at 300 baud: the wait collects them. At 150
    // baud they need 1.1 s: the second counts from the start of the wait,
    // not per byte, so it runs out with part of the reply there.
    for (int baud : {300, 150}) {
        TempAppDir dir;
        SimHarness sim({QStringLiteral("--pace"), QString::number(baud)});
        Link link;
        QVERIFY(link.openOn(sim));
        QVERIFY(link.requestBlock(0) >= 400);
        QCOMPARE(TimeOutFlag, baud < 300);
        QCOMPARE(link.port.InBufferCount() == 17, baud >= 300);
        QVERIFY(link.port.InBufferCount() > 0);
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
    QVERIFY(link.port.Failed());
    QVERIFY(t.elapsed() < 900);  // ended by the failure, not by the second
    // A second wait on the dead line ends too and nothing hangs.
    WaitForBytes();
    QVERIFY(TimeOutFlag);
    QVERIFY(t.elapsed() < 10000);
}

QTEST_MAIN(TestLink)
#include "tst_link.moc"
