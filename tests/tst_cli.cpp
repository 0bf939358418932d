// quirra-cli's command line and its plain functions, called directly: the
// argument parser, the progress line, port explanations, log lines, exit
// codes, the start directory and serial numbers.
#include "cli/Catalogue.h"
#include "cli/ChipLog.h"
#include "cli/CliHost.h"
#include "cli/CliOptions.h"
#include "cli/Progress.h"
#include "cli/SerialNumbers.h"
#include "platform/PortDiagnosis.h"
#include "support/TestSupport.h"

#include <QtTest>

class TestCli : public QObject {
    Q_OBJECT
private slots:
    void arguments_data();
    void arguments();
    void progressLine();
    void explain();
    void chipLogLine();
    void exitCodes();
    void serialNumbers();
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
    row("help alone", "--help", "", "||||||");
    row("no command", "--quiet", "no command given", "");
    row("unknown command", "burn", "unknown command \"burn\"", "");
    row("unknown option", "probe --fast", "unknown option --fast", "");
    row("missing file", "program", "program takes one file", "");
    row("extra file", "erase x", "erase takes no file", "");
    row("missing value", "probe --port", "--port needs a value", "");
    row("bad format", "read x --format s19", "--format is hex, srec or bin, not \"s19\"", "");
    row("bad output format", "convert a b --to=mot", "--to is hex, srec or bin, not \"mot\"", "");
    row("bad address", "read x --buffer-address 12G4", "--buffer-address takes a hexadecimal address", "");
    row("huge address", "read x --file-address 100000000", "--file-address takes a hexadecimal address", "");
    row("COM0", "probe --port COM0", "--port takes COM1 to COM255", "");
    row("all elsewhere", "read x --all", "--all belongs to verify", "");
    row("repeat elsewhere", "program x --repeat", "--repeat and --log belong to auto", "");
    row("flag with value", "probe --quiet=1", "--quiet takes no value", "");
    row("short options", "-q -p COM2 -d 2716 -f hex -v program -", "", "program|-|COM2|2716|hex||");
    row("-V", "-V", "", "||||||");
    row("unknown short", "-x probe", "unknown option -x", "");
    row("record 0", "--record 0 probe", "--record takes a record number from 1", "");
    row("device and record", "-d 2716 --record 2 probe", "--device and --record both choose", "");
    row("no-verify elsewhere", "verify x --no-verify", "--no-verify belongs to program", "");
    row("json and stdout", "--json read -", "--json and the output - both need standard output", "");
    row("two dashes", "convert - -", "only one FILE can be -", "");
    row("several ports", "auto x -p COM1 --repeat --port=COM2 -p /dev/ttyUSB0", "", "auto|x|COM1||||");
    row("ports without repeat", "auto x -p COM1 -p COM2", "several --port belong to auto --repeat", "");
    row("port twice, spelt two ways", "auto x -p COM1 -p com001 --repeat", "a port is named twice", "");
    row("second port COM0", "auto x -p COM1 -p COM0 --repeat", "--port takes COM1 to COM255", "");
    row("serial", "program x --serial 7FF0:1000:2:be2 --serial-file s.next", "", "program|x|||||");
    row("serial on verify", "verify x --serial 0:1", "--serial belongs to auto and program", "");
    row("serial format", "auto x --serial 0:1:le3", "--serial takes ADDR:START[:STEP][:FORMAT], not \"0:1:le3\": FORMAT", "");
    row("serial step 0", "auto x --serial 0:1:0", "--serial takes ADDR:START[:STEP][:FORMAT], not \"0:1:0\": STEP", "");
    row("serial too large", "auto x --serial 0:65536:le2", "--serial takes ADDR:START[:STEP][:FORMAT], not \"0:65536:le2\": START is larger", "");
    row("serial file alone", "auto x --serial-file s", "--serial-file and --serial-overwrite go with --serial", "");
    row("skip on auto", "auto x --skip-erased", "--skip-erased belongs to program", "");
    row("write-all on program", "program x --write-all", "--write-all belongs to auto", "");
    row("-f srec", "-f srec info x", "", "info|x|||srec||");
    row("--to elsewhere", "read x.bin --to hex", "--to belongs to convert", "");
    row("a value that looks like an option", "-d --port probe", "", "probe|||--port|||");
    row("merge", "convert --merge a b c d -o w.hex", "", "convert|a,b,c,d|||||");
    row("lane 2/2", "program --lane 2/2 a.bin", "--lane takes K/N", "");
    row("lane on info", "info --lane 0/2 a.bin", "--lane belongs to program, verify and read", "");
    row("split 3", "convert --split 3 a.bin", "--split takes 2 or 4 lanes", "");
    row("split two files", "convert --split 2 a.bin b.bin", "convert --split takes one file", "");
    row("merge 3", "convert --merge a b c -o w", "convert --merge takes 2 or 4 lane files", "");
    row("split and merge", "convert --split 2 --merge a b -o w", "--split and --merge", "");
    row("output alone", "convert a b -o w", "--output goes with --merge", "");
    row("split on program", "program --split 2 a", "--split, --merge and --output belong to convert", "");
    row("merge to -", "convert --merge a b -o -", "convert --merge writes to a file, not to -", "");
    row("split with file address", "convert --split 2 --file-address 10 a", "--split and --merge take the files' own addresses; leave out --file-address", "");
    for (const char* n : {"1", "10", "x"})
        row(n, QStringLiteral("read --reads %1 out.bin").arg(QLatin1String(n)),
            qPrintable(QStringLiteral("--reads takes a number of reads from 2 to 9, not \"%1\"").arg(QLatin1String(n))), "");
    row("reads on verify", "verify --reads 3 chip.bin", "--reads belongs to read", "");
    row("vote alone", "read --vote out.bin", "--vote goes with --reads N", "");
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
    auto summarize = [&](const cli::Options& o) {
        return QStringList({o.command, o.files.join(QLatin1Char(',')), o.port, o.device, o.format,
                            num(o.bufferAddress), num(o.fileAddress)}).join(QLatin1Char('|'));
    };
    QCOMPARE(summarize(o), summary);
    // Each port of a run on several gets the same command line with only its own port.
    cli::Options worker;
    QVERIFY2(cli::ParseArguments(cli::WorkerArguments(args, QStringLiteral("COM9")), worker, &why), qPrintable(why));
    QCOMPARE(worker.ports, QStringList{QStringLiteral("COM9")});
    QCOMPARE(summarize(worker), QStringList({summary.section('|', 0, 1), "COM9", summary.section('|', 3)}).join('|'));
}

void TestCli::progressLine()
{
    const struct {
        int percent;
        qint64 elapsedMs;
        const char* line;
    } rows[] = {{0, 0, "Reading [----------]   0%  -:-- left"},
                {25, 10000, "Reading [##--------]  25%  0:30 left"},
                {1, 40000, "Reading [----------]   1%  1:06:00 left"},
                {100, 17070, "Reading [##########] 100%  0:00 left"}};
    for (const auto& row : rows)
        QCOMPARE(cli::ProgressLine(QStringLiteral("Reading"), row.percent, row.elapsedMs, 10), QLatin1String(row.line));
}

// Each case changes the facts of the case before it.
void TestCli::explain()
{
    auto row = [](const char* name, const PortFacts& f, bool busy, const QString& text,
                  const QString& env = "QUIRRA_COM1") {
        const QString got = PortDiagnosis::Explain(f, env, busy);
        QVERIFY2(got == text, qPrintable(QStringLiteral("%1: got \"%2\"").arg(QLatin1String(name), got)));
    };
    const QString path = QStringLiteral("/dev/ttyUSB0");
    const PortFacts usb{.path = path, .device = path, .exists = true, .isCharDevice = true, .accessible = true,
                        .owner = QStringLiteral("root"), .group = QStringLiteral("dialout"), .groupMayOpen = true,
                        .holders = {}};
    PortFacts f = usb;
    f.exists = false;
    row("missing", f, false, "no such device /dev/ttyUSB0: Help explains QUIRRA_COM1");
    row("missing path", f, false, "no such device /dev/ttyUSB0", QString());
    f = usb;
    f.accessible = false;
    row("not in group", f, true, "permission denied on /dev/ttyUSB0: add your user to the group dialout "
                                 "(sudo usermod -aG dialout \"$USER\") and log in again");
    f.inGroupListed = true;
    row("added, not logged in", f, true,
        "permission denied on /dev/ttyUSB0: you were added to the group dialout after you logged in; log in again");
    f.groupMayOpen = false;
    row("owner only", f, true,
        "permission denied on /dev/ttyUSB0: only its owner root may open it; a udev rule can give a group access");
    f = usb;
    f.isCharDevice = false;
    row("plain file", f, false, "/dev/ttyUSB0 is not a serial device");
    f = usb;
    f.holders = {{1234, QStringLiteral("brltty")}};
    row("brltty", f, true,
        "/dev/ttyUSB0 is in use by process 1234 (brltty); " + PortDiagnosis::TroublemakerFix("brltty"));
    f.holders = {{77, QStringLiteral("minicom")}, {78, QStringLiteral("ModemManager")}};
    row("two holders", f, true, "/dev/ttyUSB0 is in use by process 77 (minicom), process 78 (ModemManager); "
                                    + PortDiagnosis::TroublemakerFix("ModemManager"));
    row("held, not refused", f, false, "");
}

void TestCli::chipLogLine()
{
    const cli::ChipRecord r{
        .time = QDateTime(QDate(2024, 5, 6), QTime(7, 8, 9, 10), Qt::UTC), .chip = 3,
        .device = QStringLiteral("27C64 \"EPROM\""),
        .steps = {{QStringLiteral("Program"), {StepResult::Ok}, QStringLiteral("Programming ...   OK!")},
                  {QStringLiteral("Verify"), {StepResult::NoAnswer, 4, 0x200}, QStringLiteral("Verifying ...   Device Fault!")}},
        .checksum = QStringLiteral("1FE0"), .crc32 = QStringLiteral("0A1B2C3D"), .exitCode = 1,
        .port = QStringLiteral("COM2"), .serial = 4294967295u, .interrupted = true};
    QCOMPARE(cli::ChipLogLine(r),
             QByteArray("{\"checksum\":\"1FE0\",\"chip\":3,\"crc32\":\"0A1B2C3D\",\"device\":\"27C64 \\\"EPROM\\\"\",\"exit\":1,"
                        "\"interrupted\":true,\"port\":\"COM2\",\"result\":\"fail\",\"serial\":4294967295,"
                        "\"serial_note\":\"not reused\",\"steps\":[{\"message\":\"Programming ...   OK!\",\"result\":\"ok\",\"step\":\"Program\"},"
                        "{\"error\":\"Communication Error! (Verify, no reply for block at 0200)\",\"message\":\"Verifying ...   Device Fault!\","
                        "\"result\":\"no answer\",\"step\":\"Verify\"}],"
                        "\"time\":\"2024-05-06T07:08:09.010Z\"}" "\n"));
}

// The exit code and the JSON word come from the step's value alone: the
// message text is the same for every row.
void TestCli::exitCodes()
{
    const struct {
        StepResult result;
        bool sequence;  // a step of Auto
        int code;
        const char* word;
    } rows[] = {{StepResult::Ok, false, cli::ExitOk, "ok"},
                {StepResult::ChipError, false, cli::ExitChipFailed, "failed"},
                {StepResult::Refused, true, cli::ExitChipFailed, "failed"},
                {StepResult::NoAnswer, false, cli::ExitNoAnswer, "no answer"},
                {StepResult::NotOffered, false, cli::ExitBadInput, "not available"},
                {StepResult::NotOffered, true, cli::ExitOk, "not available"}};
    const QString message = QStringLiteral("Programming ...   OK!");
    for (const auto& [result, sequence, code, word] : rows) {
        QCOMPARE(cli::ExitCodeFor({{QStringLiteral("Program"), {result}, message}}, sequence), code);
        QCOMPARE(cli::ResultWord(result), QLatin1String(word));
        // A failed step outweighs the steps of the sequence that went well.
        QCOMPARE(cli::ExitCodeFor({{QStringLiteral("Erase"), {StepResult::Ok}, message},
                                   {QStringLiteral("Program"), {result}, message}}, sequence), code);
    }
}

// Each field, then the bytes of its START in hex.
void TestCli::serialNumbers()
{
    const std::pair<QString, QByteArray> rows[] = {
        {"100:305419896", "78 56 34 12"},  // le4 by default
        {"0:4660:le2", "34 12"},
        {"0:4660:1:BE2", "12 34"},
        {"0x10:305419896:be4", "12 34 56 78"},
        {"0:1234:10:ascii8", "30 30 30 30 31 32 33 34"},
        {"0:99999999:ascii8", "39 39 39 39 39 39 39 39"},  // the largest
        {"0:65535:le2", "FF FF"}};                         // the largest
    for (const auto& [field, bytes] : rows) {
        QString error;
        const std::optional<cli::SerialField> s = cli::ParseSerialField(field, &error);
        QVERIFY2(s, qPrintable(field + ": " + error));
        QCOMPARE(cli::SerialBytes(s->start, s->format).toHex(' ').toUpper(), bytes);
        // The state file hands out START, START + STEP, ... and keeps the next.
        TempAppDir dir;
        for (uint64_t k = 0; k < 2; ++k) {
            const std::optional<uint64_t> n = cli::TakeSerial(dir.file("serial.next"), *s, &error);
            const QByteArray saved = dir.read(QStringLiteral("serial.next"));
            if (s->start + k * s->step > cli::SerialLimit(s->format)) {
                QVERIFY(!n);
                QVERIFY2(error.contains(QStringLiteral("larger than the format holds")), qPrintable(error));
                QCOMPARE(saved, QByteArray::number(qulonglong(s->start + s->step)) + '\n');
                continue;
            }
            QCOMPARE(n.value_or(0), s->start + k * s->step);
            QCOMPARE(saved, QByteArray::number(qulonglong(*n + s->step)) + '\n');
        }
    }
}

QTEST_MAIN(TestCli)
#include "tst_cli.moc"
