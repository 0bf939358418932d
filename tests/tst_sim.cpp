// The programmer emulator, driven directly over its pty: replies, chip
// behaviour, fault switches, framing, the wire log and the way it ends.
#include "support/SimHarness.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QtTest>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {

// The PC end of the line: the pty slave opened raw, as the program does.
class Port {
public:
    explicit Port(const QString& path)
    {
        fd_ = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        termios tio {};
        if (fd_ >= 0 && ::tcgetattr(fd_, &tio) == 0) {
            ::cfmakeraw(&tio);
            ::tcsetattr(fd_, TCSANOW, &tio);
        }
    }
    ~Port()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Port(const Port&) = delete;
    Port& operator=(const Port&) = delete;

    bool isOpen() const { return fd_ >= 0; }

    bool send(const QByteArray& bytes)
    {
        return ::write(fd_, bytes.constData(), size_t(bytes.size())) == bytes.size();
    }

    // Waits until count bytes have come or ms have passed; returns what came.
    QByteArray read(int count, int ms)
    {
        QByteArray got;
        QElapsedTimer clock;
        clock.start();
        while (got.size() < count) {
            const qint64 left = ms - clock.elapsed();
            if (left <= 0)
                break;
            pollfd p {fd_, POLLIN, 0};
            if (::poll(&p, 1, int(left)) <= 0)
                continue;
            char chunk[256];
            const ssize_t n = ::read(fd_, chunk, sizeof chunk);
            if (n > 0)
                got.append(chunk, n);
        }
        return got;
    }

    // Everything that arrives within ms.
    QByteArray readFor(int ms) { return read(1 << 20, ms); }

private:
    int fd_ = -1;
};

QByteArray Command(char letter) { return QByteArray("\x01", 1) + letter; }

QByteArray Request(int address)
{
    QByteArray f("\x04", 1);
    f += char(address >> 8);
    f += char(address & 0xFF);
    f += QByteArray("\x00\x01", 2);
    return f;
}

QByteArray BlockWrite(int address, const QByteArray& data)
{
    QByteArray f("\x14", 1);
    f += char(address >> 8);
    f += char(address & 0xFF);
    f += QByteArray("\x00\x10", 2);
    f += data;
    return f;
}

QByteArray Filled(char value, int count = 16) { return QByteArray(count, value); }

// Block reply for 16 bytes of data.
QByteArray BlockReply(const QByteArray& data) { return QByteArray("\x11", 1) + data; }

QByteArray ReadBlock(Port& port, int address, int count = 17)
{
    port.send(Command('R') + Request(address));
    return port.read(count, 1000);
}

QByteArray WriteBlock(Port& port, int address, const QByteArray& data, int count = 3)
{
    port.send(BlockWrite(address, data));
    return port.read(count, 1000);
}

} // namespace

class TestSim : public QObject {
    Q_OBJECT
private slots:
    void probe();
    void probeLength_data();
    void probeLength();
    void readImage();
    void programming();
    void strictMode();
    void noReplyAndShortReply();
    void extraDelayPace();
    void failAddressAndChipEnd();
    void framing();
    void commandLineAndExit();
};

void TestSim::probe()
{
    SimHarness sim;
    QVERIFY(sim.start());
    {
        Port port(sim.linkPath());
        QVERIFY(port.isOpen());
        port.send(Command('T'));
        const QByteArray reply = port.read(10, 1000);
        QCOMPARE(reply.size(), 10);
        QVERIFY(port.readFor(50).isEmpty());
        QCOMPARE(reply.mid(8), QByteArray("21"));
    }
    // The port closes and opens again, as the program does when its port
    // is changed; the emulator still answers.
    {
        Port port(sim.linkPath());
        port.send(Command('T'));
        QCOMPARE(port.read(10, 1000).size(), 10);
    }

    QFile log(sim.tempDir() + QStringLiteral("/trace.log"));
    QVERIFY(log.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = log.readAll().split('\n');
    QCOMPARE(lines.size(), 5); // four lines, each ended by a line break
    QVERIFY(lines.last().isEmpty());
    const QRegularExpression shape(QStringLiteral("^\\d+\\.\\d{6} (PC|DEV)( [0-9A-F]{2})+$"));
    for (int i = 0; i < 4; ++i)
        QVERIFY2(shape.match(QString::fromLatin1(lines[i])).hasMatch(), lines[i].constData());
    QVERIFY(lines[0].endsWith(" PC 01 54"));
    QVERIFY(lines[1].endsWith(" DEV 51 55 49 52 52 41 20 20 32 31"));

    const QVector<TraceFrame> trace = sim.trace();
    QCOMPARE(trace.size(), 4);
    QVERIFY(trace[0].fromPc && !trace[1].fromPc);
    QVERIFY(trace[0].time <= trace[1].time && trace[1].time <= trace[2].time);
    QCOMPARE(sim.pcFrames(), QVector<QByteArray>({Command('T'), Command('T')}));

    SimHarness other({QStringLiteral("--version"), QStringLiteral("3.7")});
    QVERIFY(other.start());
    Port port(other.linkPath());
    port.send(Command('T'));
    QCOMPARE(port.read(10, 1000).mid(8), QByteArray("37"));
}

void TestSim::probeLength_data()
{
    QTest::addColumn<int>("bytes");
    QTest::newRow("9") << 9;
    QTest::newRow("11") << 11;
    QTest::newRow("none") << 0;
}

void TestSim::probeLength()
{
    QFETCH(int, bytes);
    SimHarness sim({QStringLiteral("--probe-bytes"), QString::number(bytes)});
    QVERIFY(sim.start());
    Port port(sim.linkPath());
    port.send(Command('T'));
    const QByteArray reply = bytes > 0 ? port.read(bytes, 1000) : QByteArray();
    QVERIFY(port.readFor(250).isEmpty());
    QCOMPARE(reply.size(), bytes);
    QCOMPARE(reply.left(qMin(bytes, 8)), QByteArray("QUIRRA  ").left(qMin(bytes, 8)));
    // Block traffic is not affected.
    QCOMPARE(ReadBlock(port, 0), BlockReply(Filled('\xFF')));
}

void TestSim::readImage()
{
    QTemporaryDir dir;
    QByteArray image;
    for (int i = 0; i < 40; ++i)
        image += char(i * 7 + 1);
    QFile f(dir.filePath(QStringLiteral("in.bin")));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(image);
    f.close();

    SimHarness sim({QStringLiteral("--image"), f.fileName(), QStringLiteral("--size"), QStringLiteral("0x100")});
    QVERIFY(sim.start());
    Port port(sim.linkPath());
    QCOMPARE(ReadBlock(port, 0x0000), BlockReply(image.mid(0, 16)));
    QCOMPARE(ReadBlock(port, 0x0010), BlockReply(image.mid(16, 16)));
    // The file ends inside this block.
    QCOMPARE(ReadBlock(port, 0x0020), BlockReply(image.mid(32, 8) + Filled('\xFF', 8)));
    // Beyond the 256-byte chip.
    QCOMPARE(ReadBlock(port, 0x0100), BlockReply(Filled('\xFF')));
    QCOMPARE(ReadBlock(port, 0xFFF0), BlockReply(Filled('\xFF')));

    const QByteArray dumped = sim.dump();
    QCOMPARE(dumped.size(), 256);
    QCOMPARE(dumped.left(40), image);
    QCOMPARE(dumped.mid(40), Filled('\xFF', 256 - 40));

    // An image longer than the chip is cut.
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(Filled('\x11', 64));
    f.close();
    SimHarness small({QStringLiteral("--image"), f.fileName(), QStringLiteral("--size"), QStringLiteral("20")});
    QVERIFY(small.start());
    Port smallPort(small.linkPath());
    QCOMPARE(ReadBlock(smallPort, 0x10), BlockReply(Filled('\x11', 4) + Filled('\xFF', 12)));
    QCOMPARE(small.dump(), Filled('\x11', 20));
}

void TestSim::programming()
{
    SimHarness sim;
    QVERIFY(sim.start());
    Port port(sim.linkPath());
    port.send(Command('a') + Command('W'));

    QCOMPARE(WriteBlock(port, 0x1230, Filled('\x5A')).mid(1), QByteArray("\x00\x00", 2));
    QCOMPARE(ReadBlock(port, 0x1230), BlockReply(Filled('\x5A')));

    // Clearing more bits is fine; a 1 over a 0 at 0x1233 is not. The bytes
    // before it are programmed, it and the rest are left alone.
    QByteArray data = Filled('\x0A', 3) + Filled('\xFF', 1) + Filled('\x00', 12);
    QByteArray status = WriteBlock(port, 0x1230, data);
    QCOMPARE(status.size(), 3);
    QVERIFY(status[1] != 0);
    QCOMPARE(quint8(status[2]), quint8(0x33));
    QCOMPARE(ReadBlock(port, 0x1230), BlockReply(Filled('\x0A', 3) + Filled('\x5A', 13)));

    // Locked: every write fails at the block's first address; reading goes on.
    port.send(Command('L'));
    status = WriteBlock(port, 0x2040, Filled('\x00'));
    QVERIFY(status.size() == 3 && status[1] != 0);
    QCOMPARE(quint8(status[2]), quint8(0x40));
    QCOMPARE(ReadBlock(port, 0x2040), BlockReply(Filled('\xFF')));

    // Erase: all 0xFF and unlocked again.
    port.send(Command('E'));
    QCOMPARE(ReadBlock(port, 0x1230), BlockReply(Filled('\xFF')));
    QCOMPARE(WriteBlock(port, 0x2040, Filled('\x12')).mid(1), QByteArray("\x00\x00", 2));
    QCOMPARE(WriteBlock(port, 0xFFF0, Filled('\x34')).mid(1), QByteArray("\x00\x00", 2));
    port.send(Command('W') + Command('I'));

    QByteArray expected = Filled('\xFF', 65536);
    expected.replace(0x2040, 16, Filled('\x12'));
    expected.replace(0xFFF0, 16, Filled('\x34'));
    QCOMPARE(sim.dump(), expected);
}

void TestSim::strictMode()
{
    SimHarness sim({QStringLiteral("--strict")});
    QVERIFY(sim.start());
    Port port(sim.linkPath());
    // A block write before "W" fails and programs nothing.
    QByteArray status = WriteBlock(port, 0x0010, Filled('\x00'));
    QVERIFY(status.size() == 3 && status[1] != 0);
    QCOMPARE(quint8(status[2]), quint8(0x10));
    port.send(Command('W'));
    QCOMPARE(WriteBlock(port, 0x0010, Filled('\x01')).mid(1), QByteArray("\x00\x00", 2));
    port.send(Command('W')); // write mode off again
    QVERIFY(WriteBlock(port, 0x0020, Filled('\x00'))[1] != 0);
    // A block request needs its own "R".
    port.send(Request(0x0010));
    QVERIFY(port.readFor(200).isEmpty());
    QCOMPARE(ReadBlock(port, 0x0010), BlockReply(Filled('\x01')));
}

void TestSim::noReplyAndShortReply()
{
    {
        SimHarness sim({QStringLiteral("--no-reply-from"), QStringLiteral("2")});
        QVERIFY(sim.start());
        Port port(sim.linkPath());
        port.send(Command('T'));
        QCOMPARE(port.read(10, 1000).size(), 10);
        QCOMPARE(ReadBlock(port, 0x0010), BlockReply(Filled('\xFF')));
        port.send(Command('R') + Request(0x0020));
        QVERIFY(port.readFor(250).isEmpty());
        port.send(BlockWrite(0x0030, Filled('\x00')));
        QVERIFY(port.readFor(250).isEmpty());
        QCOMPARE(WriteBlock(port, 0x0000, Filled('\x00')).mid(1), QByteArray("\x00\x00", 2));
        const QByteArray dumped = sim.dump();
        QCOMPARE(dumped.left(16), Filled('\x00'));
        QCOMPARE(dumped.mid(0x30, 16), Filled('\xFF')); // unanswered write not carried out
    }
    {
        SimHarness sim({QStringLiteral("--short-reply"), QStringLiteral("5")});
        QVERIFY(sim.start());
        Port port(sim.linkPath());
        port.send(Command('R') + Request(0));
        QCOMPARE(port.read(5, 1000), QByteArray("\x11\xFF\xFF\xFF\xFF"));
        QVERIFY(port.readFor(200).isEmpty());
        QCOMPARE(WriteBlock(port, 0, Filled('\x00')).size(), 3); // status replies stay whole
        const QVector<TraceFrame> trace = sim.trace();
        QVERIFY(trace.size() >= 3);
        QCOMPARE(trace[2].bytes, QByteArray("\x11\xFF\xFF\xFF\xFF"));
    }
}

void TestSim::extraDelayPace()
{
    {
        SimHarness sim({QStringLiteral("--extra"), QStringLiteral("3")});
        QVERIFY(sim.start());
        Port port(sim.linkPath());
        port.send(Command('T'));
        QCOMPARE(port.read(13, 1000).size(), 13);
        QCOMPARE(ReadBlock(port, 0, 20), BlockReply(Filled('\xFF')) + Filled('\xEE', 3));
        QCOMPARE(WriteBlock(port, 0, Filled('\x00'), 6), QByteArray("\x14\x00\x00\xEE\xEE\xEE", 6));
        QVERIFY(port.readFor(100).isEmpty());
        const QVector<TraceFrame> trace = sim.trace();
        QCOMPARE(trace.last().bytes, QByteArray("\x14\x00\x00\xEE\xEE\xEE", 6));
    }
    {
        SimHarness sim({QStringLiteral("--delay"), QStringLiteral("200")});
        QVERIFY(sim.start());
        Port port(sim.linkPath());
        QElapsedTimer clock;
        clock.start();
        port.send(Command('T'));
        QCOMPARE(port.read(10, 2000).size(), 10);
        QVERIFY(clock.elapsed() >= 200);
        clock.restart();
        QCOMPARE(ReadBlock(port, 0).size(), 17);
        QVERIFY(clock.elapsed() >= 200);
    }
    {
        SimHarness sim({QStringLiteral("--pace"), QStringLiteral("57600")});
        QVERIFY(sim.start());
        Port port(sim.linkPath());
        QElapsedTimer clock;
        clock.start();
        const QByteArray reply = ReadBlock(port, 0);
        const qint64 ns = clock.nsecsElapsed();
        QCOMPARE(reply, BlockReply(Filled('\xFF')));
        // 17 bytes of 10 bits at 57600 baud take 2.95 ms on the line.
        QVERIFY2(ns >= 2900000, qPrintable(QString::number(ns)));
    }
}

void TestSim::failAddressAndChipEnd()
{
    SimHarness sim({QStringLiteral("--fail-at"), QStringLiteral("0x35"), QStringLiteral("--size"), QStringLiteral("0x108")});
    QVERIFY(sim.start());
    Port port(sim.linkPath());
    port.send(Command('W'));
    QByteArray status = WriteBlock(port, 0x0030, Filled('\x00'));
    QVERIFY(status.size() == 3 && status[1] != 0);
    QCOMPARE(quint8(status[2]), quint8(0x35));
    QCOMPARE(ReadBlock(port, 0x0030), BlockReply(Filled('\x00', 5) + Filled('\xFF', 11)));
    // Even a byte that needs no change fails there.
    QVERIFY(WriteBlock(port, 0x0030, Filled('\x00', 5) + Filled('\xFF', 11))[1] != 0);

    // The chip ends at 0x108: programmed up to there, failing after.
    status = WriteBlock(port, 0x0100, Filled('\x00'));
    QVERIFY(status.size() == 3 && status[1] != 0);
    QCOMPARE(quint8(status[2]), quint8(0x08));
    status = WriteBlock(port, 0x0200, Filled('\x00'));
    QVERIFY(status.size() == 3 && status[1] != 0);
    QCOMPARE(quint8(status[2]), quint8(0x00));
    QCOMPARE(ReadBlock(port, 0x0100), BlockReply(Filled('\x00', 8) + Filled('\xFF', 8)));
    const QByteArray dumped = sim.dump();
    QCOMPARE(dumped.size(), 0x108);
    QCOMPARE(dumped.mid(0x100), Filled('\x00', 8));
}

void TestSim::framing()
{
    SimHarness sim;
    QVERIFY(sim.start());
    Port port(sim.linkPath());

    // Frames split over several writes.
    const QByteArray probe = Command('T');
    port.send(probe.left(1));
    QTest::qWait(30);
    port.send(probe.mid(1));
    QCOMPARE(port.read(10, 1000).size(), 10);
    const QByteArray write = BlockWrite(0x0040, Filled('\x77'));
    for (int at = 0; at < write.size(); at += 8) {
        port.send(write.mid(at, 8));
        QTest::qWait(10);
    }
    QCOMPARE(port.read(3, 1000).mid(1), QByteArray("\x00\x00", 2));

    // Several frames in one write, and an unknown frame that is ignored.
    const QByteArray unknown("\x03\xAA\xBB\xCC", 4);
    port.send(unknown + Command('R') + Request(0x0040) + Command('R') + Request(0x0050) + Command('T'));
    const QByteArray replies = port.read(44, 1000);
    QCOMPARE(replies, BlockReply(Filled('\x77')) + BlockReply(Filled('\xFF')) + QByteArray("QUIRRA  21"));

    const QVector<QByteArray> frames = sim.pcFrames();
    const QVector<QByteArray> expected = {probe, write, unknown, Command('R'), Request(0x0040),
                                          Command('R'), Request(0x0050), Command('T')};
    QCOMPARE(frames, expected);
    const QVector<TraceFrame> trace = sim.trace();
    QCOMPARE(trace.size(), 13); // 8 frames, 5 replies
    QCOMPARE(trace.last().bytes, QByteArray("QUIRRA  21"));
}

void TestSim::commandLineAndExit()
{
    const QString program = QStringLiteral(QUIRRA_SIM_PATH);
    QProcess help;
    help.start(program, {QStringLiteral("--help")});
    QVERIFY(help.waitForFinished(5000));
    QCOMPARE(help.exitCode(), 0);
    const QByteArray usage = help.readAllStandardOutput();
    for (const char* option : {"--link", "--trace", "--dump", "--image", "--size", "--version", "--strict",
                               "--probe-bytes", "--no-reply-from", "--short-reply", "--extra", "--delay",
                               "--fail-at", "--pace"})
        QVERIFY2(usage.contains(option), option);

    for (const QStringList& bad : {QStringList{QStringLiteral("--bogus")},
                                   QStringList{QStringLiteral("--size"), QStringLiteral("0")},
                                   QStringList{QStringLiteral("--short-reply"), QStringLiteral("18")},
                                   QStringList{QStringLiteral("--delay")}}) {
        QProcess p;
        p.start(program, bad);
        QVERIFY(p.waitForFinished(5000));
        QCOMPARE(p.exitCode(), 2);
        QVERIFY(p.readAllStandardError().contains("Usage:"));
    }

    // Started as run.sh does, stdin from /dev/null, over a stale link.
    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("ttyX"));
    QVERIFY(QFile::link(QStringLiteral("/nonexistent/old"), link));
    const QString dumpFile = dir.filePath(QStringLiteral("d.bin"));
    QProcess sim;
    sim.setStandardInputFile(QProcess::nullDevice());
    sim.start(program, {QStringLiteral("--link"), link, QStringLiteral("--dump"), dumpFile,
                        QStringLiteral("--size"), QStringLiteral("64")});
    QVERIFY(sim.waitForReadyRead(5000));
    const QByteArray ready = sim.readLine();
    QVERIFY(ready.startsWith("ready /dev/"));
    QCOMPARE(QFile::symLinkTarget(link), QString::fromLocal8Bit(ready.mid(6).trimmed()));
    {
        Port port(link);
        port.send(Command('T'));
        QCOMPARE(port.read(10, 1000).size(), 10);
    }
    QVERIFY(!sim.waitForFinished(200)); // end of stdin does not end it
    sim.terminate();
    QVERIFY(sim.waitForFinished(5000));
    QCOMPARE(sim.exitStatus(), QProcess::NormalExit);
    QCOMPARE(sim.exitCode(), 0);
    QVERIFY(!QFileInfo(link).isSymLink());
    QFile dumped(dumpFile);
    QVERIFY(dumped.open(QIODevice::ReadOnly));
    QCOMPARE(dumped.readAll(), Filled('\xFF', 64));

    // A missing image file is an error, reported before "ready".
    QProcess missing;
    missing.start(program, {QStringLiteral("--image"), dir.filePath(QStringLiteral("none.bin"))});
    QVERIFY(missing.waitForFinished(5000));
    QCOMPARE(missing.exitCode(), 1);
    QVERIFY(missing.readAllStandardOutput().isEmpty());
}

QTEST_GUILESS_MAIN(TestSim)
#include "tst_sim.moc"
