// quirra-cli run as a process against the emulator: the wire, the output,
// the files it writes and its exit codes.
#include "cli/ParallelRun.h"
#include "files/FileFormats.h"
#include "platform/SerialPort.h"
#include "support/CliRun.h"
#include "support/TestSupport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QtTest>
#include <csignal>
#include <unistd.h>

namespace {

const QByteArray Config = "1\r\n4\r\n1\r\n";
const QByteArray Catalogue = "\"2716 EPROM 2K\",1,2048\r\n\"28C64 EEPROM 8K\",2,8192\r\n"
                             "\"27C512 EPROM 64K\",1,65536\r\n\"89C51 MCU 4K\",10,4096\r\n";

// The emulator's PC frames once done() holds for them (it reads the last
// frames of a program that has ended a moment later), at most 5 s.
QVector<QByteArray> FramesWhen(const SimHarness& sim, const std::function<bool(const QVector<QByteArray>&)>& done)
{
    (void)QTest::qWaitFor([&] { return done(sim.pcFrames()); }, 5000);
    return sim.pcFrames();
}

// A chip image: 0xFF with the given bytes at the given addresses.
QByteArray ChipImage(int size, const QList<QPair<int, char>>& bytes)
{
    QByteArray image(size, '\xFF');
    for (const auto& [address, value] : bytes)
        image[address] = value;
    return image;
}

// One quirra-cli run in a start directory full of files, against the emulator.
struct Run {
    QString args;       // DIR/ stands for the start directory, SIM for the emulator's port
    int code = 0;
    QString out;        // the whole of stdout; ending in "...": its start
    QString text;       // stdout or stderr holds this
    QByteArray frames;  // after the probe, "|" between them, "..." (or "...N", exactly N)
                        // for the blocks; "-": the port is never opened
    QString sim;        // the emulator's arguments
    QByteArray chip;    // "ADDR: bytes": the chip then holds half.bin with these bytes (hex) at ADDR
};

}  // namespace

Q_DECLARE_METATYPE(Run)

class TestCliRuns : public QObject {
    Q_OBJECT
private slots:
    void run_data();
    void run();
    void ports();
    void convertChain();
    void roundTrip();
    void productionRun();
    void serialAfterKill();
    void skipErased_data();
    void skipErased();
    void parallelPorts();
};

void TestCliRuns::run_data()
{
    QTest::addColumn<Run>("run");
    auto row = [](const char* name, const QString& args, int code, const QString& out, const QString& text = {},
                  const QByteArray& frames = {}, const QString& sim = {}, const QByteArray& chip = {}) {
        QTest::newRow(name) << Run{args, code, out, text, frames, sim, chip};
    };
    const QString found = QStringLiteral("Device Version 2.1\n");  // the emulator's firmware
    const QString noDevice = QStringLiteral("Cannot find device at COM 1 !");
    const QString erased = QStringLiteral("Erasing ...   OK!\n");
    const QString written = QStringLiteral("Programming ...   OK!\nVerifying ...   OK!\n");
    const QString tooLarge = QStringLiteral("big.bin fills 0000-0FFF; 2716 EPROM 2K holds 0000-07FF");
    const QByteArray refused = "-", used = "01 61|...";
    row("probe", "probe", 0, found);
    row("port path", "--port SIM probe", 0, found);
    row("json", "--json probe", 0,
        "{\"command\":\"probe\",\"exit\":0,\"messages\":[\"Device Version 2.1\"],\"port\":\"COM1\","
        "\"version\":\"2.1\"}\n");
    row("quiet", "--quiet probe", 0, "");
    row("trace", "-v probe", 0, found, " -> 01 54\n");
    row("9 bytes", "probe", 2, "", noDevice, "", "--probe-bytes 9");
    row("11 bytes", "probe", 2, "", noDevice, "", "--probe-bytes 11");
    row("no answer", "erase", 2, "", noDevice, "", "--probe-bytes 0");
    // ports.cfg sends COM4 and COM5 to the emulator, QUIRRA_COM4 elsewhere.
    row("ports.cfg", "--port COM5 probe", 0, found);
    row("variable over ports.cfg", "--port COM4 probe", 2, "",
        "COM4, no such device DIR/no-port: quirra-cli --help explains QUIRRA_COM4", refused);
    row("broken ports.cfg", "--dir DIR/badmap probe", 0, found, "ports.cfg, line 1: \"\" is not a device path");
    row("no record 5", "--record 5 probe", 3, "", "there is no record 5", refused);
    row("no catalogue", "--dir DIR/empty --device 27C256 probe", 3, "",
        "there is no device \"27C256\": the device catalogue DIR/empty/quirra.dev is missing", refused);
    row("no dir", "--dir DIR/missing probe", 3, "", "does not exist", refused);
    row("usage", "probe extra", 3, "", "probe takes no file", refused);
    row("devices", "devices", 0,
        "No  Name              Type    Size  Functions\n"
        " 1  2716 EPROM 2K        1    800h  read, program, verify, blank, erase, lock\n"
        " 2  28C64 EEPROM 8K      2   2000h  read, program, verify, blank, erase, lock\n"
        " 3  27C512 EPROM 64K     1  10000h  read, program, verify, blank, erase, lock\n"
        " 4  89C51 MCU 4K        10   1000h  read, program, verify, blank\n", "", refused);
    row("help", "-h", 0, "Usage: quirra-cli...", "", refused);
    row("version", "--version", 0, "quirra-cli " QUIRRA_VERSION "\n", "", refused);
    row("erase", "erase", 0, erased, "", "01 61|01 45");
    row("lock", "lock", 0, "Locking ...   OK!\n", "", "01 61|01 4C");
    row("erase not offered", "--record 4 erase", 3, "Function Not Available!\n", "", "01 6A");
    row("blank fails", "blank", 1, "Device not blank at 0345\n", "", "01 61|...|01 49", "--image DIR/chip.bin");
    row("2716 is a name", "--device 2716 erase", 0, erased, "", "01 61|01 45");
    row("28c64 in any case", "-d 28c64 erase", 0, erased, "", "01 62|01 45");
    row("program fails", "program image.bin", 1, "Program Error at 0007\n", "", "01 61|01 57|...|01 57|01 49",
        "--fail-at 7");
    row("blank times out", "blank", 2, "Blank Checking ...   Device Fault!\n",
        "Device Error: Communication Error! (Blank, no reply for block at 00A0)\n", "01 61|...|04 00 A0 00 01",
        "--no-reply-from 10");
    row("no file", "program missing.hex", 3, "", "missing.hex cannot be opened", refused);
    row("broken hex", "verify broken.hex", 3, "", "Checksum Error in hex file!", refused);
    // Every block is read, as Verify reads them, and "I" ends the cycle.
    row("verify --all", "verify --all ff.bin", 1,
        "Verify Error at 0010\n  0010 to 0010, 1 bytes\n  0200 to 0202, 3 bytes\n  07FF to 07FF, 1 bytes\n", "",
        "01 61|...255|04 07 F0 00 01|01 49", "--image DIR/holes.bin");
    // The image files, by content and against the chip's size.
    row("HEX by content, cut short", "--no-verify program small.ihx", 3, "", "small.ihx: ", refused);
    row("HEX by content, any name", "program image.Hex", 0, written, "", used);
    row("--format bin for HEX", "-f bin program image.Hex", 3, "",
        "image.Hex is an Intel HEX file; it is taken as a binary image", refused);
    row("S-records by content, any name", "program image.txt", 0, written, "", used);
    row("--format bin for S-records", "-f bin program image.txt", 3, "",
        "image.txt is an S-record file; it is taken as a binary image", refused);
    row("larger than the chip", "program big.bin", 3, "", tooLarge, refused);
    row("S-records larger than the chip", "verify big.s19", 3, "",
        "big.s19 fills 0000-0FFF; 2716 EPROM 2K holds 0000-07FF", refused);
    row("auto too", "auto big.bin", 3, "", tooLarge, refused);
    row("pushed off the chip", "--buffer-address 100 verify image.bin", 3, "",
        "image.bin fills 0100-08FF; 2716 EPROM 2K holds 0000-07FF", refused);
    row("truncated on purpose", "--allow-truncate --no-verify program big.bin", 0, "...",
        "only the part that fits is used", used);
    row("read to a missing directory", "read missing/out.bin", 3, "",
        "missing/out.bin cannot be written: the directory ", refused);
    row("read to a directory", "read .", 3, "", "it is a directory", refused);
    row("beyond the image memory", "info huge.bin", 3, "",
        "huge.bin: the byte at file offset 0x11171 would land at index 0x11171, outside the image memory "
        "(0x0 to 0x11170)", refused);
    row("time-out in JSON", "--json --no-verify program image.bin", 2, "...",
        "\"error\":\"Communication Error! (Program, no reply for block at 0030)\"", used, "--no-reply-from 3");
    row("info", "info part.hex", 0, "part.hex: Intel HEX, addresses 0100 to 0101, 2 bytes\nchecksum F648, CRC-32 ...",
        "", refused);
    row("HEX ends at FFFF", "convert --buffer-address 10000 image.bin far.hex", 3, "", "ends at FFFF", refused);
    // Serial numbers; the state file goes to the current directory, never the start one.
    const QString serial = "Serial number %1\n" + written;
    row("serial le4", "program half.bin --serial 7F0:1000", 0, serial.arg(1000), "", used, "", "7F0: E8 03 00 00");
    row("serial be2 at the end", "program half.bin --serial 7FE:258:be2", 0, serial.arg(258), "", used, "",
        "7FE: 01 02");
    row("serial ascii8", "program half.bin --serial 700:42:ascii8", 0, serial.arg(42), "", used, "",
        "700: 30 30 30 30 30 30 34 32");
    row("serial past the end", "program half.bin --serial 7FE:1", 3, "",
        "the serial number at 07FE to 0801 does not fit the device, which ends at 07FF", refused);
    row("serial over the image", "program half.bin --serial 3FE:1:le4", 3, "",
        "the image sets 03FE to 5A, where the serial number goes; --serial-overwrite", refused);
    row("serial overwrite", "program half.bin --serial 3FE:1:le4 --serial-overwrite", 0, serial.arg(1), "", used, "",
        "3FE: 01 00 00 00");
    row("serial, start files elsewhere", "program half.bin --serial 7F0:7 --dir cfg", 0, serial.arg(7), "", used, "",
        "7F0: 07 00 00 00");
    row("serial, damaged state file", "program half.bin --serial 700:1 --serial-file bad.next", 3, "",
        "the serial number file bad.next holds no number", refused);
}

void TestCliRuns::run()
{
    QFETCH(Run, run);
    FileFormats::Image image;
    image.fill(0xFF);
    QRandomGenerator(5).fillRange(reinterpret_cast<quint32*>(image.data()), 2048 / 4);
    CliRig dir(Catalogue, {
        {"chip.bin", ChipImage(2048, {{0x345, '\x7F'}})}, {"ff.bin", QByteArray(2048, '\xFF')},
        {"holes.bin", ChipImage(2048, {{0x10, 0}, {0x200, 0}, {0x201, 0}, {0x202, 0}, {0x7FF, 0}})},
        {"image.bin", QByteArray(2048, '\x5A')}, {"big.bin", QByteArray(4096, '\x5A')},
        {"half.bin", QByteArray(0x400, '\x5A') + QByteArray(0x400, '\xFF')},
        {"huge.bin", QByteArray(modFunc::BufferSize + 1, '\x5A')}, {"image.Hex", FileFormats::HexImage(image, 2048)},
        {"small.ihx", FileFormats::HexImage(image, 0x10000).left(2000)},
        {"image.txt", FileFormats::SRecordImage(image, 2048)}, {"big.s19", FileFormats::SRecordImage(image, 4096)},
        {"broken.hex", ":10000000FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF01\r\n:00000001FF\r\n"},
        {"part.hex", ":020100001234B7\r\n:00000001FF\r\n"}, {"bad.next", "12x\n"}, {"badmap/ports.cfg", "5,\"\"\r\n"},
        {"cfg/quirra.cfg", Config}, {"cfg/quirra.dev", Catalogue}}, run.sim);
    QVERIFY(dir.ok && QDir(dir.path()).mkdir(QStringLiteral("empty")));
    const QByteArray link = ",\"" + dir.sim.linkPath().toUtf8() + "\"\r\n";
    dir.write(QStringLiteral("ports.cfg"), "4" + link + "5" + link);
    const CliRun r = dir.run(dir.fill(run.args).replace(QStringLiteral("SIM"), dir.sim.linkPath()),
                             {"QUIRRA_COM4=" + dir.file(QStringLiteral("no-port")), QStringLiteral("QUIRRA_COM5=")});
    QVERIFY2(r.code == run.code, qPrintable(r.out + r.err));
    const bool start = run.out.endsWith(QLatin1String("..."));
    QCOMPARE(start ? r.out.left(run.out.size() - 3) + QStringLiteral("...") : r.out, run.out);
    QVERIFY2((r.out + r.err).contains(dir.fill(run.text)), qPrintable(r.out + r.err));
    // Start files and a damaged serial number file are read, never written.
    QCOMPARE(dir.read(QStringLiteral("quirra.cfg")), Config);
    QCOMPARE(dir.read(QStringLiteral("bad.next")), QByteArray("12x\n"));
    QVERIFY(!QFileInfo::exists(dir.file(QStringLiteral("cfg/serial.next"))));
    if (run.code == 0 && run.args.contains(QStringLiteral("--serial ")))  // the next number for the next chip
        QCOMPARE(dir.read(QStringLiteral("serial.next")).trimmed().toULongLong(),
                 run.args.section(QLatin1Char(':'), 1, 1).section(QLatin1Char(' '), 0, 0).toULongLong() + 1);
    if (!run.chip.isEmpty()) {
        QByteArray chip = dir.read(QStringLiteral("half.bin"));
        const QByteArray bytes = QByteArray::fromHex(run.chip.mid(run.chip.indexOf(':')));
        chip.replace(run.chip.left(run.chip.indexOf(':')).toInt(nullptr, 16), bytes.size(), bytes);
        QCOMPARE(dir.sim.dump().left(0x800), chip);
    }
    if (run.code == 0 && run.args.contains(QRegularExpression(QStringLiteral("image\\.(Hex|txt)"))))
        QCOMPARE(dir.sim.dump().left(2048), QByteArray(reinterpret_cast<const char*>(image.data()), 2048));
    // The wire: the probe, the type letter, then the function's frames; nothing at all for "-".
    const QStringList want = run.frames == "-" ? QStringList()
                             : QString::fromLatin1("01 54|" + run.frames).split(QLatin1Char('|'), Qt::SkipEmptyParts);
    const qsizetype gap = want.indexOf(QRegularExpression(QStringLiteral("\\.\\.\\.\\d*")));
    const qsizetype tail = gap < 0 ? 0 : want.size() - gap - 1;  // frames after the gap
    QStringList wire;
    for (const QByteArray& f : FramesWhen(dir.sim, [&](const QVector<QByteArray>& got) {
             return got.size() >= want.size() && (tail == 0 || got.last().toHex(' ').toUpper() == want.last());
         }))
        wire << QString::fromLatin1(f.toHex(' ').toUpper());
    QCOMPARE(wire.mid(0, gap), want.mid(0, gap));  // all of them when there is no gap
    QCOMPARE(wire.mid(wire.size() - tail), want.mid(want.size() - tail));
    if (gap >= 0 && want[gap].size() > 3)
        QCOMPARE(wire.size(), want.size() - 1 + want[gap].mid(3).toInt());
}

// A port this process holds refuses the run before a byte is sent; the
// listing says where each name comes from and what keeps a port from opening.
void TestCliRuns::ports()
{
    CliRig dir(Catalogue);
    QVERIFY(dir.ok);
    const SimHarness& sim = dir.sim;
    SerialPort holder;
    holder.setPortPath(sim.linkPath());
    holder.setSettings(QStringLiteral("57600,N,8,1"));
    QVERIFY(holder.setPortOpen(true));
    CliRun r = dir.run("probe");
    QCOMPARE(r.code, 2);
    QVERIFY2(r.err.contains(QStringLiteral("COM1, %1 is in use by process %2 (tst_cliruns)")
                                .arg(sim.linkPath()).arg(QCoreApplication::applicationPid())),
             qPrintable(r.err));
    QVERIFY(sim.pcFrames().isEmpty());
    holder.setPortOpen(false);
    // A device file this user may not open: as root, the check runs as nobody.
    QStringList asOther;
    if (::geteuid() == 0) {
        if (QStandardPaths::findExecutable(QStringLiteral("setpriv")).isEmpty())
            QSKIP("running as root without setpriv: cannot check a port this user may not open");
        asOther = Words("setpriv --reuid=65534 --regid=65534 --clear-groups");
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther
                                              | QFile::ExeOther);
    }
    const QString locked = dir.file(QStringLiteral("locked"));
    dir.write(QStringLiteral("locked"), "");
    QFile::setPermissions(locked, {});
    dir.write(QStringLiteral("quirra.cfg"), "5\r\n2\r\n1\r\n");  // COM5, which ports.cfg names
    dir.write(QStringLiteral("ports.cfg"), "5,\"" + dir.file(QStringLiteral("nothing")).toUtf8() + "\"\r\n");
    const QStringList env = {"QUIRRA_COM1=" + sim.linkPath(), "QUIRRA_COM2=" + locked, "QUIRRA_COM5="};
    r = RunCli(dir.path(), "ports", nullptr, env);
    QCOMPARE(r.code, 0);
    QVERIFY2(r.out.contains(sim.linkPath() + " -> " + QFileInfo(sim.linkPath()).canonicalFilePath()
                            + "  (COM1; set by QUIRRA_COM1)\n    may open: yes"),
             qPrintable(r.out));
    QVERIFY2(r.out.contains(dir.file("nothing  (COM5; set by ports.cfg; used by this run)\n"
                                     "    may open: no: no such device ")),
             qPrintable(r.out));
    r = RunCommand(dir.path(), asOther + QStringList{QUIRRA_CLI_PATH, "--json", "ports"}, nullptr, env);
    if (!asOther.isEmpty() && r.code != 0)  // e.g. the build lies where nobody may go
        QSKIP(qPrintable(QStringLiteral("quirra-cli cannot run as nobody here: ") + r.err));
    QCOMPARE(r.code, 0);
    const QJsonArray ports = QJsonDocument::fromJson(r.out.toUtf8())[QLatin1String("ports")].toArray();
    const auto com2 = std::find_if(ports.begin(), ports.end(), [](const QJsonValue& v) {
        return v[QStringLiteral("names")].toArray() == QJsonArray{QStringLiteral("COM2")};
    });
    QVERIFY2(com2 != ports.end(), qPrintable(r.out + r.err));
    QVERIFY(!(*com2)[QStringLiteral("mayOpen")].toBool());
    QVERIFY2((*com2)[QStringLiteral("problem")].toString().startsWith("permission denied on " + locked + ": "),
             qPrintable(r.out));
}

// The bytes go through HEX, binary and S-records and come back the same: by
// the file's name, by its content, by --to and by --format.
void TestCliRuns::convertChain()
{
    TempAppDir dir;
    dir.write(QStringLiteral("part.hex"), ":020100001234B7\r\n:00000001FF\r\n");
    const QList<QPair<QString, QString>> steps = {  // the command and what its output holds
        {"convert part.hex part.bin", ""},
        {"convert part.hex a.S19", "(Intel HEX) to a.S19 (S-records): 258 bytes"},
        {"convert part.bin b.dat --to srec", ""},
        {"info b.dat", "b.dat: S-records, addresses 0000 to 0101, 258 bytes\nheader \"Quirra\"\n"},
        {"convert b.dat c.hex", ""},
        {"convert --format srec a.S19 c.bin --to bin", ""},
        {"convert --buffer-address 10000 part.bin far.srec", ""},
        {"info far.srec --json", "\"format\":\"srec\",\"header\":\"Quirra\",\"last\":\"10101\""}};
    for (const auto& [args, text] : steps) {
        const CliRun r = RunCli(dir.path(), args);
        QVERIFY2(r.code == 0 && r.out.contains(text), qPrintable(args + ": " + r.out + r.err));
    }
    QCOMPARE(dir.read(QStringLiteral("part.bin")), ChipImage(0x102, {{0x100, 0x12}, {0x101, 0x34}}));
    QVERIFY(dir.read(QStringLiteral("a.S19")).startsWith("S009000051756972726182\r\nS113"));
    QCOMPARE(dir.read(QStringLiteral("b.dat")), dir.read(QStringLiteral("a.S19")));
    QCOMPARE(dir.read(QStringLiteral("c.bin")), dir.read(QStringLiteral("part.bin")));
    const CliRun r = RunCli(dir.path(), "info -", nullptr, {}, dir.read(QStringLiteral("a.S19")));
    QVERIFY2(r.out.startsWith(QStringLiteral("standard input: S-records, addresses 0000 to 0101")), qPrintable(r.out + r.err));
}

void TestCliRuns::roundTrip()
{
    QByteArray image(65536, '\0');
    QRandomGenerator(12).fillRange(reinterpret_cast<quint32*>(image.data()), image.size() / 4);
    CliRig dir(Catalogue, {{"image.bin", image}});
    QVERIFY(dir.ok);
    // An Intel HEX file as srec_cat writes it, from standard input.
    const CliRun srec = RunCommand(dir.path(), Words("srec_cat image.bin -binary -o - -intel"));
    if (srec.code != 0)
        QSKIP("srec_cat is not installed");
    CliRun r = dir.run("--device 27C512 program -", {}, srec.bytes);
    QCOMPARE(r.out, QStringLiteral("Programming ...   OK!\nVerifying ...   OK!\n"));
    QCOMPARE(r.code, 0);
    // Plain lines on a pipe: one at every tenth.
    QVERIFY2(r.err.startsWith(QStringLiteral("Programming 0%\nProgramming 10%\n")), qPrintable(r.err));
    QVERIFY(r.err.endsWith(QStringLiteral("Verifying 100%\n")));
    r = dir.run("--device 27C512 -q read -");
    QVERIFY2(r.code == 0, qPrintable(r.err));
    QCOMPARE(r.err, QString());
    QCOMPARE(r.bytes, image);
    r = dir.run("--device 27C512 read back.hex");
    QCOMPARE(r.code, 0);
    QVERIFY2(r.out.startsWith(QStringLiteral("Reading ...   OK!\nchecksum ")), qPrintable(r.out));
    QCOMPARE(RunCli(dir.path(), "convert back.hex back.bin").code, 0);
    QCOMPARE(dir.read(QStringLiteral("back.bin")), image);
    QCOMPARE(dir.sim.dump(), image);
}

void TestCliRuns::productionRun()
{
    // auto.cfg: Program, Verify.
    CliRig dir(Catalogue, {{"auto.cfg", "2\r\n3\r\n4\r\n"}, {"image.bin", QByteArray(2048, '\x01')}});
    QVERIFY(dir.ok);
    const CliRun r = dir.run("auto image.bin --repeat --log chips.log", {}, "\n\nq\n");
    QCOMPARE(r.code, 0);
    QCOMPARE(r.err.count(QStringLiteral("Insert the next chip and press Enter (q to quit)")), 3);
    QVERIFY2(r.out.endsWith(QStringLiteral("Chip 3: pass\n3 chips: 3 passed, 0 failed\n")), qPrintable(r.out));
    const QString logged = QStringLiteral(  // each chip's line but its time
        "{\"checksum\":\"0800\",\"chip\":%1,\"crc32\":\"2D6A83D2\",\"device\":\"2716 EPROM 2K\",\"exit\":0,"
        "\"port\":\"COM1\",\"result\":\"pass\",\"sha1\":\"26ad4b31297bba77aef87b93bf185e908d26b101\","
        "\"sha256\":\"7c7d2eb358671b401d2a5e59bf56e7163e16994a170d4788faad9be5d82363b2\",\"steps\":["
        "{\"message\":\"Programming ...   OK!\",\"result\":\"ok\",\"step\":\"Program\"},"
        "{\"message\":\"Verifying ...   OK!\",\"result\":\"ok\",\"step\":\"Verify\"}]}");
    const QList<QByteArray> lines = dir.read(QStringLiteral("chips.log")).split('\n');
    QCOMPARE(lines.size(), 4);
    QVERIFY(lines[3].isEmpty());
    for (int chip = 1; chip <= 3; ++chip) {
        QJsonObject o = QJsonDocument::fromJson(lines[chip - 1]).object();
        QVERIFY(QDateTime::fromString(o.take(QStringLiteral("time")).toString(), Qt::ISODateWithMs).isValid());
        QCOMPARE(QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact)), logged.arg(chip));
    }
    // The type letter once, then three times Program and Verify.
    const QVector<QByteArray> frames
        = FramesWhen(dir.sim, [](const QVector<QByteArray>& got) { return got.count(QByteArray("\x01I", 2)) == 6; });
    QCOMPARE(frames.count(QByteArray("\x01\x61", 2)), 1);
    QCOMPARE(frames.count(QByteArray("\x01W", 2)), 6);
}

void TestCliRuns::serialAfterKill()
{
    // A run killed while it programs a chip has used that chip's number up:
    // the next run never gives it to another chip.
    CliRig dir(Catalogue, {{"auto.cfg", "2\r\n3\r\n4\r\n"}, {"image.bin", QByteArray(16, '\x01')}},
               QStringLiteral("--delay 200"));
    QVERIFY(dir.ok);
    QProcess p;
    p.setWorkingDirectory(dir.path());
    p.setProcessEnvironment(RunEnvironment(dir.path(), &dir.sim));
    p.start(QStringLiteral(QUIRRA_CLI_PATH), Words("auto image.bin --repeat --serial 10:500:le2 --log chips.log"));
    QByteArray out;
    QTRY_VERIFY_WITH_TIMEOUT((out += p.readAllStandardOutput()).contains("Chip 1, serial 500"), 10000);
    QTest::qWait(300);  // programming the first chip
    p.kill();
    QVERIFY(p.waitForFinished(5000));
    dir.sim.stop();
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
    QTest::newRow("Program after Program") << "auto" << QByteArray("3\r\n2\r\n3\r\n3\r\n") << "" << 33 + 128 << 128;
    QTest::newRow("Blank fails") << "auto" << blank << "--image DIR/image.bin" << 0 << 1;
}

void TestCliRuns::skipErased()
{
    QFETCH(QString, args);
    QFETCH(QByteArray, autoFile);
    QFETCH(QString, simArgs);
    QFETCH(int, writes);
    QFETCH(int, reads);
    // 32 blocks of data, one more with a single byte, the rest FF.
    QByteArray image = QByteArray(0x200, '\x5A') + QByteArray(0x600, '\xFF');
    image[0x7F3] = '\x00';
    CliRig dir(Catalogue, {{"auto.cfg", autoFile}, {"image.bin", image}}, simArgs);
    QVERIFY(dir.ok);
    const CliRun r = dir.run(args + " image.bin");
    QCOMPARE(r.code, simArgs.isEmpty() ? 0 : 1);
    const QVector<QByteArray> frames = FramesWhen(dir.sim, [](const QVector<QByteArray>& got) {
        return got.size() > 2 && got.last() == QByteArray("\x01I", 2);
    });
    auto count = [&](char kind) {
        return int(std::count_if(frames.begin(), frames.end(), [&](const QByteArray& f) { return f.startsWith(kind); }));
    };
    QCOMPARE(count('\x14'), writes);
    QCOMPARE(count('\x04'), reads);
    if (r.code == 0 && !args.startsWith(QLatin1String("auto")))  // every byte reached the chip
        QCOMPARE(dir.sim.dump().left(0x800), image);
}

void TestCliRuns::parallelPorts()
{
    // Four programmers, the third failing at 0200: Enter twice, then Ctrl+C.
    // auto.cfg: Erase, Blank, Program, Verify; the emulators are the run's own.
    CliRig dir(Catalogue, {{"auto.cfg", "4\r\n1\r\n2\r\n3\r\n4\r\n"}, {"image.bin", QByteArray(0x400, '\x11')}},
               QStringLiteral("-"));
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
    auto chipLines = [&] { return (out += p.readAllStandardOutput()).count("\"chip\":"); };
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
    QList<int> serials;
    QMap<QString, int> chips;
    for (const QByteArray& line : lines) {
        const QJsonObject o = QJsonDocument::fromJson(line).object();
        const QString port = o.value(QStringLiteral("port")).toString();
        serials << o.value(QStringLiteral("serial")).toInt();
        QCOMPARE(o.value(QStringLiteral("chip")).toInt(), ++chips[port]);
        QCOMPARE(cli::ChipStatus(o), o.value(QStringLiteral("interrupted")).toBool() ? QStringLiteral("stopped")
                                     : port == QLatin1String("COM3") ? QStringLiteral("Program Error at 0200")
                                                                     : QStringLiteral("OK"));
        QCOMPARE(o.contains(QStringLiteral("serial_note")), o.value(QStringLiteral("exit")).toInt() != 0);
    }
    QCOMPARE(chips.keys(), QStringList({"COM1", "COM2", "COM3", "COM4"}));
    std::sort(serials.begin(), serials.end());
    QCOMPARE(serials, QList<int>({100, 101, 102, 103, 104, 105, 106, 107, 108, 109, 110, 111}));
    QCOMPARE(dir.read(QStringLiteral("serial.next")), QByteArray("112\n"));
    // No child is left behind, running or unreaped.
    QCOMPARE(WorkerProcesses(QFileInfo(dir.path()).canonicalFilePath()), QList<qint64>());
}

QTEST_MAIN(TestCliRuns)
#include "tst_cliruns.moc"
