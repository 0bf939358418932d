// quirra-cli: its command line, its plain functions, and the program run
// as a process against the emulator.
#include "cli/ChipLog.h"
#include "cli/CliHost.h"
#include "cli/CliOptions.h"
#include "cli/ImageLoad.h"
#include "cli/Progress.h"
#include "platform/PortDiagnosis.h"
#include "platform/SerialPort.h"
#include "support/SimHarness.h"
#include "support/TestSupport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QtTest>
#include <functional>
#include <unistd.h>

namespace {

struct CliRun {
    int code = -1;
    QString out;
    QString err;
};

// Runs quirra-cli in dir with extra environment ("NAME=value") and input.
CliRun RunCli(const QString& dir, const QStringList& args, const QStringList& env = {},
              const QByteArray& input = {}, const QStringList& wrapper = {})
{
    QProcess p;
    p.setWorkingDirectory(dir);
    QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
    for (const QString& kv : env)
        e.insert(kv.section(QLatin1Char('='), 0, 0), kv.section(QLatin1Char('='), 1));
    p.setProcessEnvironment(e);
    const QStringList command = wrapper + QStringList{QStringLiteral(QUIRRA_CLI_PATH)} + args;
    p.start(command.first(), command.mid(1));
    p.write(input);
    p.closeWriteChannel();
    CliRun r;
    if (!p.waitForFinished(60000))
        return r;
    r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromLocal8Bit(p.readAllStandardOutput());
    r.err = QString::fromLocal8Bit(p.readAllStandardError());
    return r;
}

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

void WriteStartFiles(const TempAppDir& dir)
{
    dir.write(QStringLiteral("quirra.cfg"), Config);
    dir.write(QStringLiteral("quirra.dev"), Catalogue);
}

}  // namespace

Q_DECLARE_METATYPE(StepResult)

class TestCli : public QObject {
    Q_OBJECT
private slots:
    void arguments_data();
    void arguments();
    void progressLine_data();
    void progressLine();
    void explain_data();
    void explain();
    void chipLogLine();
    void exitCodes_data();
    void exitCodes();
    void probe_data();
    void probe();
    void busyPort();
    void portsListing();
    void portMapFile();
    void functions_data();
    void functions();
    void roundTrip();
    void verifyAll();
    void productionRun();
    void infoAndConvert();
};

void TestCli::arguments_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("error");    // empty: accepted
    QTest::addColumn<QString>("summary");  // command|files|port|device|format|buffer|file
    auto row = [](const char* name, const QString& line, const char* error, const char* summary) {
        QTest::newRow(name) << line.split(QLatin1Char(' '), Qt::SkipEmptyParts) << QString::fromLatin1(error)
                            << QString::fromLatin1(summary);
    };
    row("probe", "probe", "", "probe||||||");
    row("everything", "--port=COM3 --device 27C64 program a.hex --format bin --buffer-address 100H --file-address 0x1f",
        "", "program|a.hex|COM3|27C64|bin|256|31");
    row("path port", "--port /dev/ttyUSB0 verify --all x.bin", "", "verify|x.bin|/dev/ttyUSB0||||");
    row("convert", "convert in.hex out.bin", "", "convert|in.hex,out.bin|||||");
    row("help alone", "--help", "", "||||||");
    row("no command", "--quiet", "no command given", "");
    row("unknown command", "burn", "unknown command \"burn\"", "");
    row("unknown option", "probe --fast", "unknown option --fast", "");
    row("missing file", "program", "program takes one file", "");
    row("extra file", "erase x", "erase takes no file", "");
    row("missing value", "probe --port", "--port needs a value", "");
    row("bad format", "read x --format srec", "--format is hex or bin, not \"srec\"", "");
    row("bad address", "read x --buffer-address 12G4", "--buffer-address takes a hexadecimal address", "");
    row("huge address", "read x --file-address 100000000", "--file-address takes a hexadecimal address", "");
    row("COM0", "probe --port COM0", "--port takes COM1 to COM255", "");
    row("all elsewhere", "read x --all", "--all belongs to verify", "");
    row("repeat elsewhere", "program x --repeat", "--repeat and --log belong to auto", "");
    row("flag with value", "probe --quiet=1", "--quiet takes no value", "");
}

void TestCli::arguments()
{
    QFETCH(QStringList, args);
    QFETCH(QString, error);
    QFETCH(QString, summary);
    cli::Options o;
    QString why;
    const bool ok = cli::ParseArguments(args, o, &why);
    QVERIFY2(ok == error.isEmpty(), qPrintable(why));
    if (!ok) {
        QVERIFY2(why.startsWith(error), qPrintable(why));
        return;
    }
    auto num = [](const std::optional<uint32_t>& v) { return v ? QString::number(*v) : QString(); };
    QCOMPARE(QStringList({o.command, o.files.join(QLatin1Char(',')), o.port, o.device, o.format,
                          num(o.bufferAddress), num(o.fileAddress)})
                 .join(QLatin1Char('|')),
             summary);
}

void TestCli::progressLine_data()
{
    QTest::addColumn<int>("percent");
    QTest::addColumn<qint64>("elapsedMs");
    QTest::addColumn<QString>("line");
    QTest::newRow("start") << 0 << qint64(0) << "Reading [----------]   0%  -:-- left";
    QTest::newRow("quarter") << 25 << qint64(10000) << "Reading [##--------]  25%  0:30 left";
    QTest::newRow("long") << 1 << qint64(40000) << "Reading [----------]   1%  1:06:00 left";
    QTest::newRow("done") << 100 << qint64(17070) << "Reading [##########] 100%  0:00 left";
}

void TestCli::progressLine()
{
    QFETCH(int, percent);
    QFETCH(qint64, elapsedMs);
    QFETCH(QString, line);
    QCOMPARE(cli::ProgressLine(QStringLiteral("Reading"), percent, elapsedMs, 10), line);
}

void TestCli::explain_data()
{
    QTest::addColumn<PortFacts>("facts");
    QTest::addColumn<QString>("env");
    QTest::addColumn<bool>("busy");
    QTest::addColumn<QString>("text");
    PortFacts usb;
    usb.path = QStringLiteral("/dev/ttyUSB0");
    usb.device = usb.path;
    usb.exists = usb.isCharDevice = usb.accessible = usb.groupMayOpen = true;
    usb.owner = QStringLiteral("root");
    usb.group = QStringLiteral("dialout");
    const QString env = QStringLiteral("QUIRRA_COM1");
    PortFacts f = usb;
    f.exists = false;
    QTest::newRow("missing") << f << env << false << "no such device /dev/ttyUSB0: Help explains QUIRRA_COM1";
    QTest::newRow("missing path") << f << QString() << false << "no such device /dev/ttyUSB0";
    f = usb;
    f.accessible = false;
    QTest::newRow("not in group") << f << env << true
                                  << "permission denied on /dev/ttyUSB0: add your user to the group dialout and log in again";
    f.inGroupListed = true;
    QTest::newRow("added, not logged in")
        << f << env << true
        << "permission denied on /dev/ttyUSB0: you were added to the group dialout after you logged in; log in again";
    f.groupMayOpen = false;
    QTest::newRow("owner only") << f << env << true
                                << "permission denied on /dev/ttyUSB0: only its owner root may open it; "
                                   "a udev rule can give a group access";
    f = usb;
    f.isCharDevice = false;
    QTest::newRow("plain file") << f << env << false << "/dev/ttyUSB0 is not a serial device";
    f = usb;
    f.holders = {{1234, QStringLiteral("brltty")}};
    QTest::newRow("brltty") << f << env << true
                            << "/dev/ttyUSB0 is in use by process 1234 (brltty); " + PortDiagnosis::TroublemakerFix("brltty");
    f.holders = {{77, QStringLiteral("minicom")}, {78, QStringLiteral("ModemManager")}};
    QTest::newRow("two holders") << f << env << true
                                 << "/dev/ttyUSB0 is in use by process 77 (minicom), process 78 (ModemManager); "
                                        + PortDiagnosis::TroublemakerFix("ModemManager");
    QTest::newRow("held, not refused") << f << env << false << "";
}

void TestCli::explain()
{
    QFETCH(PortFacts, facts);
    QFETCH(QString, env);
    QFETCH(bool, busy);
    QFETCH(QString, text);
    QCOMPARE(PortDiagnosis::Explain(facts, env, busy), text);
}

void TestCli::chipLogLine()
{
    cli::ChipRecord r;
    r.time = QDateTime(QDate(2024, 5, 6), QTime(7, 8, 9, 10), Qt::UTC);
    r.chip = 3;
    r.device = QStringLiteral("27C64 \"EPROM\"");
    r.steps = {{QStringLiteral("Program"), {StepResult::Ok}, QStringLiteral("Programming ...   OK!")},
               {QStringLiteral("Verify"), {StepResult::ChipError, 4, 0x200}, QStringLiteral("Verify Error at 0200")}};
    r.checksum = QStringLiteral("1FE0");
    r.crc32 = QStringLiteral("0A1B2C3D");
    r.exitCode = 1;
    const QByteArray line = cli::ChipLogLine(r);
    QVERIFY(line.endsWith('\n'));
    QCOMPARE(line.count('\n'), 1);
    QCOMPARE(line,
             QByteArray("{\"checksum\":\"1FE0\",\"chip\":3,\"crc32\":\"0A1B2C3D\",\"device\":\"27C64 \\\"EPROM\\\"\",\"exit\":1,"
                        "\"result\":\"fail\",\"steps\":[{\"message\":\"Programming ...   OK!\",\"result\":\"ok\",\"step\":\"Program\"},"
                        "{\"message\":\"Verify Error at 0200\",\"result\":\"failed\",\"step\":\"Verify\"}],"
                        "\"time\":\"2024-05-06T07:08:09.010Z\"}" "\n"));
}

// The exit code and the JSON word come from the step's value alone: the
// message text is the same for every row.
void TestCli::exitCodes_data()
{
    QTest::addColumn<StepResult>("result");
    QTest::addColumn<bool>("sequence");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("word");
    QTest::newRow("ok") << StepResult::Ok << false << int(cli::ExitOk) << "ok";
    QTest::newRow("chip error") << StepResult::ChipError << false << int(cli::ExitChipFailed) << "failed";
    QTest::newRow("refused") << StepResult::Refused << true << int(cli::ExitChipFailed) << "failed";
    QTest::newRow("no answer") << StepResult::NoAnswer << false << int(cli::ExitNoAnswer) << "no answer";
    QTest::newRow("not offered") << StepResult::NotOffered << false << int(cli::ExitBadInput) << "not available";
    QTest::newRow("not offered in Auto") << StepResult::NotOffered << true << int(cli::ExitOk) << "not available";
}

void TestCli::exitCodes()
{
    QFETCH(StepResult, result);
    QFETCH(bool, sequence);
    QFETCH(int, code);
    QFETCH(QString, word);
    const QString message = QStringLiteral("Programming ...   OK!");
    QCOMPARE(cli::ExitCodeFor({{QStringLiteral("Program"), {result}, message}}, sequence), code);
    QCOMPARE(cli::ResultWord(result), word);
    // A failed step outweighs the steps of the sequence that went well.
    QCOMPARE(cli::ExitCodeFor({{QStringLiteral("Erase"), {StepResult::Ok}, message},
                               {QStringLiteral("Program"), {result}, message}}, sequence), code);
}

void TestCli::probe_data()
{
    QTest::addColumn<QStringList>("simArgs");  // empty: no emulator
    QTest::addColumn<QString>("args");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("out");  // stdout must start with this
    QTest::addColumn<QString>("err");  // stderr must contain this
    const QStringList sim = {QStringLiteral("--version"), QStringLiteral("2.1")};
    QTest::newRow("found") << sim << "probe" << 0 << "Device Version 2.1\n" << "";
    QTest::newRow("port path") << sim << "--port SIM probe" << 0 << "Device Version 2.1\n" << "";
    QTest::newRow("json") << sim << "--json probe" << 0
                          << "{\"command\":\"probe\",\"exit\":0,\"messages\":[\"Device Version 2.1\"],\"port\":\"COM1\",\"version\":\"2.1\"}"
                          << "";
    QTest::newRow("quiet") << sim << "--quiet probe" << 0 << "" << "";
    QTest::newRow("9 bytes") << QStringList{QStringLiteral("--probe-bytes"), QStringLiteral("9")} << "probe" << 2 << ""
                             << "Cannot find device at COM 1 !";
    QTest::newRow("no port") << QStringList() << "--port COM4 probe" << 2 << ""
                             << "COM4, no such device NOPORT: quirra-cli --help explains QUIRRA_COM4";
    QTest::newRow("device by word") << sim << "--device 28C64 probe" << 0 << "Device Version" << "";
    QTest::newRow("device number") << sim << "--device 5 probe" << 3 << "" << "there is no device 5";
    QTest::newRow("no dir") << sim << "--dir NOPORT probe" << 3 << "" << "does not exist";
    QTest::newRow("usage") << sim << "probe extra" << 3 << "" << "probe takes no file";
    QTest::newRow("help") << QStringList() << "--help" << 0 << "Usage: quirra-cli" << "";
    QTest::newRow("version") << QStringList() << "--version" << 0 << "quirra-cli " QUIRRA_VERSION << "";
}

void TestCli::probe()
{
    QFETCH(QStringList, simArgs);
    QFETCH(QString, args);
    QFETCH(int, code);
    QFETCH(QString, out);
    QFETCH(QString, err);
    TempAppDir dir;
    WriteStartFiles(dir);
    SimHarness sim(simArgs);
    if (!simArgs.isEmpty())
        QVERIFY(sim.start());
    const QString noPort = dir.file(QStringLiteral("no-port"));
    args.replace(QStringLiteral("SIM"), sim.linkPath()).replace(QStringLiteral("NOPORT"), noPort);
    const CliRun r = RunCli(dir.path(), args.split(QLatin1Char(' ')),
                            {QStringLiteral("QUIRRA_COM1=") + sim.linkPath(), QStringLiteral("QUIRRA_COM4=") + noPort});
    QCOMPARE(r.code, code);
    QVERIFY2(out.isEmpty() ? r.out.isEmpty() : r.out.startsWith(out), qPrintable(r.out));
    QVERIFY2(r.err.contains(err.replace(QStringLiteral("NOPORT"), noPort)), qPrintable(r.err));
    if (code != 3 && !simArgs.isEmpty())
        QCOMPARE(sim.pcFrames(), QVector<QByteArray>{QByteArray("\x01T", 2)});
    // The start files are read, never written.
    QCOMPARE(dir.read(QStringLiteral("quirra.cfg")), Config);
}

void TestCli::busyPort()
{
    TempAppDir dir;
    WriteStartFiles(dir);
    SimHarness sim;
    QVERIFY(sim.start());
    SerialPort holder;
    holder.setPortPath(sim.linkPath());
    holder.setSettings(QStringLiteral("57600,N,8,1"));
    QVERIFY(holder.setPortOpen(true));
    const CliRun r = RunCli(dir.path(), {QStringLiteral("probe")}, {QStringLiteral("QUIRRA_COM1=") + sim.linkPath()});
    QCOMPARE(r.code, 2);
    QVERIFY2(r.err.contains(QStringLiteral("COM1, %1 is in use by process %2 (tst_cli)")
                                .arg(sim.linkPath()).arg(QCoreApplication::applicationPid())),
             qPrintable(r.err));
    QVERIFY(sim.pcFrames().isEmpty());
}

void TestCli::portsListing()
{
    TempAppDir dir;
    WriteStartFiles(dir);
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
    CliRun r = RunCli(dir.path(), {QStringLiteral("ports")}, env);
    QCOMPARE(r.code, 0);
    const QString simLine = QStringLiteral("%1 -> %2  (COM1; set by QUIRRA_COM1; used by this run)\n    may open: yes")
                                .arg(sim.linkPath(), QFileInfo(sim.linkPath()).canonicalFilePath());
    QVERIFY2(r.out.contains(simLine), qPrintable(r.out));
    r = RunCli(dir.path(), {QStringLiteral("--json"), QStringLiteral("ports")}, env, {}, asOther);
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
void TestCli::portMapFile()
{
    TempAppDir dir;
    WriteStartFiles(dir);
    dir.write(QStringLiteral("quirra.cfg"), "5\r\n2\r\n1\r\n");
    SimHarness sim;
    QVERIFY(sim.start());
    dir.write(QStringLiteral("ports.cfg"), "5,\"" + sim.linkPath().toUtf8() + "\"\r\n");
    CliRun r = RunCli(dir.path(), {QStringLiteral("probe")}, {QStringLiteral("QUIRRA_COM5=")});
    QVERIFY2(r.code == 0 && r.out.contains(QStringLiteral("Device Version")), qPrintable(r.out + r.err));
    r = RunCli(dir.path(), {QStringLiteral("ports")}, {QStringLiteral("QUIRRA_COM5=")});
    QVERIFY2(r.out.contains(QStringLiteral("(COM5; set by ports.cfg; used by this run)")), qPrintable(r.out));
    r = RunCli(dir.path(), {QStringLiteral("probe")}, {QStringLiteral("QUIRRA_COM5=") + dir.file(QStringLiteral("none"))});
    QCOMPARE(r.code, 2);
    dir.write(QStringLiteral("ports.cfg"), "5,\"\"\r\n");
    r = RunCli(dir.path(), {QStringLiteral("probe")}, {QStringLiteral("QUIRRA_COM5=")});
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

void TestCli::functions_data()
{
    QTest::addColumn<QString>("args");
    QTest::addColumn<QStringList>("simArgs");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("out");        // the whole of stdout
    QTest::addColumn<QString>("err");        // stderr contains this
    QTest::addColumn<QByteArray>("frames");  // frames after the probe, "|" between them, "..." for the blocks
    QTest::newRow("erase") << "erase" << QStringList() << 0 << "Erasing ...   OK!\n" << ""
                           << QByteArray("01 61|01 45");
    QTest::newRow("lock") << "lock" << QStringList() << 0 << "Locking ...   OK!\n" << "" << QByteArray("01 61|01 4C");
    QTest::newRow("erase not offered") << "--device 4 erase" << QStringList() << 3 << "Function Not Available!\n" << ""
                                       << QByteArray("01 6A");
    QTest::newRow("blank fails") << "blank" << QStringList{QStringLiteral("--image"), QStringLiteral("CHIP")} << 1
                                 << "Device not blank at 0345\n" << "" << QByteArray("01 61|...|01 49");
    QTest::newRow("program fails") << "program image.bin" << QStringList{QStringLiteral("--fail-at"), QStringLiteral("7")}
                                   << 1 << "Program Error at 0007\n" << "" << QByteArray("01 61|01 57|...|01 57|01 49");
    QTest::newRow("blank times out") << "blank" << QStringList{QStringLiteral("--no-reply-from"), QStringLiteral("10")}
                                     << 2 << "Blank Checking ...   Device Fault!\n" << "Device Error: Communication Error!"
                                      << QByteArray("01 61|...|04 00 A0 00 01");
    QTest::newRow("no file") << "program missing.hex" << QStringList() << 3 << "" << "missing.hex cannot be opened"
                             << QByteArray();
    QTest::newRow("broken hex") << "verify broken.hex" << QStringList() << 3 << "" << "Checksum Error in hex file!"
                                << QByteArray();
    QTest::newRow("no answer") << "erase" << QStringList{QStringLiteral("--probe-bytes"), QStringLiteral("0")} << 2 << ""
                               << "Cannot find device at COM 1 !" << QByteArray();
}

void TestCli::functions()
{
    QFETCH(QString, args);
    QFETCH(QStringList, simArgs);
    QFETCH(int, code);
    QFETCH(QString, out);
    QFETCH(QString, err);
    QFETCH(QByteArray, frames);
    TempAppDir dir;
    WriteStartFiles(dir);
    dir.write(QStringLiteral("chip.bin"), ChipImage(2048, {{0x345, '\x7F'}}));
    dir.write(QStringLiteral("image.bin"), QByteArray(2048, '\x5A'));
    dir.write(QStringLiteral("broken.hex"), ":10000000FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF01\r\n:00000001FF\r\n");
    simArgs.replaceInStrings(QStringLiteral("CHIP"), dir.file(QStringLiteral("chip.bin")));
    SimHarness sim(simArgs);
    QVERIFY(sim.start());
    const CliRun r = RunCli(dir.path(), args.split(QLatin1Char(' ')), {QStringLiteral("QUIRRA_COM1=") + sim.linkPath()});
    QCOMPARE(r.code, code);
    QCOMPARE(r.out, out);
    QVERIFY2(r.err.contains(err), qPrintable(r.err));
    // The wire: the probe (unless the input was refused first), the type
    // letter, then the function's frames.
    const QStringList expected = QString::fromLatin1(frames).split(QLatin1Char('|'), Qt::SkipEmptyParts);
    const qsizetype gap = expected.indexOf(QStringLiteral("..."));
    if (frames.isEmpty() && code == 3) {  // refused before the port was opened
        QVERIFY(sim.pcFrames().isEmpty());
        return;
    }
    QStringList wire;
    for (const QByteArray& f : FramesWhen(sim, [&](const QVector<QByteArray>& got) {
             return got.size() > expected.size() && (gap < 0 || got.last().toHex(' ').toUpper() == expected.last());
         }))
        wire << QString::fromLatin1(f.toHex(' ').toUpper());
    QCOMPARE(wire.value(0), QStringLiteral("01 54"));
    if (gap < 0) {
        QCOMPARE(wire.mid(1), expected);
    } else {
        QCOMPARE(wire.mid(1, gap), expected.mid(0, gap));
        QCOMPARE(wire.mid(wire.size() - (expected.size() - gap - 1)), expected.mid(gap + 1));
    }
}

void TestCli::roundTrip()
{
    TempAppDir dir;
    WriteStartFiles(dir);
    QByteArray image(65536, '\0');
    QRandomGenerator(12).fillRange(reinterpret_cast<quint32*>(image.data()), image.size() / 4);
    dir.write(QStringLiteral("image.bin"), image);
    SimHarness sim;
    QVERIFY(sim.start());
    const QStringList env = {QStringLiteral("QUIRRA_COM1=") + sim.linkPath()};
    const QStringList device = {QStringLiteral("--device"), QStringLiteral("27C512")};
    CliRun r = RunCli(dir.path(), device + QStringList{QStringLiteral("program"), QStringLiteral("image.bin")}, env);
    QCOMPARE(r.out, QStringLiteral("Programming ...   OK!\n"));
    QCOMPARE(r.code, 0);
    // Plain lines on a pipe: one at every tenth.
    QVERIFY2(r.err.startsWith(QStringLiteral("Programming 0%\nProgramming 10%\n")), qPrintable(r.err));
    QVERIFY(r.err.endsWith(QStringLiteral("Programming 100%\n")));
    r = RunCli(dir.path(), device + QStringList{QStringLiteral("verify"), QStringLiteral("image.bin")}, env);
    QCOMPARE(r.out, QStringLiteral("Verifying ...   OK!\n"));
    QCOMPARE(r.code, 0);
    r = RunCli(dir.path(), device + QStringList{QStringLiteral("--quiet"), QStringLiteral("read"), QStringLiteral("back.hex")}, env);
    QCOMPARE(r.code, 0);
    QCOMPARE(r.out + r.err, QString());
    QCOMPARE(RunCli(dir.path(), {QStringLiteral("convert"), QStringLiteral("back.hex"), QStringLiteral("back.bin")}).code, 0);
    QCOMPARE(dir.read(QStringLiteral("back.bin")), image);
    QCOMPARE(sim.dump(), image);
}

void TestCli::verifyAll()
{
    TempAppDir dir;
    WriteStartFiles(dir);
    dir.write(QStringLiteral("chip.bin"), ChipImage(2048, {{0x10, 0}, {0x200, 0}, {0x201, 0}, {0x202, 0}, {0x7FF, 0}}));
    dir.write(QStringLiteral("image.bin"), QByteArray(2048, '\xFF'));
    SimHarness sim({QStringLiteral("--image"), dir.file(QStringLiteral("chip.bin"))});
    QVERIFY(sim.start());
    const CliRun r = RunCli(dir.path(), {QStringLiteral("verify"), QStringLiteral("--all"), QStringLiteral("image.bin")},
                            {QStringLiteral("QUIRRA_COM1=") + sim.linkPath()});
    QCOMPARE(r.code, 1);
    QCOMPARE(r.out, QStringLiteral("Verify Error at 0010\n  0010 to 0010, 1 bytes\n  0200 to 0202, 3 bytes\n"
                                   "  07FF to 07FF, 1 bytes\n"));
    // Every block is read, as Verify reads them, and "I" ends the cycle.
    const QVector<QByteArray> frames = FramesWhen(sim, [](const QVector<QByteArray>& got) { return got.size() >= 259; });
    QCOMPARE(frames.size(), 2 + 128 * 2 + 1);
    QCOMPARE(frames[frames.size() - 2], QByteArray("\x04\x07\xF0\x00\x01", 5));
    QCOMPARE(frames.last(), QByteArray("\x01I", 2));
}

void TestCli::productionRun()
{
    TempAppDir dir;
    WriteStartFiles(dir);
    dir.write(QStringLiteral("auto.cfg"), "2\r\n3\r\n4\r\n");  // Program, Verify
    dir.write(QStringLiteral("image.bin"), QByteArray(2048, '\x01'));
    SimHarness sim;
    QVERIFY(sim.start());
    const CliRun r = RunCli(dir.path(), {QStringLiteral("auto"), QStringLiteral("image.bin"), QStringLiteral("--repeat"),
                                         QStringLiteral("--log"), QStringLiteral("chips.log")},
                            {QStringLiteral("QUIRRA_COM1=") + sim.linkPath()}, "\n\nq\n");
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
        QCOMPARE(o.value(QStringLiteral("crc32")).toString(),
                 QStringLiteral("%1").arg(cli::Crc32(reinterpret_cast<const uint8_t*>(QByteArray(2048, '\x01').constData()), 2048),
                                          8, 16, QLatin1Char('0')).toUpper());
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

void TestCli::infoAndConvert()
{
    const QByteArray check = "123456789";
    QCOMPARE(cli::Crc32(reinterpret_cast<const uint8_t*>(check.constData()), 9), 0xCBF43926u);
    TempAppDir dir;
    WriteStartFiles(dir);
    dir.write(QStringLiteral("part.hex"), ":020100001234B7\r\n:00000001FF\r\n");
    CliRun r = RunCli(dir.path(), {QStringLiteral("info"), QStringLiteral("part.hex")});
    QCOMPARE(r.code, 0);
    QVERIFY2(r.out.startsWith(QStringLiteral("part.hex: Intel HEX, addresses 0100 to 0101, 2 bytes\n"
                                             "checksum F648, CRC-32 ")),
             qPrintable(r.out));
    r = RunCli(dir.path(), {QStringLiteral("convert"), QStringLiteral("part.hex"), QStringLiteral("part.bin")});
    QCOMPARE(r.code, 0);
    QCOMPARE(dir.read(QStringLiteral("part.bin")), ChipImage(0x102, {{0x100, 0x12}, {0x101, 0x34}}));
    r = RunCli(dir.path(), {QStringLiteral("convert"), QStringLiteral("--buffer-address"), QStringLiteral("10000"),
                            QStringLiteral("part.bin"), QStringLiteral("far.hex")});
    QCOMPARE(r.code, 3);
    QVERIFY2(r.err.contains(QStringLiteral("ends at FFFF")), qPrintable(r.err));
}

QTEST_MAIN(TestCli)
#include "tst_cli.moc"
