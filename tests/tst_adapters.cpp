// USB serial adapters: the request for low-latency mode, the diagnosis of
// an adapter that holds replies (on made-up sysfs, /dev and /proc trees),
// replies that come late or in pieces, and a port that goes away mid-run,
// in the window and in quirra-cli.
#include "core/mdiMain.h"
#include "device/LineTime.h"
#include "device/frmFunction.h"
#include "support/CliRun.h"
#include "support/SimLink.h"
#include "support/WindowSupport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QtTest>

using namespace modFunc;

namespace {
// A made-up tree below root: files "path=content" and links "path->target".
void MakeTree(const QString& root, const QStringList& entries)
{
    for (const QString& e : entries) {
        const bool link = e.contains("->");
        const QString path = root + '/' + e.section(link ? "->" : "=", 0, 0), value = e.section(link ? "->" : "=", 1);
        QDir().mkpath(QFileInfo(path).path());
        QFile f(path);
        QVERIFY(link ? QFile::link(value, path) : f.open(QIODevice::WriteOnly) && f.write(value.toLatin1()) == value.size());
    }
}
SystemRoots RootsIn(const QString& dir) { return {dir + "/sys", dir + "/dev", dir + "/proc"}; }

const QStringList FtdiAt16 = {"sys/class/tty/ttyUSB0/device->../../../bus/usb-serial/devices/ttyUSB0",
                              "sys/bus/usb-serial/devices/ttyUSB0/driver->../../drivers/ftdi_sio",
                              "sys/bus/usb-serial/devices/ttyUSB0/latency_timer=16\n", "dev/ttyUSB0="};
const QString Fix = ". Fix: echo 1 | sudo tee %1/sys/class/tty/ttyUSB0/device/latency_timer until it is unplugged, or for "
                    "good copy the udev rule /usr/share/doc/quirra-cli/examples/99-quirra-usb-serial.rules to "
                    "/etc/udev/rules.d/ and plug the adapter in again";

struct DiagnosisCase { QStringList tree; QString path, summary, note{}; LowLatency outcome = LowLatency::Set; };
// One run on a 256-byte chip: the emulator's switches, the front end, the
// function, and the block at which the emulator ends (-1: it does not).
struct RunCase { QString sim; bool window; int function; int goneAt = -1; };

constexpr int ChipSize = 256;
}  // namespace
Q_DECLARE_METATYPE(DiagnosisCase)
Q_DECLARE_METATYPE(RunCase)

class TestAdapters : public QObject {
    Q_OBJECT
private slots:
    void diagnosis_data()
    {
        QTest::addColumn<DiagnosisCase>("c");
        const QString head = "the adapter of /dev/ttyUSB0 (ftdi_sio) holds each reply up to 16 ms", slow = "ftdi_sio, latency 16 ms (slow)",
                      tail = ": Program of 27C512 EPROM 64K will take about 66 s instead of 17 s";
        const QString byId = "/dev/serial/by-id/usb-FTDI_FT232R_A50285BI-if00-port0";
        QTest::newRow("FTDI at 16 ms") << DiagnosisCase{FtdiAt16, "/dev/ttyUSB0", slow, head + tail + Fix};
        QTest::newRow("FTDI, mode refused") << DiagnosisCase{FtdiAt16, "/dev/ttyUSB0", slow,
                                                             head + " (its driver refused low-latency mode)" + tail + Fix, LowLatency::Refused};
        QTest::newRow("FTDI at 1 ms") << DiagnosisCase{FtdiAt16.join('|').replace("=16", "=1").split('|'), "/dev/ttyUSB0", "ftdi_sio, latency 1 ms"};
        QTest::newRow("by-id link") << DiagnosisCase{FtdiAt16 + QStringList{byId.mid(1) + "->../../ttyUSB0"}, byId, slow, head + tail + Fix};
        QTest::newRow("CP210x") << DiagnosisCase{{"sys/class/tty/ttyUSB1/device/driver->../../../bus/usb-serial/drivers/cp210x",
                                                  "dev/ttyUSB1="}, "/dev/ttyUSB1", "cp210x"};
        QTest::newRow("no latency attribute, driver from /proc")
            << DiagnosisCase{{"sys/class/tty/ttyACM0/device/x=", "dev/ttyACM0=",
                              "proc/tty/drivers=/dev/tty /dev/tty 5 0 system:/dev/tty\nacm   /dev/ttyACM   166 0-255 serial\n"},
                             "/dev/ttyACM0", "acm"};
        QTest::newRow("nothing in sysfs") << DiagnosisCase{{"dev/ttyS0="}, "/dev/ttyS0", ""};
    }

    void diagnosis()
    {
        QFETCH(DiagnosisCase, c);
        QTemporaryDir dir;
        MakeTree(dir.path(), c.tree);
        const AdapterFacts facts = AdapterDiagnosis::Gather(c.path, RootsIn(dir.path()));
        QCOMPARE(AdapterDiagnosis::Summary(facts), c.summary);
        const DeviceRecord device{QStringLiteral("27C512 EPROM 64K"), 1, 65536};
        QCOMPARE(LineTime::LatencyNote(facts, c.outcome, Step::Auto, device), c.note.isEmpty() ? c.note : c.note.arg(dir.path()));
    }

    // The request goes out right after each open, on the open descriptor,
    // and its outcome is kept; a pty has no such mode, which does not stop
    // the port. A serial device this user may open reads the flag back.
    void lowLatency()
    {
        TempAppDir dir;
        SimHarness sim;
        QVERIFY(sim.start());
        QList<std::optional<bool>> flags;  // read back on the descriptor, then put back as it was
        const auto real = std::exchange(SerialPort::RequestLowLatency, [&](int fd) {
            const std::optional<bool> before = LowLatencyMode::Flag(fd);
            const LowLatency outcome = LowLatencyMode::Request(fd);
            flags << LowLatencyMode::Flag(fd);
            if (before)
                LowLatencyMode::SetFlag(fd, *before);
            return outcome;
        });
        QList<LowLatency> outcomes;
        for (const QString& path : {sim.linkPath(), sim.linkPath(), QStringLiteral("/dev/ttyS0")}) {
            SerialPort port;
            port.setPortPath(path);
            if (port.setPortOpen(true) && port.Output("\x01T"))
                outcomes << port.LowLatencyOutcome();
        }
        SerialPort::RequestLowLatency = real;
        QCOMPARE(outcomes.mid(0, 2), QList<LowLatency>(2, LowLatency::NotSupported));
        QCOMPARE(flags.mid(0, 2), QList<std::optional<bool>>(2));
        if (outcomes.size() < 3 || outcomes[2] == LowLatency::Refused)
            QSKIP("no serial device here that this user may open and set (tried /dev/ttyS0)");
        QCOMPARE(outcomes[2], LowLatency::Set);
        QCOMPARE(flags[2], std::optional<bool>(true));
    }

    void runs_data()
    {
        QTest::addColumn<RunCase>("c");
        for (const char* sim : {"--dribble", "--reply-latency 16", "--no-reply-from 5"})
            for (bool window : {true, false})
                for (int f : {Step::Read, Step::Program, Step::Auto})
                    QTest::addRow("%s, %s, %s", sim, window ? "window" : "quirra-cli", qPrintable(StepNames()[f]))
                        << RunCase{sim, window, f, QByteArray(sim).startsWith("--no-reply") ? 5 : -1};
    }

    void runs()
    {
        QFETCH(RunCase, c);
        const bool gone = c.goneAt >= 0, read = c.function == Step::Read;
        // A read starts from a chip that holds data, the others from an erased one.
        const QByteArray chip = read ? RandomImage(ChipSize, 11) : QByteArray(), image = RandomImage(ChipSize, 12);
        // Blank, Program, Verify, Read: every kind of reply, without the
        // pauses of Erase and Lock; Program first where the emulator goes.
        const QByteArray autoFile = gone ? "2\r\n3\r\n4\r\n" : "4\r\n2\r\n3\r\n4\r\n0\r\n";
        CliRig dir("\"Test 256\",1,256\r\n", {{"auto.cfg", autoFile}, {"chip.bin", chip}, {"image.bin", image}},
                   c.sim + " --size 256 --image DIR/chip.bin");
        QVERIFY(dir.ok);
        SimHarness& sim = dir.sim;
        const QString device = QFileInfo(sim.linkPath()).canonicalFilePath();
        // The emulator ends once the frame of block goneAt is on the wire.
        const QByteArray goneFrame = QByteArray::fromHex(read ? "0400" : "1400") + char(c.goneAt * 16);
        auto stopAtBlock = [&] {
            const QVector<QByteArray> frames = sim.pcFrames();
            const bool there = gone && std::any_of(frames.begin(), frames.end(), [&](const QByteArray& f) { return f.startsWith(goneFrame); });
            if (there)
                sim.stop();
            return there;
        };
        QStringList lines;
        QString error;
        if (c.window) {
            ReadStartFiles(dir.path());
            std::copy(image.begin(), image.end(), Buffer.begin());
            if (read)
                Buffer.fill(0);
            // The pty stands in for an FTDI adapter: its node gets the sysfs of one.
            QTemporaryDir tree;
            MakeTree(tree.path(), FtdiAt16.join('|').replace("ttyUSB0", QFileInfo(device).fileName()).split('|'));
            AdapterDiagnosis::DefaultRoots() = RootsIn(tree.path());
            MessageRecorder rec;
            mdiMain main;
            main.link.port.setPortPath(sim.linkPath());
            QVERIFY(main.link.Open());
            main.WriteStatusPanels();
            AdapterDiagnosis::DefaultRoots() = {};
            QCOMPARE(main.sbar->Note().section(". Fix: ", 0, 0),
                     QStringLiteral("The adapter of /dev/%1 (ftdi_sio) holds each reply up to 16 ms (its driver has no "
                                    "low-latency mode): Program of Test 256 will take about 0.3 s instead of 0.1 s").arg(QFileInfo(device).fileName()));
            DeviceFound = true;
            QTimer poll;
            QObject::connect(&poll, &QTimer::timeout, stopAtBlock);
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
            // Gone: one box, the port shown as lost, the image kept, Run off.
            QCOMPARE(runAfter, !gone);
            QCOMPARE(rec.count(), int(gone));
            error = gone ? rec.last().text : QString();
            QCOMPARE(gone ? rec.last().title : QString(), gone ? QStringLiteral("Communication Port Error") : QString());
            QCOMPARE(main.sbar->Panel(1), gone ? QStringLiteral("COM1 lost") : QStringLiteral("COM1"));
            if (gone)
                QCOMPARE(main.sbar->Note(), error);
            QCOMPARE(BufferHead(ChipSize), !read ? image : gone ? chip.left(80) + QByteArray(176, 0) : chip);
        } else {
            QProcess p;
            p.setWorkingDirectory(dir.path());
            p.setProcessEnvironment(RunEnvironment(dir.path(), &sim));
            p.start(QStringLiteral(QUIRRA_CLI_PATH), read                          ? QStringList{"read", "back.bin"}
                                                     : c.function == Step::Program ? QStringList{"program", "image.bin"}
                                                                                   : QStringList{"auto", "image.bin", "--log", "chips.log"});
            QVERIFY(QTest::qWaitFor([&] { return stopAtBlock() || p.state() == QProcess::NotRunning; }, 20000));
            QVERIFY(p.state() == QProcess::NotRunning || p.waitForFinished(20000));
            QCOMPARE(p.exitCode(), gone ? 2 : 0);
            lines = QString::fromLocal8Bit(p.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
            // Only the message lines: not the chip summaries nor a read's digests.
            lines.removeIf([](const QString& l) { return !l.contains(" ..."); });
            error = QString::fromLocal8Bit(p.readAllStandardError()).section("quirra-cli: Communication Port Error: ", 1).section('\n', 0, 0);
            // The chip's log line is written, with the port that went away.
            const QJsonObject log = QJsonDocument::fromJson(dir.read("chips.log")).object();
            QCOMPARE(log.value("exit").toInt(-1), c.function == Step::Auto ? 2 * int(gone) : -1);
            QCOMPARE(log.value("steps").toArray().last().toObject().value("error").toString(), c.function == Step::Auto ? error : QString());
            QCOMPARE(dir.read("back.bin"), read && !gone ? chip : QByteArray());
        }
        const QString ok = "   OK!";
        QCOMPARE(error, gone ? QStringLiteral("The programmer's port %1 is gone (unplugged?)").arg(device) : QString());
        QCOMPARE(lines, (gone                      ? QStringList{(read ? "Reading ..." : "Programming ...") + QStringLiteral("   Device Fault!")}
                        : read                     ? QStringList{"Reading ..." + ok}
                        : c.function == Step::Auto ? QStringList{"Blank Checking ..." + ok, "Programming ..." + ok, "Verifying ..." + ok, "Reading ..." + ok}
                        : c.window                 ? QStringList{"Programming ..." + ok}
                                                   : QStringList{"Programming ..." + ok, "Verifying ..." + ok}));
        QCOMPARE(sim.dump(), read ? chip : gone ? image.left(80) + QByteArray(176, '\xFF') : image);
    }
};

QTEST_MAIN(TestAdapters)
#include "tst_adapters.moc"
