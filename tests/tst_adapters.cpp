// USB serial adapters: the request for low-latency mode, the diagnosis of
// an adapter that holds replies (on made-up sysfs, /dev and /proc trees),
// replies that come late or in pieces, and a port that goes away mid-run,
// in the window and in quirra-cli.
#include "core/mdiMain.h"
#include "device/LineTime.h"
#include "device/frmFunction.h"
#include "support/SimLink.h"
#include "support/WindowSupport.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QtTest>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

using namespace modFunc;

namespace {
// A made-up tree: files "path=content" and links "path->target", below root.
void MakeTree(const QString& root, const QStringList& entries)
{
    for (const QString& e : entries) {
        const bool link = e.contains(QStringLiteral("->"));
        const QString path = root + QLatin1Char('/') + e.section(link ? QStringLiteral("->") : QStringLiteral("="), 0, 0);
        QDir().mkpath(QFileInfo(path).path());
        if (link) {
            QVERIFY(QFile::link(e.section(QStringLiteral("->"), 1), path));
        } else {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(e.section(QLatin1Char('='), 1).toLatin1());
        }
    }
}

const QStringList FtdiAt16 = {"sys/class/tty/ttyUSB0/device->../../../bus/usb-serial/devices/ttyUSB0",
                              "sys/bus/usb-serial/devices/ttyUSB0/driver->../../drivers/ftdi_sio",
                              "sys/bus/usb-serial/drivers/ftdi_sio/x=", "sys/bus/usb-serial/devices/ttyUSB0/latency_timer=16\n",
                              "dev/ttyUSB0="};
const QString Fix = QStringLiteral(". Fix: echo 1 | sudo tee %1/sys/class/tty/ttyUSB0/device/latency_timer until it is "
                                   "unplugged, or for good copy the udev rule "
                                   "/usr/share/doc/quirra/examples/99-quirra-usb-serial.rules to /etc/udev/rules.d/ "
                                   "and plug the adapter in again");

struct DiagnosisCase { QStringList tree; QString path, summary, note; LowLatency outcome = LowLatency::Set; };

// One run on a 256-byte chip: the emulator's switches, the front end, the
// function, and the block at which the emulator ends (-1: it does not).
struct RunCase { QString sim; bool window; int function; int goneAt = -1; };

constexpr int ChipSize = 256;
const QByteArray Config = "1\r\n1\r\n1\r\n", Catalogue = "\"Test 256\",1,256\r\n";
// Blank, Program, Verify, Read: every kind of reply, without the pauses of
// Erase and Lock.
const QByteArray AutoFile = "4\r\n2\r\n3\r\n4\r\n0\r\n";

QByteArray BufferBytes(int size) { return QByteArray(reinterpret_cast<const char*>(Buffer.data()), size); }
}  // namespace
Q_DECLARE_METATYPE(DiagnosisCase)
Q_DECLARE_METATYPE(RunCase)

class TestAdapters : public QObject {
    Q_OBJECT
private slots:
    void diagnosis_data()
    {
        QTest::addColumn<DiagnosisCase>("c");
        const QString head = "the adapter of /dev/ttyUSB0 (ftdi_sio) holds each reply up to 16 ms",
                      tail = ": Program of 27C512 EPROM 64K will take about 66 s instead of 17 s", note16 = head + tail;
        QTest::newRow("FTDI at 16 ms") << DiagnosisCase{FtdiAt16, "/dev/ttyUSB0", "ftdi_sio, latency 16 ms (slow)", note16 + Fix};
        QTest::newRow("FTDI, driver refused")
            << DiagnosisCase{FtdiAt16, "/dev/ttyUSB0", "ftdi_sio, latency 16 ms (slow)",
                             head + " (its driver refused low-latency mode)" + tail + Fix, LowLatency::Refused};
        QStringList at1 = FtdiAt16;
        at1[3] = "sys/bus/usb-serial/devices/ttyUSB0/latency_timer=1\n";
        QTest::newRow("FTDI at 1 ms") << DiagnosisCase{at1, "/dev/ttyUSB0", "ftdi_sio, latency 1 ms", ""};
        QTest::newRow("by-id link to FTDI at 16 ms")
            << DiagnosisCase{FtdiAt16 + QStringList{"dev/serial/by-id/usb-FTDI_FT232R_A50285BI-if00-port0->../../ttyUSB0"},
                             "/dev/serial/by-id/usb-FTDI_FT232R_A50285BI-if00-port0", "ftdi_sio, latency 16 ms (slow)", note16 + Fix};
        QTest::newRow("CP210x") << DiagnosisCase{{"sys/class/tty/ttyUSB1/device/driver->../../../bus/usb-serial/drivers/cp210x",
                                                  "dev/ttyUSB1="}, "/dev/ttyUSB1", "cp210x", ""};
        QTest::newRow("latency attribute missing, driver from /proc")
            << DiagnosisCase{{"sys/class/tty/ttyACM0/device/x=", "dev/ttyACM0=",
                              "proc/tty/drivers=/dev/tty             /dev/tty        5       0 system:/dev/tty\n"
                              "acm                  /dev/ttyACM   166 0-255 serial\n"},
                             "/dev/ttyACM0", "acm", ""};
        QTest::newRow("nothing in sysfs") << DiagnosisCase{{"dev/ttyS0="}, "/dev/ttyS0", "", ""};
    }

    void diagnosis()
    {
        QFETCH(DiagnosisCase, c);
        QTemporaryDir dir;
        MakeTree(dir.path(), c.tree);
        const SystemRoots roots{dir.path() + "/sys", dir.path() + "/dev", dir.path() + "/proc"};
        const AdapterFacts facts = AdapterDiagnosis::Gather(c.path, roots);
        QCOMPARE(AdapterDiagnosis::Summary(facts), c.summary);
        const DeviceRecord device{QStringLiteral("27C512 EPROM 64K"), 1, 65536};
        QCOMPARE(LineTime::LatencyNote(facts, c.outcome, Step::Auto, device), c.note.isEmpty() ? c.note : c.note.arg(dir.path()));
    }

    // The request goes out on every open, on the open descriptor, and its
    // outcome is kept; a pty has no such mode, which does not stop the port.
    void lowLatencyOnOpen()
    {
        TempAppDir dir;
        SimHarness sim;
        QVERIFY(sim.start());
        QList<bool> asked;
        const auto real = SerialPort::RequestLowLatency;
        SerialPort::RequestLowLatency = [&](int fd) {
            asked << (::isatty(fd) == 1);
            return real(fd);
        };
        for (int n = 0; n < 2; ++n) {
            SerialPort port;
            QVERIFY(sim.openPort(port));
            QCOMPARE(port.LowLatencyOutcome(), LowLatency::NotSupported);
            QVERIFY(port.Output(QByteArray("\x01T", 2)));
        }
        SerialPort::RequestLowLatency = real;
        QCOMPARE(asked, QList<bool>({true, true}));
    }

    void lowLatencyOnRealPort()
    {
        const QByteArray path = "/dev/ttyS0";
        const int fd = ::open(path.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (fd < 0)
            QSKIP(qPrintable(QStringLiteral("%1 cannot be opened here (%2): no serial device to try")
                                 .arg(QString::fromLocal8Bit(path), QString::fromLocal8Bit(std::strerror(errno)))));
        const std::optional<bool> before = LowLatencyMode::Flag(fd);
        if (!before) {
            ::close(fd);
            QSKIP(qPrintable(QStringLiteral("%1 does not answer TIOCGSERIAL").arg(QString::fromLocal8Bit(path))));
        }
        const LowLatency outcome = LowLatencyMode::Request(fd);
        const std::optional<bool> after = LowLatencyMode::Flag(fd);
        LowLatencyMode::SetFlag(fd, *before);
        ::close(fd);
        if (outcome == LowLatency::Refused)
            QSKIP("this user may not change the driver's flags");
        QCOMPARE(outcome, LowLatency::Set);
        QCOMPARE(after, std::optional<bool>(true));
    }

    void runs_data()
    {
        QTest::addColumn<RunCase>("c");
        using F = DeviceFunctions;
        for (const char* sim : {"--dribble", "--reply-latency 16"})
            for (bool window : {true, false})
                for (int f : {F::Read, F::Program, F::Auto})
                    QTest::addRow("%s, %s, %s", sim, window ? "window" : "quirra-cli", qPrintable(F::Names()[f]))
                        << RunCase{sim, window, f};
        for (bool window : {true, false})
            for (int f : {F::Read, F::Program, F::Auto})
                QTest::addRow("gone at block 5, %s, %s", window ? "window" : "quirra-cli", qPrintable(F::Names()[f]))
                    << RunCase{"--no-reply-from 5", window, f, 5};
    }

    void runs()
    {
        QFETCH(RunCase, c);
        using F = DeviceFunctions;
        TempAppDir dir;
        dir.write("quirra.cfg", Config);
        dir.write("quirra.dev", Catalogue);
        // Program first where the emulator goes: it answers no block from 5 on.
        dir.write("auto.cfg", c.goneAt < 0 ? AutoFile : QByteArray("2\r\n3\r\n4\r\n"));
        const QByteArray chip = RandomImage(ChipSize, 11), image = RandomImage(ChipSize, 12);
        dir.write("chip.bin", c.function == F::Read ? chip : QByteArray());
        dir.write("image.bin", image);
        SimHarness sim(c.sim.split(' ') + QStringList{"--size", QString::number(ChipSize), "--image", dir.file("chip.bin")});
        QVERIFY(sim.start());
        const QString device = QFileInfo(sim.linkPath()).canonicalFilePath();
        // The emulator ends once the frame of block goneAt is on the wire.
        const QByteArray goneFrame = QByteArray::fromHex(c.function == F::Read ? "0400" : "1400") + char(c.goneAt * 16);
        auto stopAtBlock = [&] {
            const QVector<QByteArray> frames = sim.pcFrames();
            const bool there = std::any_of(frames.begin(), frames.end(), [&](const QByteArray& f) { return f.startsWith(goneFrame); });
            if (there)
                sim.stop();
            return there;
        };
        QStringList lines;
        QString error;
        if (c.window) {
            ReadStartFiles(dir.path());
            std::copy(image.begin(), image.end(), Buffer.begin());
            if (c.function == F::Read)
                Buffer.fill(0);
            MessageRecorder rec;
            mdiMain main;
            main.link.port.setPortPath(sim.linkPath());
            QVERIFY(main.link.Open());
            DeviceFound = true;
            QTimer poll;
            bool stopped = false;
            QObject::connect(&poll, &QTimer::timeout, [&] {
                if (!stopped && c.goneAt >= 0)
                    stopped = stopAtBlock();
            });
            poll.start(5);
            bool runAfter = true;
            QVERIFY(WhileModal<frmFunction>([&] { main.DeviceFunction->trigger(); }, [&](frmFunction* w) {
                w->listFunction->setCurrentRow(c.function);
                w->cmdRun->click();
                for (QLabel* l : w->lblMsg)
                    if (!l->text().isEmpty())
                        lines << l->text();
                runAfter = w->cmdRun->isEnabled();
            }));
            QCOMPARE(runAfter, c.goneAt < 0);
            if (c.goneAt >= 0) {
                // One box, the port shown as lost, the image kept.
                QCOMPARE(rec.count(), 1);
                error = rec.last().text;
                QCOMPARE(rec.last().title, QStringLiteral("Communication Port Error"));
                QCOMPARE(main.sbar->Panel(1), QStringLiteral("COM1 lost"));
                QCOMPARE(main.sbar->Note(), error);
                QCOMPARE(BufferBytes(ChipSize), c.function == F::Read ? chip.left(80) + QByteArray(176, 0) : image);
            } else {
                QCOMPARE(rec.count(), 0);
            }
        } else {
            QProcess p;
            p.setWorkingDirectory(dir.path());
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert("QUIRRA_COM1", sim.linkPath());
            p.setProcessEnvironment(env);
            const QStringList args = c.function == F::Read      ? QStringList{"read", "back.bin"}
                                     : c.function == F::Program ? QStringList{"program", "image.bin"}
                                                                : QStringList{"auto", "image.bin", "--log", "chips.log"};
            p.start(QStringLiteral(QUIRRA_CLI_PATH), args);
            QVERIFY(QTest::qWaitFor([&] { return (c.goneAt >= 0 && stopAtBlock()) || p.state() == QProcess::NotRunning; }, 20000));
            QVERIFY(p.state() == QProcess::NotRunning || p.waitForFinished(20000));
            QCOMPARE(p.exitCode(), c.goneAt < 0 ? 0 : 2);
            lines = QString::fromLocal8Bit(p.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
            lines.removeIf([](const QString& l) { return l.startsWith("Chip") || l.contains("chips:"); });
            const QString err = QString::fromLocal8Bit(p.readAllStandardError());
            error = err.section("quirra-cli: Communication Port Error: ", 1).section('\n', 0, 0);
            if (c.function == F::Auto) {
                const QJsonObject log = QJsonDocument::fromJson(dir.read("chips.log")).object();
                QCOMPARE(log.value("exit").toInt(), c.goneAt < 0 ? 0 : 2);
                if (c.goneAt >= 0)
                    QCOMPARE(log.value("steps").toArray().last().toObject().value("error").toString(), error);
            }
            if (c.goneAt < 0 && c.function == F::Read)
                QCOMPARE(dir.read("back.bin"), chip);
        }
        const QString ok = "   OK!", fault = "   Device Fault!";
        if (c.goneAt >= 0) {
            QCOMPARE(error, QStringLiteral("The programmer's port %1 is gone (unplugged?)").arg(device));
            const QString step = c.function == F::Read ? "Reading ..." : "Programming ...";
            QCOMPARE(lines, QStringList{step + fault});
            return;
        }
        const QStringList expected = c.function == F::Read    ? QStringList{"Reading ..." + ok}
                                     : c.function == F::Auto  ? QStringList{"Blank Checking ..." + ok, "Programming ..." + ok,
                                                                            "Verifying ..." + ok, "Reading ..." + ok}
                                     : c.window               ? QStringList{"Programming ..." + ok}
                                                              : QStringList{"Programming ..." + ok, "Verifying ..." + ok};
        QCOMPARE(lines, expected);
        if (c.window && c.function == F::Read)
            QCOMPARE(BufferBytes(ChipSize), chip);
        if (c.function != F::Read)
            QCOMPARE(sim.dump(), image);
    }

    // The window's status bar tells of an adapter that holds replies.
    void windowNote()
    {
        TempAppDir dir;
        SimHarness sim;
        QVERIFY(sim.start());
        QTemporaryDir tree;
        // The pty stands in for the adapter: its node name gets FTDI's sysfs.
        const QString node = QFileInfo(QFileInfo(sim.linkPath()).canonicalFilePath()).fileName();
        QStringList entries = FtdiAt16;
        for (QString& e : entries)
            e.replace("ttyUSB0", node);
        MakeTree(tree.path(), entries);
        AdapterDiagnosis::DefaultRoots() = {tree.path() + "/sys", tree.path() + "/dev", tree.path() + "/proc"};
        DeviceTable[1] = {QStringLiteral("27C512 EPROM 64K"), 1, 65536};
        DeviceIndex = DeviceCount = 1;
        mdiMain main;
        main.link.port.setPortPath(sim.linkPath());
        QVERIFY(main.link.Open());
        main.WriteStatusPanels();
        AdapterDiagnosis::DefaultRoots() = {};
        QVERIFY2(main.sbar->Note().startsWith(QStringLiteral("The adapter of /dev/%1 (ftdi_sio) holds each reply up to 16 ms (its driver has no "
                                                             "low-latency mode): "
                                                             "Program of 27C512 EPROM 64K will take about 66 s instead of 17 s. Fix: ")
                                                  .arg(node)),
                 qPrintable(main.sbar->Note()));
    }
};

QTEST_MAIN(TestAdapters)
#include "tst_adapters.moc"
