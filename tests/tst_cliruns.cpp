// quirra-cli run as a process against the emulator: the wire, the output,
// the files it writes and its exit codes.
#include "cli/ChipLog.h"
#include "cli/ParallelRun.h"
#include "cli/ImageLoad.h"
#include "platform/SerialPort.h"
#include "support/CliRun.h"
#include "support/TestSupport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QtTest>
#include <functional>
#include <csignal>
#include <memory>
#include <unistd.h>

namespace {

const QByteArray Config = "1\r\n4\r\n1\r\n";
const QByteArray Catalogue = "\"2716 EPROM 2K\",1,2048\r\n\"28C64 EEPROM 8K\",2,8192\r\n"
                             "\"27C512 EPROM 64K\",1,65536\r\n\"89C51 MCU 4K\",10,4096\r\n";

// The emulator's PC frames once done() holds for them (it reads the last
// frames of a program that has ended a moment later), at most 5 s.
QVector<QByteArray> FramesWhen(const SimHarness& sim, const std::function<bool(const QVector<QByteArray>&)>& done)
{
    QVector<QByteArray> frames = sim.pcFrames();
    for (int waited = 0; !done(frames) && waited < 5000; waited += 20) {
        QTest::qWait(20);
        frames = sim.pcFrames();
    }
    return frames;
}

// A run's directory, with the start files of a programmer on COM1.
struct StartDir : TempAppDir {
    StartDir()
    {
        write(QStringLiteral("quirra.cfg"), Config);
        write(QStringLiteral("quirra.dev"), Catalogue);
    }
};

}  // namespace

Q_DECLARE_METATYPE(StepResult)

class TestCliRuns : public QObject {
    Q_OBJECT
private slots:
    void probe_data();
    void probe();
    void busyPort();
    void portsListing();
    void portMapFile();
    void functions_data();
    void functions();
    void roundTrip();
    void productionRun();
    void serialInChip_data();
    void serialInChip();
    void serialAfterKill();
    void skipErased_data();
    void skipErased();
    void parallelPorts();
    void infoAndConvert();
};

void TestCliRuns::probe_data()
{
    QTest::addColumn<QString>("simArgs");  // empty: no emulator
    QTest::addColumn<QString>("args");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("out");  // stdout must start with this
    QTest::addColumn<QString>("err");  // stderr must contain this
    const QString sim = "--firmware 2.1";
    QTest::newRow("found") << sim << "probe" << 0 << "Device Version 2.1\n" << "";
    QTest::newRow("port path") << sim << "--port SIM probe" << 0 << "Device Version 2.1\n" << "";
    QTest::newRow("json") << sim << "--json probe" << 0
                          << "{\"command\":\"probe\",\"exit\":0,\"messages\":[\"Device Version 2.1\"],\"port\":\"COM1\",\"version\":\"2.1\"}"
                          << "";
    QTest::newRow("quiet") << sim << "--quiet probe" << 0 << "" << "";
    QTest::newRow("9 bytes") << "--probe-bytes 9" << "probe" << 2 << ""
                             << "Cannot find device at COM 1 !";
    QTest::newRow("no port") << "" << "--port COM4 probe" << 2 << ""
                             << "COM4, no such device NOPORT: quirra-cli --help explains QUIRRA_COM4";
    QTest::newRow("device by word") << sim << "--device 28C64 probe" << 0 << "Device Version" << "";
    QTest::newRow("no record 5") << sim << "--record 5 probe" << 3 << "" << "there is no record 5";
    QTest::newRow("11 bytes") << "--probe-bytes 11" << "probe" << 2 << ""
                              << "Cannot find device at COM 1 !";
    QTest::newRow("no catalogue") << sim << "--dir EMPTY --device 27C256 probe" << 3 << ""
                                  << "there is no device \"27C256\": the device catalogue EMPTY/quirra.dev is missing";
    QTest::newRow("trace") << sim << "-v probe" << 0 << "Device Version 2.1\n" << " -> 01 54\n";
    QTest::newRow("devices") << "" << "devices" << 0
                             << "No  Name              Type    Size  Functions\n"
                                " 1  2716 EPROM 2K        1    800h  read, program, verify, blank, erase, lock\n"
                                " 2  28C64 EEPROM 8K      2   2000h  read, program, verify, blank, erase, lock\n"
                                " 3  27C512 EPROM 64K     1  10000h  read, program, verify, blank, erase, lock\n"
                                " 4  89C51 MCU 4K        10   1000h  read, program, verify, blank\n" << "";
    QTest::newRow("no dir") << sim << "--dir NOPORT probe" << 3 << "" << "does not exist";
    QTest::newRow("usage") << sim << "probe extra" << 3 << "" << "probe takes no file";
    QTest::newRow("help") << "" << "-h" << 0 << "Usage: quirra-cli" << "";
    QTest::newRow("version") << "" << "--version" << 0 << "quirra-cli " QUIRRA_VERSION << "";
}

void TestCliRuns::probe()
{
    QFETCH(QString, simArgs);
    QFETCH(QString, args);
    QFETCH(int, code);
    QFETCH(QString, out);
    QFETCH(QString, err);
    StartDir dir;
    SimHarness sim(Words(simArgs));
    if (!simArgs.isEmpty())
        QVERIFY(sim.start());
    const QString noPort = dir.file(QStringLiteral("no-port"));
    const QString empty = dir.file(QStringLiteral("empty"));
    QDir().mkpath(empty);
    args.replace(QStringLiteral("SIM"), sim.linkPath()).replace(QStringLiteral("NOPORT"), noPort);
    args.replace(QStringLiteral("EMPTY"), empty);
    err.replace(QStringLiteral("EMPTY"), empty);
    const CliRun r = RunCli(dir.path(), args, &sim, {QStringLiteral("QUIRRA_COM4=") + noPort});
    QCOMPARE(r.code, code);
    QVERIFY2(out.isEmpty() ? r.out.isEmpty() : r.out.startsWith(out), qPrintable(r.out));
    QVERIFY2(r.err.contains(err.replace(QStringLiteral("NOPORT"), noPort)), qPrintable(r.err));
    if (code != 3 && !simArgs.isEmpty())
        QCOMPARE(sim.pcFrames(), QVector<QByteArray>{QByteArray("\x01T", 2)});
    // The start files are read, never written.
    QCOMPARE(dir.read(QStringLiteral("quirra.cfg")), Config);
}

void TestCliRuns::busyPort()
{
    StartDir dir;
    SimHarness sim;
    QVERIFY(sim.start());
    SerialPort holder;
    holder.setPortPath(sim.linkPath());
    holder.setSettings(QStringLiteral("57600,N,8,1"));
    QVERIFY(holder.setPortOpen(true));
    const CliRun r = RunCli(dir.path(), "probe", &sim);
    QCOMPARE(r.code, 2);
    QVERIFY2(r.err.contains(QStringLiteral("COM1, %1 is in use by process %2 (tst_cliruns)")
                                .arg(sim.linkPath()).arg(QCoreApplication::applicationPid())),
             qPrintable(r.err));
    QVERIFY(sim.pcFrames().isEmpty());
}

void TestCliRuns::portsListing()
{
    StartDir dir;
    SimHarness sim;
    QVERIFY(sim.start());
    // A device file this user may not open: as root, the check runs as nobody.
    QStringList asOther;
    if (::geteuid() == 0) {
        if (QStandardPaths::findExecutable(QStringLiteral("setpriv")).isEmpty())
            QSKIP("running as root without setpriv: cannot check a port this user may not open");
        asOther = {QStringLiteral("setpriv"), QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                   QStringLiteral("--clear-groups")};
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther
                                              | QFile::ExeOther);
    }
    dir.write(QStringLiteral("locked"), "");
    QFile::setPermissions(dir.file(QStringLiteral("locked")), {});
    const QStringList env = {QStringLiteral("QUIRRA_COM1=") + sim.linkPath(),
                             QStringLiteral("QUIRRA_COM2=") + dir.file(QStringLiteral("locked"))};
    CliRun r = RunCli(dir.path(), "ports", nullptr, env);
    QCOMPARE(r.code, 0);
    const QString simLine = QStringLiteral("%1 -> %2  (COM1; set by QUIRRA_COM1; used by this run)\n    may open: yes")
                                .arg(sim.linkPath(), QFileInfo(sim.linkPath()).canonicalFilePath());
    QVERIFY2(r.out.contains(simLine), qPrintable(r.out));
    r = RunCommand(dir.path(), asOther + QStringList{QUIRRA_CLI_PATH, "--json", "ports"}, nullptr, env);
    if (!asOther.isEmpty() && r.code != 0)  // e.g. the build lies where nobody may go
        QSKIP(qPrintable(QStringLiteral("quirra-cli cannot run as nobody here: ") + r.err));
    QCOMPARE(r.code, 0);
    const QJsonObject json = QJsonDocument::fromJson(r.out.toUtf8()).object();
    bool seen = false;
    for (const QJsonValue& v : json.value(QStringLiteral("ports")).toArray()) {
        const QJsonObject port = v.toObject();
        if (port.value(QStringLiteral("names")).toArray() != QJsonArray{QStringLiteral("COM2")})
            continue;
        seen = true;
        QVERIFY(!port.value(QStringLiteral("mayOpen")).toBool());
        QVERIFY2(port.value(QStringLiteral("problem")).toString().startsWith(
                     QStringLiteral("permission denied on %1: ").arg(dir.file(QStringLiteral("locked")))),
                 qPrintable(r.out));
    }
    QVERIFY2(seen, qPrintable(r.out + r.err));
}

// ports.cfg maps COM5 to the emulator: no variable needed, and the listing
// says where the name comes from; a variable still wins over the file.
void TestCliRuns::portMapFile()
{
    StartDir dir;
    dir.write(QStringLiteral("quirra.cfg"), "5\r\n2\r\n1\r\n");
    SimHarness sim;
    QVERIFY(sim.start());
    dir.write(QStringLiteral("ports.cfg"), "5,\"" + sim.linkPath().toUtf8() + "\"\r\n");
    CliRun r = RunCli(dir.path(), "probe", nullptr, {"QUIRRA_COM5="});
    QVERIFY2(r.code == 0 && r.out.contains(QStringLiteral("Device Version")), qPrintable(r.out + r.err));
    r = RunCli(dir.path(), "ports", nullptr, {"QUIRRA_COM5="});
    QVERIFY2(r.out.contains(QStringLiteral("(COM5; set by ports.cfg; used by this run)")), qPrintable(r.out));
    r = RunCli(dir.path(), "probe", nullptr, {"QUIRRA_COM5=" + dir.file("none")});
    QCOMPARE(r.code, 2);
    dir.write(QStringLiteral("ports.cfg"), "5,\"\"\r\n");
    r = RunCli(dir.path(), "probe", nullptr, {"QUIRRA_COM5="});
    QVERIFY2(r.err.contains(QStringLiteral("ports.cfg, line 1: \"\" is not a device path")), qPrintable(r.err));
}

// A chip image: 0xFF with the given bytes at the given addresses.
QByteArray ChipImage(int size, const QList<QPair<int, char>>& bytes)
{
    QByteArray image(size, '\xFF');
    for (const auto& [address, value] : bytes)
        image[address] = value;
    return image;
}

void TestCliRuns::functions_data()
{
    QTest::addColumn<QString>("args");
    QTest::addColumn<QString>("simArgs");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("out");        // the whole of stdout; "*": not looked at
    QTest::addColumn<QString>("err");        // stdout and stderr hold this
    QTest::addColumn<QByteArray>("frames");  // frames after the probe, "|" between them, "..." (or "...N",
                                             // exactly N) for the blocks
    QTest::newRow("erase") << "erase" << "" << 0 << "Erasing ...   OK!\n" << ""
                           << QByteArray("01 61|01 45");
    QTest::newRow("lock") << "lock" << "" << 0 << "Locking ...   OK!\n" << "" << QByteArray("01 61|01 4C");
    QTest::newRow("erase not offered") << "--record 4 erase" << "" << 3 << "Function Not Available!\n" << ""
                                       << QByteArray("01 6A");
    QTest::newRow("blank fails") << "blank" << "--image CHIP" << 1
                                 << "Device not blank at 0345\n" << "" << QByteArray("01 61|...|01 49");
    QTest::newRow("2716 is a name") << "--device 2716 erase" << "" << 0 << "Erasing ...   OK!\n" << ""
                                    << QByteArray("01 61|01 45");
    QTest::newRow("28c64 in any case") << "-d 28c64 erase" << "" << 0 << "Erasing ...   OK!\n" << ""
                                       << QByteArray("01 62|01 45");
    QTest::newRow("program fails") << "program image.bin" << "--fail-at 7"
                                   << 1 << "Program Error at 0007\n" << "" << QByteArray("01 61|01 57|...|01 57|01 49");
    QTest::newRow("blank times out") << "blank" << "--no-reply-from 10"
                                     << 2 << "Blank Checking ...   Device Fault!\n"
                                     << "Device Error: Communication Error! (Blank, no reply for block at 00A0)\n"
                                      << QByteArray("01 61|...|04 00 A0 00 01");
    QTest::newRow("no file") << "program missing.hex" << "" << 3 << "" << "missing.hex cannot be opened"
                             << QByteArray();
    QTest::newRow("broken hex") << "verify broken.hex" << "" << 3 << "" << "Checksum Error in hex file!"
                                << QByteArray();
    QTest::newRow("no answer") << "erase" << "--probe-bytes 0" << 2 << ""
                               << "Cannot find device at COM 1 !" << QByteArray();
    // Every block is read, as Verify reads them, and "I" ends the cycle.
    QTest::newRow("verify --all") << "verify --all ff.bin" << "--image DIR/holes.bin" << 1
                                  << "Verify Error at 0010\n  0010 to 0010, 1 bytes\n  0200 to 0202, 3 bytes\n"
                                     "  07FF to 07FF, 1 bytes\n"
                                  << "" << QByteArray("01 61|...255|04 07 F0 00 01|01 49");
    // The image files, by content and against the chip's size.
    const QString tooLarge = QStringLiteral("big.bin fills 0000-0FFF; 2716 EPROM 2K holds 0000-07FF");
    const QByteArray refused, used = "01 61|...";
    auto row = [](const char* name, const char* args, int code, const QString& text, const QByteArray& frames,
                  const char* sim = "") { QTest::newRow(name) << args << sim << code << "*" << text << frames; };
    row("HEX by content, cut short", "--no-verify program small.ihx", 3, "small.ihx: ", refused);
    row("HEX by content, any name", "program image.Hex", 0, "Programming ...   OK!\nVerifying ...   OK!\n", used);
    row("--format bin for HEX", "-f bin program image.Hex", 3,
        "image.Hex is an Intel HEX file; it is taken as a binary image", refused);
    row("S-records by content, any name", "program image.txt", 0, "Programming ...   OK!\nVerifying ...   OK!\n", used);
    row("--format bin for S-records", "-f bin program image.txt", 3,
        "image.txt is an S-record file; it is taken as a binary image", refused);
    row("larger than the chip", "program big.bin", 3, tooLarge, refused);
    row("S-records larger than the chip", "verify big.s19", 3, "big.s19 fills 0000-0FFF; 2716 EPROM 2K holds 0000-07FF",
        refused);
    row("auto too", "auto big.bin", 3, tooLarge, refused);
    row("pushed off the chip", "--buffer-address 100 verify image.bin", 3,
        "image.bin fills 0100-08FF; 2716 EPROM 2K holds 0000-07FF", refused);
    row("truncated on purpose", "--allow-truncate --no-verify program big.bin", 0, "only the part that fits is used", used);
    row("read to a missing directory", "read missing/out.bin", 3, "missing/out.bin cannot be written: the directory ",
        refused);
    row("read to a directory", "read .", 3, "it is a directory", refused);
    row("beyond the image memory", "info huge.bin", 3,
        "huge.bin: the byte at file offset 0x11171 would land at index 0x11171, outside the image memory (0x0 to 0x11170)",
        refused);
    row("time-out in JSON", "--json --no-verify program image.bin", 2,
        "\"error\":\"Communication Error! (Program, no reply for block at 0030)\"", used, "--no-reply-from 3");
}

void TestCliRuns::functions()
{
    QFETCH(QString, args);
    QFETCH(QString, simArgs);
    QFETCH(int, code);
    QFETCH(QString, out);
    QFETCH(QString, err);
    QFETCH(QByteArray, frames);
    StartDir dir;
    dir.write(QStringLiteral("chip.bin"), ChipImage(2048, {{0x345, '\x7F'}}));
    dir.write(QStringLiteral("image.bin"), QByteArray(2048, '\x5A'));
    dir.write(QStringLiteral("broken.hex"), ":10000000FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF01\r\n:00000001FF\r\n");
    dir.write(QStringLiteral("holes.bin"), ChipImage(2048, {{0x10, 0}, {0x200, 0}, {0x201, 0}, {0x202, 0}, {0x7FF, 0}}));
    dir.write(QStringLiteral("ff.bin"), QByteArray(2048, '\xFF'));
    FileFormats::Image image;
    image.fill(0xFF);
    QRandomGenerator(5).fillRange(reinterpret_cast<quint32*>(image.data()), 2048 / 4);
    dir.write(QStringLiteral("image.Hex"), FileFormats::HexImage(image, 2048));
    dir.write(QStringLiteral("small.ihx"), FileFormats::HexImage(image, 0x10000).left(2000));
    dir.write(QStringLiteral("big.bin"), QByteArray(4096, '\x5A'));
    dir.write(QStringLiteral("image.txt"), FileFormats::SRecordImage(image, 2048));
    dir.write(QStringLiteral("big.s19"), FileFormats::SRecordImage(image, 4096));
    dir.write(QStringLiteral("huge.bin"), QByteArray(modFunc::BufferSize + 1, '\x5A'));
    SimHarness sim(Words(simArgs.replace(QStringLiteral("CHIP"), dir.file(QStringLiteral("chip.bin")))
                             .replace(QStringLiteral("DIR/"), dir.path() + QLatin1Char('/'))));
    QVERIFY(sim.start());
    const CliRun r = RunCli(dir.path(), args, &sim);
    QVERIFY2(r.code == code, qPrintable(r.out + r.err));
    if (out != QLatin1String("*"))
        QCOMPARE(r.out, out);
    QVERIFY2((r.out + r.err).contains(err), qPrintable(r.out + r.err));
    if (code == 0 && (args.contains(QStringLiteral("image.Hex")) || args.contains(QStringLiteral("image.txt"))))
        QCOMPARE(sim.dump().left(2048), QByteArray(reinterpret_cast<const char*>(image.data()), 2048));
    // The wire: the probe (unless the input was refused first), the type
    // letter, then the function's frames.
    const QStringList expected = QString::fromLatin1(frames).split(QLatin1Char('|'), Qt::SkipEmptyParts);
    const auto gapAt = std::find_if(expected.begin(), expected.end(), [](const QString& f) { return f.startsWith("..."); });
    const qsizetype gap = gapAt == expected.end() ? -1 : gapAt - expected.begin();
    if (frames.isEmpty() && code == 3) {  // refused before the port was opened
        QVERIFY(sim.pcFrames().isEmpty());
        return;
    }
    QStringList wire;
    for (const QByteArray& f : FramesWhen(sim, [&](const QVector<QByteArray>& got) {
             return got.size() > expected.size()
                    && (gap < 0 || gap == expected.size() - 1 || got.last().toHex(' ').toUpper() == expected.last());
         }))
        wire << QString::fromLatin1(f.toHex(' ').toUpper());
    QCOMPARE(wire.value(0), QStringLiteral("01 54"));
    if (gap < 0) {
        QCOMPARE(wire.mid(1), expected);
    } else {
        QCOMPARE(wire.mid(1, gap), expected.mid(0, gap));
        QCOMPARE(wire.mid(wire.size() - (expected.size() - gap - 1)), expected.mid(gap + 1));
        if (expected[gap].size() > 3)
            QCOMPARE(wire.size(), expected.size() + expected[gap].mid(3).toInt());
    }
}

void TestCliRuns::roundTrip()
{
    StartDir dir;
    QByteArray image(65536, '\0');
    QRandomGenerator(12).fillRange(reinterpret_cast<quint32*>(image.data()), image.size() / 4);
    dir.write(QStringLiteral("image.bin"), image);
    // An Intel HEX file as srec_cat writes it, from standard input.
    const CliRun srec = RunCommand(dir.path(), Words("srec_cat image.bin -binary -o - -intel"));
    if (srec.code != 0)
        QSKIP("srec_cat is not installed");
    SimHarness sim;
    QVERIFY(sim.start());
    CliRun r = RunCli(dir.path(), "--device 27C512 program -", &sim, {}, srec.bytes);
    QCOMPARE(r.out, QStringLiteral("Programming ...   OK!\nVerifying ...   OK!\n"));
    QCOMPARE(r.code, 0);
    // Plain lines on a pipe: one at every tenth.
    QVERIFY2(r.err.startsWith(QStringLiteral("Programming 0%\nProgramming 10%\n")), qPrintable(r.err));
    QVERIFY(r.err.endsWith(QStringLiteral("Verifying 100%\n")));
    r = RunCli(dir.path(), "--device 27C512 -q read -", &sim);
    QVERIFY2(r.code == 0, qPrintable(r.err));
    QCOMPARE(r.err, QString());
    QCOMPARE(r.bytes, image);
    r = RunCli(dir.path(), "--device 27C512 read back.hex", &sim);
    QCOMPARE(r.code, 0);
    QVERIFY2(r.out.startsWith(QStringLiteral("Reading ...   OK!\nchecksum ")), qPrintable(r.out));
    QCOMPARE(RunCli(dir.path(), "convert back.hex back.bin").code, 0);
    QCOMPARE(dir.read(QStringLiteral("back.bin")), image);
    QCOMPARE(sim.dump(), image);
}

void TestCliRuns::productionRun()
{
    StartDir dir;
    dir.write(QStringLiteral("auto.cfg"), "2\r\n3\r\n4\r\n");  // Program, Verify
    dir.write(QStringLiteral("image.bin"), QByteArray(2048, '\x01'));
    SimHarness sim;
    QVERIFY(sim.start());
    const CliRun r = RunCli(dir.path(), "auto image.bin --repeat --log chips.log", &sim, {}, "\n\nq\n");
    QCOMPARE(r.code, 0);
    QCOMPARE(r.err.count(QStringLiteral("Insert the next chip and press Enter (q to quit)")), 3);
    QVERIFY2(r.out.endsWith(QStringLiteral("Chip 3: pass\n3 chips: 3 passed, 0 failed\n")), qPrintable(r.out));
    const QList<QByteArray> lines = dir.read(QStringLiteral("chips.log")).split('\n');
    QCOMPARE(lines.size(), 4);
    QVERIFY(lines[3].isEmpty());
    for (int chip = 1; chip <= 3; ++chip) {
        const QJsonObject o = QJsonDocument::fromJson(lines[chip - 1]).object();
        QCOMPARE(o.value(QStringLiteral("chip")).toInt(), chip);
        QCOMPARE(o.value(QStringLiteral("device")).toString(), QStringLiteral("2716 EPROM 2K"));
        QCOMPARE(o.value(QStringLiteral("checksum")).toString(), QStringLiteral("0800"));
        QCOMPARE(o.value(QStringLiteral("result")).toString(), QStringLiteral("pass"));
        QCOMPARE(o.value(QStringLiteral("crc32")).toString(), QStringLiteral("2D6A83D2"));
        QVERIFY(QDateTime::fromString(o.value(QStringLiteral("time")).toString(), Qt::ISODateWithMs).isValid());
        const QJsonArray steps = o.value(QStringLiteral("steps")).toArray();
        QCOMPARE(steps.size(), 2);
        QCOMPARE(steps[0].toObject().value(QStringLiteral("step")).toString(), QStringLiteral("Program"));
        QCOMPARE(steps[1].toObject().value(QStringLiteral("message")).toString(), QStringLiteral("Verifying ...   OK!"));
    }
    // The type letter once, then three times Program and Verify.
    const QVector<QByteArray> frames
        = FramesWhen(sim, [](const QVector<QByteArray>& got) { return got.count(QByteArray("\x01I", 2)) == 6; });
    QCOMPARE(frames.count(QByteArray("\x01\x61", 2)), 1);
    QCOMPARE(frames.count(QByteArray("\x01W", 2)), 6);
}

void TestCliRuns::serialInChip_data()
{
    QTest::addColumn<QString>("args");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("err");      // stderr contains this
    QTest::addColumn<int>("address");      // where the chip holds
    QTest::addColumn<QByteArray>("bytes");  // these (hex)
    QTest::newRow("le4") << "--serial 7F0:1000" << 0 << "" << 0x7F0 << QByteArray("E8 03 00 00 FF");
    QTest::newRow("be2 at the end") << "--serial 7FE:258:be2" << 0 << "" << 0x7FD << QByteArray("FF 01 02");
    QTest::newRow("ascii8") << "--serial 700:42:ascii8" << 0 << "" << 0x700 << QByteArray("30 30 30 30 30 30 34 32");
    QTest::newRow("past the end") << "--serial 7FE:1" << 3
                                  << "the serial number at 07FE to 0801 does not fit the device, which ends at 07FF"
                                  << 0 << QByteArray();
    QTest::newRow("over the image") << "--serial 3FE:1:le4" << 3
                                    << "the image sets 03FE to 5A, where the serial number goes; --serial-overwrite"
                                    << 0 << QByteArray();
    QTest::newRow("overwrite") << "--serial 3FE:1:le4 --serial-overwrite" << 0 << "" << 0x3FE
                               << QByteArray("01 00 00 00");
    // The start directory is only read: the state file goes to the current one.
    QTest::newRow("start files elsewhere") << "--serial 7F0:7 --dir cfg" << 0 << "" << 0x7F0 << QByteArray("07 00");
    QTest::newRow("damaged state file") << "--serial 700:1 --serial-file bad.next" << 3
                                        << "the serial number file bad.next holds no number" << 0 << QByteArray();
}

void TestCliRuns::serialInChip()
{
    QFETCH(QString, args);
    QFETCH(int, code);
    QFETCH(QString, err);
    QFETCH(int, address);
    QFETCH(QByteArray, bytes);
    StartDir dir;
    QDir(dir.path()).mkdir(QStringLiteral("cfg"));
    dir.write(QStringLiteral("cfg/quirra.cfg"), Config);
    dir.write(QStringLiteral("cfg/quirra.dev"), Catalogue);
    QByteArray image(0x400, '\x5A');
    image += QByteArray(0x400, '\xFF');
    dir.write(QStringLiteral("image.bin"), image);
    dir.write(QStringLiteral("bad.next"), "12x\n");
    SimHarness sim;
    QVERIFY(sim.start());
    const CliRun r = RunCli(dir.path(), "program image.bin " + args, &sim);
    QCOMPARE(r.code, code);
    QVERIFY2(r.err.contains(err), qPrintable(r.err));
    if (code != 0) {  // refused before the port was opened
        QVERIFY(sim.pcFrames().isEmpty());
        QCOMPARE(dir.read(QStringLiteral("bad.next")), QByteArray("12x\n"));
        return;
    }
    QVERIFY2(r.out.startsWith(QStringLiteral("Serial number ")), qPrintable(r.out));
    const QByteArray chip = sim.dump();
    QCOMPARE(chip.mid(address, bytes.count(' ') + 1).toHex(' ').toUpper(), bytes);
    QCOMPARE(chip.left(0x3FE), image.left(0x3FE));
    QCOMPARE(dir.read(QStringLiteral("serial.next")).trimmed().toULongLong(),
             args.section(QLatin1Char(':'), 1, 1).section(QLatin1Char(' '), 0, 0).toULongLong() + 1);
    QVERIFY(!QFileInfo::exists(dir.file(QStringLiteral("cfg/serial.next"))));
}

void TestCliRuns::serialAfterKill()
{
    // A run killed while it programs a chip has used that chip's number up:
    // the next run never gives it to another chip.
    StartDir dir;
    dir.write(QStringLiteral("auto.cfg"), "2\r\n3\r\n4\r\n");
    dir.write(QStringLiteral("image.bin"), QByteArray(16, '\x01'));
    SimHarness slow({QStringLiteral("--delay"), QStringLiteral("200")});
    QVERIFY(slow.start());
    QProcess p;
    p.setWorkingDirectory(dir.path());
    p.setProcessEnvironment(RunEnvironment(dir.path(), &slow));
    p.start(QStringLiteral(QUIRRA_CLI_PATH), Words("auto image.bin --repeat --serial 10:500:le2 --log chips.log"));
    QByteArray out;
    QTRY_VERIFY_WITH_TIMEOUT((out += p.readAllStandardOutput()).contains("Chip 1, serial 500"), 10000);
    QTest::qWait(300);  // programming the first chip
    p.kill();
    QVERIFY(p.waitForFinished(5000));
    slow.stop();
    QCOMPARE(dir.read(QStringLiteral("chips.log")), QByteArray());  // the chip never finished
    SimHarness sim;
    QVERIFY(sim.start());
    const CliRun r = RunCli(dir.path(), "auto image.bin --serial 10:500:le2 --log chips.log", &sim);
    QCOMPARE(r.code, 0);
    const QJsonObject o = QJsonDocument::fromJson(dir.read(QStringLiteral("chips.log"))).object();
    QCOMPARE(o.value(QStringLiteral("serial")).toInt(), 501);
    QCOMPARE(sim.dump().mid(0x10, 2), QByteArray("\xF5\x01", 2));
}

void TestCliRuns::skipErased_data()
{
    QTest::addColumn<QString>("args");
    QTest::addColumn<QByteArray>("autoFile");
    QTest::addColumn<QString>("simArgs");
    QTest::addColumn<int>("writes");  // block write frames sent
    QTest::addColumn<int>("reads");   // block requests sent
    const QByteArray blank = "3\r\n2\r\n3\r\n4\r\n";  // Blank, Program, Verify
    QTest::newRow("program") << "program" << QByteArray() << "" << 128 << 128;
    QTest::newRow("program --skip-erased") << "program --skip-erased" << QByteArray() << "" << 33 << 128;
    QTest::newRow("auto after Blank") << "auto" << blank << "" << 33 << 256;
    QTest::newRow("auto --write-all") << "auto --write-all" << blank << "" << 128 << 256;
    QTest::newRow("auto without Blank") << "auto" << QByteArray("2\r\n3\r\n4\r\n") << "" << 128 << 128;
    QTest::newRow("Program after Program") << "auto" << QByteArray("3\r\n2\r\n3\r\n3\r\n") << ""
                                           << 33 + 128 << 128;
    QTest::newRow("Blank fails") << "auto" << blank << "--image IMAGE"
                                 << 0 << 1;
}

void TestCliRuns::skipErased()
{
    QFETCH(QString, args);
    QFETCH(QByteArray, autoFile);
    QFETCH(QString, simArgs);
    QFETCH(int, writes);
    QFETCH(int, reads);
    StartDir dir;
    dir.write(QStringLiteral("auto.cfg"), autoFile);
    // 32 blocks of data, one more with a single byte, the rest FF.
    QByteArray image = QByteArray(0x200, '\x5A') + QByteArray(0x600, '\xFF');
    image[0x7F3] = '\x00';
    dir.write(QStringLiteral("image.bin"), image);
    SimHarness sim(Words(simArgs.replace(QStringLiteral("IMAGE"), dir.file(QStringLiteral("image.bin")))));
    QVERIFY(sim.start());
    const CliRun r = RunCli(dir.path(), args + " image.bin", &sim);
    QCOMPARE(r.code, simArgs.isEmpty() ? 0 : 1);
    const QVector<QByteArray> frames = FramesWhen(sim, [](const QVector<QByteArray>& got) {
        return got.size() > 2 && got.last() == QByteArray("\x01I", 2);
    });
    auto count = [&](char kind) {
        return int(std::count_if(frames.begin(), frames.end(), [&](const QByteArray& f) { return f.startsWith(kind); }));
    };
    QCOMPARE(count('\x14'), writes);
    QCOMPARE(count('\x04'), reads);
    if (r.code == 0 && !args.startsWith(QLatin1String("auto"))) {  // every byte reached the chip
        QCOMPARE(sim.dump().left(0x800), image);
    }
}

void TestCliRuns::parallelPorts()
{
    // Four programmers, the third failing at 0200: Enter twice, then Ctrl+C.
    StartDir dir;
    dir.write(QStringLiteral("auto.cfg"), "4\r\n1\r\n2\r\n3\r\n4\r\n");  // Erase, Blank, Program, Verify
    dir.write(QStringLiteral("image.bin"), QByteArray(0x400, '\x11'));
    std::vector<std::unique_ptr<SimHarness>> sims;
    QProcessEnvironment e = RunEnvironment(dir.path());
    QStringList args = Words("--json auto image.bin --repeat --log chips.log --serial 7FC:100");
    QVERIFY(StartSimPorts(4, sims, e, args, [](int n) {
        return n == 3 ? Words("--fail-at 0x200") : QStringList();
    }));
    QProcess p;
    p.setWorkingDirectory(dir.path());
    p.setProcessEnvironment(e);
    p.start(QStringLiteral(QUIRRA_CLI_PATH), args);
    QByteArray out;
    auto chipLines = [&] {
        out += p.readAllStandardOutput();
        return out.count("\"chip\":");
    };
    QTRY_COMPARE_WITH_TIMEOUT(chipLines(), 4, 20000);
    p.write("\n");
    QTRY_COMPARE_WITH_TIMEOUT(chipLines(), 8, 20000);
    p.write("\n");
    QTest::qWait(500);  // erasing the third chips
    ::kill(pid_t(p.processId()), SIGINT);
    QVERIFY(p.waitForFinished(20000));
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QCOMPARE(p.exitCode(), 1);  // the worst of the four
    out += p.readAllStandardOutput();
    const QJsonObject summary = QJsonDocument::fromJson(out.mid(out.lastIndexOf("\n{", out.size() - 2) + 1)).object();
    QCOMPARE(summary.value(QStringLiteral("ports")).toArray().size(), 4);

    // Every chip logged once, the serial numbers 100 to 111 each on one chip.
    const QList<QByteArray> lines = dir.read(QStringLiteral("chips.log")).trimmed().split('\n');
    QCOMPARE(lines.size(), 12);
    QSet<int> serials;
    QMap<QString, int> chips;
    for (const QByteArray& line : lines) {
        const QJsonObject o = QJsonDocument::fromJson(line).object();
        const QString port = o.value(QStringLiteral("port")).toString();
        serials << o.value(QStringLiteral("serial")).toInt();
        QCOMPARE(o.value(QStringLiteral("chip")).toInt(), ++chips[port]);
        const bool failing = port == QLatin1String("COM3");
        QCOMPARE(cli::ChipStatus(o), o.value(QStringLiteral("interrupted")).toBool() ? QStringLiteral("stopped")
                                     : failing ? QStringLiteral("Program Error at 0200")
                                               : QStringLiteral("OK"));
        QCOMPARE(o.contains(QStringLiteral("serial_note")), o.value(QStringLiteral("exit")).toInt() != 0);
    }
    QCOMPARE(chips.keys(), QStringList({"COM1", "COM2", "COM3", "COM4"}));
    QCOMPARE(serials.size(), 12);
    QCOMPARE(*std::min_element(serials.begin(), serials.end()), 100);
    QCOMPARE(*std::max_element(serials.begin(), serials.end()), 111);
    QCOMPARE(dir.read(QStringLiteral("serial.next")), QByteArray("112\n"));
    // No child is left behind, running or unreaped.
    QCOMPARE(WorkerProcesses(QFileInfo(dir.path()).canonicalFilePath()), QList<qint64>());
}

void TestCliRuns::infoAndConvert()
{
    StartDir dir;
    dir.write(QStringLiteral("part.hex"), ":020100001234B7\r\n:00000001FF\r\n");
    CliRun r = RunCli(dir.path(), "info part.hex");
    QCOMPARE(r.code, 0);
    QVERIFY2(r.out.startsWith(QStringLiteral("part.hex: Intel HEX, addresses 0100 to 0101, 2 bytes\n"
                                             "checksum F648, CRC-32 ")),
             qPrintable(r.out));
    r = RunCli(dir.path(), "convert part.hex part.bin");
    QCOMPARE(r.code, 0);
    QCOMPARE(dir.read(QStringLiteral("part.bin")), ChipImage(0x102, {{0x100, 0x12}, {0x101, 0x34}}));
    r = RunCli(dir.path(), "convert --buffer-address 10000 part.bin far.hex");
    QCOMPARE(r.code, 3);
    QVERIFY2(r.err.contains(QStringLiteral("ends at FFFF")), qPrintable(r.err));

    // S-records: by the output's name, by --to, and read back by name, by
    // content and by --format; the same bytes all the way.
    auto run = [&](const char* args) {
        r = RunCli(dir.path(), QString::fromLatin1(args));
        return r.code == 0;
    };
    QVERIFY(run("convert part.hex a.S19") && r.out.contains(QStringLiteral("(Intel HEX) to a.S19 (S-records): 258 bytes")));
    QVERIFY(dir.read(QStringLiteral("a.S19")).startsWith("S009000051756972726182\r\nS113"));
    QVERIFY(run("convert part.bin b.dat --to srec") && dir.read(QStringLiteral("b.dat")) == dir.read(QStringLiteral("a.S19")));
    QVERIFY(run("info b.dat") && r.out.startsWith(QStringLiteral("b.dat: S-records, addresses 0000 to 0101, 258 bytes\n"
                                                                 "header \"Quirra\"\n")));
    QVERIFY(run("convert b.dat c.hex") && run("convert --format srec a.S19 c.bin --to bin"));
    r = RunCli(dir.path(), "info -", nullptr, {}, dir.read(QStringLiteral("a.S19")));
    QVERIFY2(r.out.startsWith(QStringLiteral("standard input: S-records, addresses 0000 to 0101")), qPrintable(r.out + r.err));
    QCOMPARE(dir.read(QStringLiteral("c.bin")), dir.read(QStringLiteral("part.bin")));
    QVERIFY(run("convert --buffer-address 10000 part.bin far.srec") && run("info far.srec --json"));
    QVERIFY2(r.out.contains(QStringLiteral("\"format\":\"srec\"")) && r.out.contains(QStringLiteral("\"last\":\"10101\"")),
             qPrintable(r.out));
}

QTEST_MAIN(TestCliRuns)
#include "tst_cliruns.moc"
