// Start-up files, the delimited text rules, Hex2 and Hex4.
#include "core/DelimitedText.h"
#include "core/PortMap.h"
#include "core/modFunc.h"
#include "options/AutoFile.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QtTest>
#include <csignal>
#include <sys/resource.h>

using namespace modFunc;

namespace {
// n catalogue records "D<i>",<i>,256, and the same as Records() shows them.
QByteArray Catalogue(int n, int from = 1)
{
    QByteArray out;
    for (int i = from; i <= n; ++i)
        out += "\"D" + QByteArray::number(i) + "\"," + QByteArray::number(i) + ",256\r\n";
    return out;
}
QString CatalogueRecords(int n)
{
    QStringList out;
    for (int i = 1; i <= n; ++i)
        out << QStringLiteral("%1:D%1/%1/256").arg(i);
    return out.join(QLatin1Char('|'));
}
// Every filled slot of DeviceTable as "index:name/type/size".
QString Records()
{
    QStringList out;
    for (int i = 0; i < DeviceSlots; ++i) {
        const DeviceRecord& r = DeviceTable[size_t(i)];
        if (!r.Name.isEmpty() || r.TypeCode || r.Size)
            out << QStringLiteral("%1:%2/%3/%4").arg(i).arg(r.Name).arg(r.TypeCode).arg(r.Size);
    }
    return out.join(QLatin1Char('|'));
}

// The three start files (null: none), then what is read: port, device count
// and index, the records, the Auto steps ("," between), and parts of the one
// message box (none: no box); then ports.cfg (null: none) and the port map
// read, "n=path" with '|' between.
struct StartCase { QByteArray cfg, dev, autoText; QList<int> used; QString records, steps; QStringList says;
                   QByteArray ports{}; QString map{}; };
}  // namespace
Q_DECLARE_METATYPE(StartCase)

class TestStartFiles : public QObject {
    Q_OBJECT
private slots:
    void helpers()
    {
        const std::pair<int32_t, const char*> table[] = {
            {0, "0000"}, {15, "000F"}, {16, "0010"}, {255, "00FF"}, {256, "0100"}, {4095, "0FFF"},
            {4096, "1000"}, {65535, "FFFF"}, {65536, "10000"}, {-16, "FFFFFFF0"}};
        for (auto [v, expected] : table) {
            QCOMPARE(Hex4(v), QString::fromLatin1(expected));
            if (v >= 0 && v < 256)
                QCOMPARE(Hex2(uint8_t(v)), QString::fromLatin1(expected).mid(2));
        }
        QCOMPARE(DelimitedWriter().number(2).number(-7).number(0).bytes(), QByteArray("2\r\n-7\r\n0\r\n"));
        // Sizes the program cannot serve are refused where they are used.
        for (int32_t size : {-1, 0, 65536, 65537})
            QCOMPARE(DeviceProblem({QStringLiteral("X"), 1, size}).isEmpty(), size == 0 || size == 65536);
        QCOMPARE(AutoLabel(5), QStringLiteral("Lock"));
        QVERIFY(AutoLabel(6).isEmpty());
        QCOMPARE(AutoCodeOf(QStringLiteral("Verify")), 4);
        // A port number resolves to the variable, then its ports.cfg line, then ttyS.
        qputenv("QUIRRA_COM9", "/tmp/nine");
        QCOMPARE(ResolvePort(9, {{9, "/x"}}).path, QStringLiteral("/tmp/nine"));
        qunsetenv("QUIRRA_COM9");
        QCOMPARE(ResolvePort(9, {{9, "/x"}}).path, QStringLiteral("/x"));
        QCOMPARE(ResolvePort(9, {{8, "/x"}}).path, QStringLiteral("/dev/ttyS8"));
    }

    // Each row: a text, then what reads of it give, '|' between them: the
    // kind (t text, n 16-bit number, N 32-bit number), then the value, or "!"
    // and a part of the error.
    void delimitedReader()
    {
        const std::pair<QByteArray, const char*> table[] = {
            // a quoted comma; records spread over lines and sharing one
            {"\"27C64, 8K\",1,8192\r\n\"A\"\r\n2\r\n16,\"B\",3,32\r\n", "t27C64, 8K|n1|N8192|tA|n2|N16|tB|n3|N32"},
            // spaces, empty lines, text after a closing quote
            {"  \"a\"x , -12\n\nplain text  ,x y\r\n\r\n7 ",
             "ta|n-12|tplain text  |tx y|t7 |t!t, line 5: a value is missing (the file ends here)"},
            {"12a,,+5,32768,-32768,99999999999999999999,12 ", "n!line 1: \"12a\" is not a number|n!a number is missing|"
             "n!\"+5\" is not|n!32768 is outside -32768 to 32767|n-32768|N!99999999999999999999 is outside|n12"},
            // an open quote ends at its line: no quoted line breaks
            {"\"2716 EPROM 2K,1,2048\r\n\"2732\",1\r\n", "t!t, line 1: the value has no closing quote|t2732|n1"},
            {"\"two\r\nlines\"\r\n", "t!line 1: the value has no closing|tlines\""},
            // a long value is cut in its message
            {"1," + QByteArray(1000000, '9'), "n1|n!line 1: 9999999999"},
            {QByteArray(1000000, 'x'), "n!\"xxxxxxxxxx"}};
        for (const auto& [text, reads] : table) {
            DelimitedReader in(text, QStringLiteral("t"));
            for (const QString& read : QString::fromLatin1(reads).split(QLatin1Char('|'))) {
                QString value;
                int16_t n = 0;
                int32_t big = 0;
                const QChar kind = read[0];
                const QString expect = read.mid(1);
                const bool ok = kind == 't' ? in.readText(value) : kind == 'n' ? in.readInt16(n) : in.readInt32(big);
                const QString got = !ok ? "!" + in.error() : kind == 't' ? value : QString::number(kind == 'n' ? n : big);
                QVERIFY2(expect.startsWith('!') ? got.startsWith('!') && got.contains(expect.mid(1)) : got == expect,
                         qPrintable(got));
                QVERIFY2(in.error().size() < 200, "a message quotes a value whole");
            }
        }
    }

    void startFiles_data()
    {
        QTest::addColumn<StartCase>("c");
        auto row = [](const char* name, const StartCase& c) { QTest::newRow(name) << c; };
        const QByteArray none, cfg111("1\r\n1\r\n1\r\n");
        row("first start", {none, none, none, {1, 0, 0}, "", "", {}});
        row("line ends, extra values, more records than the count", {"3\n3,2\n9\nrubbish\n", Catalogue(5),
            "2\r\n5,3\r\n", {3, 3, 2}, CatalogueRecords(3), "5,3", {}});
        row("catalogue layouts", {"1\r\n4\r\n2\r\n",
            "\"27C64, 8K EPROM\",1,8192\r\n\"28C256\"\r\n12\r\n32768\r\n\"AT89C51\",10,4096,27C512  ,1,-1", none, {1, 4, 2},
            "1:27C64, 8K EPROM/1/8192|2:28C256/12/32768|3:AT89C51/10/4096|4:27C512  /1/-1", "", {}});
        row("port not a number", {"abc\r\n3\r\n2\r\n", Catalogue(3), none, {1, 3, 2}, CatalogueRecords(3), "",
            {"quirra.cfg, line 1: \"abc\" is not a number; COM1 is used."}});
        row("port 0", {"0\r\n0\r\n0\r\n", none, none, {1, 0, 0}, "", "",
            {"quirra.cfg, line 1: the port 0 is outside 1 to 255; COM1 is used."}});
        row("port 256", {"256\r\n0\r\n0\r\n", none, none, {1, 0, 0}, "", "", {"the port 256 is outside 1 to 255"}});
        row("port of a million digits", {"1" + QByteArray(1000000, '7'), none, none, {1, 0, 0}, "", "",
            {"quirra.cfg, line 1: 1777777777"}});
        row("index missing", {"2\r\n3\r\n", Catalogue(3), none, {2, 3, 0}, CatalogueRecords(3), "",
            {"quirra.cfg, line 3: a number is missing"}});
        row("count above 50", {"4\r\n60\r\n50\r\n", Catalogue(60), none, {4, 50, 50}, CatalogueRecords(50), "",
            {"line 2: the device count 60 is outside 0 to 50; 50 is used."}});
        row("index out of range", {"4\r\n-5\r\n51\r\n", none, none, {4, 0, 0}, "", "",
            {"line 3: the device index 51 is outside 0 to 50; 50 is used.", "quirra.cfg: the selected "
             "device record 50 does not exist (0 device records were read); no device is selected."}});
        row("index beyond the records", {"1\r\n3\r\n9\r\n", Catalogue(3), none, {1, 3, 0}, CatalogueRecords(3), "",
            {"device record 9 does not exist (3 device records were"}});
        row("first name without closing quote", {"1\r\n24\r\n8\r\n", "\"2716 EPROM 2K,1,2048\r\n" + Catalogue(24, 2),
            none, {1, 24, 0}, "", "", {"quirra.dev, line 1: the name has no closing quote; 0 of 24 device records were "
            "read.", "the selected device record 8 does not exist"}});
        row("later name without closing quote", {"1\r\n3\r\n1\r\n", "\"A\",1,16\r\n\"B,2,32\r\n\"C\",3,64\r\n", none,
            {1, 3, 1}, "1:A/1/16", "", {"quirra.dev, line 2: the name has no closing quote; 1 of 3 device records were read."}});
        row("unquoted name with a comma", {cfg111, "27C64, 8K,1,8192", none, {1, 1, 0}, "", "",
            {"\"8K\" is not a number; 0 of 1 device records"}});
        row("catalogue missing", {"1\r\n5\r\n1\r\n", none, none, {1, 5, 0}, "", "",
            {"quirra.dev is missing; 0 of 5 device records were read.", "record 1 does not exist"}});
        row("catalogue too short", {"1\r\n5\r\n2\r\n", "\"A\",1,16\r\n\"B\",2,32\r\n\"C\",3\r\n", none, {1, 5, 2},
            "1:A/1/16|2:B/2/32", "", {"quirra.dev, line 4: a number is missing (the file ends here); 2 of 5 device records"}});
        row("type code too big", {cfg111, "\"X\",70000,16", none, {1, 1, 0}, "", "",
            {"quirra.dev, line 1: 70000 is outside -32768 to 32767"}});
        row("Auto steps as they are, a Read and an unknown code", {none, none, "5\r\n0\r\n1\r\n2\r\n-4\r\n4\r\n",
            {1, 0, 0}, "", "0,1,2,-4,4", {}});
        row("25 steps", {none, none, "25\r\n" + QByteArray("3\r\n").repeated(25), {1, 0, 0}, "",
            QStringLiteral("3,").repeated(19) + "3", {"auto.cfg, line 1: 25 steps are more than 20; only the"}});
        row("too many steps and too short", {none, none, "25\r\n3\r\n", {1, 0, 0}, "", "3", {"only the first 20 are "
            "used.\nauto.cfg, line 3: a number is missing (the file ends here); 1 of 20 Auto steps were read."}});
        row("step not a number", {none, none, "3\r\n1\r\nErase\r\n", {1, 0, 0}, "", "1",
            {"auto.cfg, line 3: \"Erase\" is not a number; 1 of 3 Auto"}});
        row("several bad files", {"x\r\n", none, "y\r\n", {1, 0, 0}, "", "",
            {"quirra.cfg, line 1", "auto.cfg, line 1: \"y\" is not a"}});
        // ports.cfg: a problem keeps the lines before it.
        auto ports = [&row, none](const char* name, const QByteArray& text, const QString& map, const char* problem) {
            const QStringList says{problem, "; the ports from this line on open their usual devices."};
            row(name, {none, none, none, {1, 0, 0}, "", "", *problem ? says : QStringList(), text, map});
        };
        const QByteArray byId = "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0";
        ports("ports: empty", "", "", "");
        ports("ports: two lines, LF, spaces", "1,\"" + byId + "\"\r\n 5, \"/dev/ttyACM0\"\n", "1=" + byId + "|5=/dev/ttyACM0", "");
        ports("ports: unquoted, CR alone", "2,/dev/ttyUSB1\r3,/dev/ttyUSB2", "2=/dev/ttyUSB1|3=/dev/ttyUSB2", "");
        ports("ports: a later line wins", "2,\"/a\"\r\n2,\"/b\"\r\n", "2=/b", "");
        ports("ports: port 0", "1,\"/a\"\r\n0,\"/b\"\r\n", "1=/a", "ports.cfg, line 2: 0 is outside 1 to 255");
        ports("ports: not a number", "COM1,\"/a\"", "", "ports.cfg, line 1: \"COM1\" is not a number");
        ports("ports: path missing", "7\r\n", "", "ports.cfg, line 2: a value is missing");
        ports("ports: empty path", "7,\"\"", "", "ports.cfg, line 1: \"\" is not a device path");
        ports("ports: open quote", "7,\"/dev/x\r\n8,\"/y\"", "", "ports.cfg, line 1: the device path has no closing quote");
    }

    void startFiles()
    {
        QFETCH(StartCase, c);
        const QList<int>& used = c.used;
        TempAppDir dir;
        const std::pair<QString, QByteArray> files[] = {{ConfigFileName, c.cfg}, {CatalogueFileName, c.dev},
                                                        {AutoFileName, c.autoText}, {PortMapFileName, c.ports}};
        for (const auto& [name, text] : files)
            if (!text.isNull())
                dir.write(name, text);
        AutoList[0] = 77;
        MessageRecorder rec;
        ReportStartProblems(ReadStartFiles(dir.path()));
        QCOMPARE(rec.count(), c.says.isEmpty() ? 0 : 1);
        for (const QString& part : c.says) {
            QVERIFY2(rec.last().text.contains(part), qPrintable(rec.last().text));
            QCOMPARE(rec.last().title, QStringLiteral("Quirra"));
            QVERIFY2(rec.last().text.size() < 2000, "the box stays small");
        }
        QCOMPARE((QList<int>{ComPort, DeviceCount, DeviceIndex}), used);
        QCOMPARE(Records(), c.records);
        QCOMPARE(AutoList[0], int16_t(77));
        QCOMPARE(SelectedDevice().Name, DeviceTable[size_t(used[2])].Name);
        // What was read (or used instead) is what goes back: quirra.cfg as
        // exactly three lines, auto.cfg as the count and the steps read.
        QVERIFY(SaveConfig() && SaveAuto());
        QCOMPARE(dir.read(ConfigFileName), QStringLiteral("%1\r\n%2\r\n%3\r\n").arg(used[0]).arg(used[1]).arg(used[2]).toLatin1());
        const QStringList steps = c.steps.split(QLatin1Char(','), Qt::SkipEmptyParts);
        QCOMPARE(dir.read(AutoFileName), (QStringList{QString::number(steps.size())} + steps).join("\r\n").toLatin1() + "\r\n");
        QStringList shown;
        for (auto it = PortPaths.cbegin(); it != PortPaths.cend(); ++it)
            shown << QStringLiteral("%1=%2").arg(it.key()).arg(it.value());
        QCOMPARE(shown.join(QLatin1Char('|')), c.map);
        PortMap again;  // the port map is written back as it is read
        QVERIFY(ParsePortMap(PortMapText(PortPaths), again).isEmpty());
        QCOMPARE(again, PortPaths);
    }

    void unreadableAndUnwritable()
    {
        TempAppDir dir;
        // A directory in place of the file can be neither read nor replaced.
        QVERIFY(QDir(dir.path()).mkdir(ConfigFileName));
        MessageRecorder rec;
        ReportStartProblems(ReadStartFiles(dir.path()));
        QCOMPARE(rec.count(), 1);
        QVERIFY(rec.last().text.startsWith(QStringLiteral("quirra.cfg cannot be read")));
        // One message shows ten problems at most.
        QStringList problems;
        for (int i = 1; i <= 13; ++i)
            problems << QStringLiteral("problem %1").arg(i);
        ReportStartProblems(problems);
        QCOMPARE(rec.count(), 2);
        QVERIFY(rec.last().text.contains(QStringLiteral("problem 10\n")));
        QVERIFY(!rec.last().text.contains(QStringLiteral("problem 11")));
        QVERIFY(rec.last().text.endsWith(QStringLiteral("and 3 more")));
        QString error;
        QVERIFY(!SaveConfig(&error) && !error.isEmpty());
        QVERIFY(QFileInfo(dir.file(ConfigFileName)).isDir());
        AppPath = dir.file(QStringLiteral("no-such-dir"));
        QVERIFY(!SaveConfig());
    }

    void shortWriteNamesCause()
    {
        // A file size limit stops the write part way, as a full disk does;
        // the message names the system's cause, and no file is left.
        TempAppDir dir;
        rlimit old{};
        QVERIFY(::getrlimit(RLIMIT_FSIZE, &old) == 0);
        rlimit small = old;
        small.rlim_cur = 4096;
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        QVERIFY(::setrlimit(RLIMIT_FSIZE, &small) == 0);
        QString error;
        const bool written = WriteWholeFile(dir.file(QStringLiteral("big.bin")), QByteArray(100000, 'x'), &error);
        ::setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldHandler);
        QVERIFY(!written);
        QCOMPARE(error, qt_error_string(EFBIG));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList());
    }
};

QTEST_MAIN(TestStartFiles)
#include "tst_startfiles.moc"
