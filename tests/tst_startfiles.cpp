// Start-up files, the delimited text rules, Hex2 and Hex4.
#include "core/DelimitedText.h"
#include "core/modFunc.h"
#include "devices/DeviceCatalogue.h"
#include "options/AutoFile.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QtTest>

using namespace modFunc;

class TestStartFiles : public QObject {
    Q_OBJECT
private slots:
    void hexHelpers();
    void delimitedReader();
    void configFile();
    void configBadValues();
    void catalogue();
    void catalogueBadFiles();
    void autoFile();
    void autoBadFiles();
    void unreadableFile();
    void saveFailureKeepsOldFile();
};

void TestStartFiles::hexHelpers()
{
    QCOMPARE(Hex2(0), QStringLiteral("00"));
    QCOMPARE(Hex2(15), QStringLiteral("0F"));
    QCOMPARE(Hex2(16), QStringLiteral("10"));
    QCOMPARE(Hex2(255), QStringLiteral("FF"));
    const std::pair<int32_t, const char*> table[] = {
        {0, "0000"}, {15, "000F"}, {16, "0010"}, {255, "00FF"}, {256, "0100"}, {4095, "0FFF"},
        {4096, "1000"}, {65535, "FFFF"}, {65536, "10000"}, {-1, "FFFFFFFF"}, {-16, "FFFFFFF0"},
        {0x7FFFFFFF, "7FFFFFFF"}, {0xABC, "0ABC"}};
    for (auto [v, expected] : table)
        QCOMPARE(Hex4(v), QString::fromLatin1(expected));
}

void TestStartFiles::delimitedReader()
{
    DelimitedReader in("\"27C64, 8K\",1,8192\r\n  \"a\"\"b\" , -12\n\nplain text  ,x y\r\n\r\n7", "t.txt");
    QString s;
    QVERIFY(in.readText(s));
    QCOMPARE(s, QStringLiteral("27C64, 8K"));  // comma inside quotes
    int16_t t = 0;
    int32_t size = 0;
    QVERIFY(in.readInt16(t));
    QCOMPARE(t, int16_t(1));
    QVERIFY(in.readInt32(size));
    QCOMPARE(size, 8192);
    QVERIFY(in.readText(s));  // text after the closing quote is dropped
    QCOMPARE(s, QStringLiteral("a"));
    QCOMPARE(in.line(), 2);
    QVERIFY(in.readInt16(t));  // leading spaces skipped, negative number
    QCOMPARE(t, int16_t(-12));
    QVERIFY(in.readText(s));  // empty line skipped, trailing spaces dropped
    QCOMPARE(s, QStringLiteral("plain text"));
    QCOMPARE(in.line(), 4);
    QVERIFY(in.readText(s));
    QCOMPARE(s, QStringLiteral("x y"));
    QVERIFY(in.readInt16(t));
    QCOMPARE(t, int16_t(7));
    QCOMPARE(in.line(), 6);
    QVERIFY(!in.readInt16(t));
    QCOMPARE(in.line(), 6);
    QVERIFY(in.error().startsWith(QStringLiteral("t.txt, line 6: ")));
    QVERIFY(in.error().contains(QStringLiteral("missing")));

    // Numbers: strict digits, width checked.
    DelimitedReader bad("12a,,+5,32768,-32768,99999999999999999999", "n");
    QVERIFY(!bad.readInt16(t));
    QVERIFY(bad.error().contains(QStringLiteral("\"12a\" is not a number")));
    QVERIFY(!bad.readInt16(t));
    QVERIFY(bad.error().contains(QStringLiteral("missing")));
    QVERIFY(!bad.readInt16(t));
    QVERIFY(!bad.readInt16(t));
    QVERIFY(bad.error().contains(QStringLiteral("outside")));
    QVERIFY(bad.readInt16(t));
    QCOMPARE(t, int16_t(-32768));
    QVERIFY(!bad.readInt32(size));
    QVERIFY(bad.error().contains(QStringLiteral("outside")));

    // One record spread over lines, two sharing a line: same values.
    DelimitedReader spread("\"A\"\r\n1\r\n16\r\n\"B\",2,32,\"C\",3,64\r\n");
    QStringList names;
    for (int i = 0; i < 3; ++i) {
        QVERIFY(spread.readText(s));
        names << s;
        QVERIFY(spread.readInt16(t));
        QCOMPARE(t, int16_t(i + 1));
        QVERIFY(spread.readInt32(size));
        QCOMPARE(size, 16 << i);
    }
    QCOMPARE(names, QStringList({"A", "B", "C"}));

    // Line breaks inside quotes count once each for the line numbers.
    DelimitedReader quoted("\"two\r\nlines\"\r\nx", "q");
    QVERIFY(quoted.readText(s));
    QCOMPARE(s, QStringLiteral("two\r\nlines"));
    QVERIFY(!quoted.readInt16(t));
    QVERIFY(quoted.error().startsWith(QStringLiteral("q, line 3: ")));

    QCOMPARE(DelimitedWriter().number(2).number(-7).number(0).bytes(), QByteArray("2\r\n-7\r\n0\r\n"));
}

void TestStartFiles::configFile()
{
    TempAppDir dir;
    MessageRecorder rec;
    // First start: no files at all.
    QVERIFY(ReadStartFiles().isEmpty());
    QCOMPARE(ComPort, int16_t(1));
    QCOMPARE(DeviceCount, int16_t(0));
    QCOMPARE(DeviceIndex, int16_t(0));
    QCOMPARE(AutoCount, int16_t(0));
    QCOMPARE(SelectedDevice().Size, 0);
    QVERIFY(SelectedDevice().Name.isEmpty());

    // LF-only, extra values after the third are ignored.
    dir.write(ConfigFileName, "2\n25,9\n7\nrubbish\n");
    QVERIFY(LoadConfig().isEmpty());
    QCOMPARE(ComPort, int16_t(2));
    QCOMPARE(DeviceCount, int16_t(25));
    QCOMPARE(DeviceIndex, int16_t(9));

    // Whatever the file held, the saved file is exactly three CR LF lines.
    dir.write(ConfigFileName, QByteArray(5000, 'x'));
    ComPort = 2;
    DeviceCount = 25;
    DeviceIndex = 7;
    QVERIFY(SaveConfig());
    QCOMPARE(dir.read(ConfigFileName), QByteArray("2\r\n25\r\n7\r\n"));
    ComPort = -3;
    QVERIFY(SaveConfig());
    QCOMPARE(dir.read(ConfigFileName), QByteArray("-3\r\n25\r\n7\r\n"));
    QCOMPARE(rec.count(), 0);
}

void TestStartFiles::configBadValues()
{
    TempAppDir dir;
    struct Case {
        QByteArray text;
        int port, count, index;
        const char* says;
    } cases[] = {
        {"abc\r\n3\r\n2\r\n", 1, 3, 2, "quirra.cfg, line 1: \"abc\" is not a number"},
        {"2\r\n3\r\n", 2, 3, 0, "quirra.cfg, line 3: a number is missing"},
        {"", 1, 0, 0, "quirra.cfg, line 1: a number is missing"},
        {"4\r\n60\r\n2\r\n", 4, 50, 2, "quirra.cfg, line 2: the device count 60 is outside 0 to 50; 50 is used"},
        {"4\r\n-5\r\n51\r\n", 4, 0, 50, "quirra.cfg, line 3: the device index 51 is outside 0 to 50; 50 is used"},
        {"4\r\n2\r\n-1\r\n", 4, 2, 0, "quirra.cfg, line 3: the device index -1"},
        {"40000\r\n2\r\n1\r\n", 1, 2, 1, "quirra.cfg, line 1: 40000 is outside -32768 to 32767"},
    };
    for (const Case& c : cases) {
        dir.write(ConfigFileName, c.text);
        MessageRecorder rec;
        ReportStartProblems(ReadStartFiles());
        QCOMPARE(rec.count(), 1);
        QCOMPARE(rec.last().title, QStringLiteral("Quirra"));
        QVERIFY2(rec.last().text.contains(QString::fromLatin1(c.says)), qPrintable(rec.last().text));
        QCOMPARE(ComPort, int16_t(c.port));
        QCOMPARE(DeviceIndex, int16_t(c.index));
        QCOMPARE(DeviceCount, int16_t(c.count));
    }
    // The clamped values are what is written back.
    dir.write(ConfigFileName, "4\r\n60\r\n99\r\n");
    LoadConfig();
    QVERIFY(SaveConfig());
    QCOMPARE(dir.read(ConfigFileName), QByteArray("4\r\n50\r\n50\r\n"));
}

void TestStartFiles::catalogue()
{
    TempAppDir dir;
    MessageRecorder rec;
    dir.write(ConfigFileName, "1\r\n3\r\n2\r\n");
    dir.write(CatalogueFileName,
              "\"27C64, 8K EPROM\",1,8192\r\n\"28C256\"\r\n12\r\n32768\r\n\"AT89C51\",10,4096,\"Extra\",1,16\r\n");
    QVERIFY(ReadStartFiles().isEmpty());
    QCOMPARE(DeviceTable[1].Name, QStringLiteral("27C64, 8K EPROM"));
    QCOMPARE(DeviceTable[1].TypeCode, int16_t(1));
    QCOMPARE(DeviceTable[1].Size, 8192);
    QCOMPARE(DeviceTable[2].Name, QStringLiteral("28C256"));
    QCOMPARE(DeviceTable[2].TypeCode, int16_t(12));
    QCOMPARE(DeviceTable[2].Size, 32768);
    QCOMPARE(DeviceTable[3].Name, QStringLiteral("AT89C51"));
    QCOMPARE(DeviceTable[3].TypeCode, int16_t(10));
    QVERIFY(DeviceTable[4].Name.isEmpty());  // beyond DeviceCount: not read
    QVERIFY(DeviceTable[0].Name.isEmpty());
    QCOMPARE(SelectedDevice().Name, QStringLiteral("28C256"));

    // Unquoted name with a comma splits: the rest of the record shifts.
    dir.write(CatalogueFileName, "27C64, 8K,1,8192\r\n");
    DeviceCount = 1;
    const QStringList p = LoadDeviceCatalogue();
    QCOMPARE(p.size(), 1);
    QVERIFY(p[0].contains(QStringLiteral("\"8K\" is not a number")));
    QVERIFY(p[0].contains(QStringLiteral("0 of 1 device records were read")));

    // Sizes the program cannot serve are kept, and refused by DeviceProblem.
    dir.write(CatalogueFileName, "\"Big\",1,131072\r\n\"Neg\",1,-1\r\n\"Full\",1,65536\r\n");
    DeviceCount = 3;
    QVERIFY(LoadDeviceCatalogue().isEmpty());
    QCOMPARE(DeviceTable[1].Size, 131072);
    QVERIFY(!DeviceProblem(DeviceTable[1]).isEmpty());
    QVERIFY(!DeviceProblem(DeviceTable[2]).isEmpty());
    QVERIFY(DeviceProblem(DeviceTable[3]).isEmpty());
    QVERIFY(DeviceProblem(DeviceTable[0]).isEmpty());
    QCOMPARE(rec.count(), 0);
}

void TestStartFiles::catalogueBadFiles()
{
    TempAppDir dir;
    // Missing catalogue with records expected.
    dir.write(ConfigFileName, "1\r\n5\r\n1\r\n");
    {
        MessageRecorder rec;
        ReportStartProblems(ReadStartFiles());
        QCOMPARE(rec.count(), 1);
        QVERIFY(rec.last().text.contains(QStringLiteral("quirra.dev is missing; 0 of 5 device records were read")));
        QCOMPARE(DeviceCount, int16_t(5));  // kept for writing back
    }
    // Shorter than DeviceCount: the records read are kept.
    dir.write(CatalogueFileName, "\"A\",1,16\r\n\"B\",2,32\r\n\"C\",3\r\n");
    {
        MessageRecorder rec;
        ReportStartProblems(ReadStartFiles());
        QCOMPARE(rec.count(), 1);
        QVERIFY(rec.last().text.contains(QStringLiteral("2 of 5 device records were read")));
        QVERIFY(rec.last().text.contains(QStringLiteral("quirra.dev, line 4: a number is missing")));
        QCOMPARE(DeviceTable[2].Name, QStringLiteral("B"));
        QVERIFY(DeviceTable[3].Name.isEmpty());
        QCOMPARE(DeviceTable[3].Size, 0);
    }
    // A count above 50 is clamped; 60 records never touch slot 51.
    QByteArray many;
    for (int i = 1; i <= 60; ++i)
        many += "\"D" + QByteArray::number(i) + "\"," + QByteArray::number(i) + ",256\r\n";
    dir.write(CatalogueFileName, many);
    dir.write(ConfigFileName, "1\r\n60\r\n50\r\n");
    {
        MessageRecorder rec;
        ReportStartProblems(ReadStartFiles());
        QCOMPARE(rec.count(), 1);  // the clamp message, in the one box
        QCOMPARE(DeviceCount, int16_t(50));
        QCOMPARE(DeviceTable[50].Name, QStringLiteral("D50"));
        QCOMPARE(SelectedDevice().Name, QStringLiteral("D50"));
    }
    // A type code that does not fit 16 bits is malformed.
    dir.write(ConfigFileName, "1\r\n1\r\n1\r\n");
    dir.write(CatalogueFileName, "\"X\",70000,16\r\n");
    {
        MessageRecorder rec;
        ReportStartProblems(ReadStartFiles());
        QCOMPARE(rec.count(), 1);
        QVERIFY(rec.last().text.contains(QStringLiteral("70000 is outside -32768 to 32767")));
        QVERIFY(DeviceTable[1].Name.isEmpty());
    }
}

void TestStartFiles::autoFile()
{
    TempAppDir dir;
    dir.write(AutoFileName, "2\r\n5,3\r\n");
    QVERIFY(LoadAuto().isEmpty());
    QCOMPARE(AutoCount, int16_t(2));
    QCOMPARE(AutoList[1], int16_t(AutoLock));
    QCOMPARE(AutoList[2], int16_t(AutoProgram));
    QVERIFY(SaveAuto());
    QCOMPARE(dir.read(AutoFileName), QByteArray("2\r\n5\r\n3\r\n"));

    const QByteArray stored("5\r\n0\r\n1\r\n2\r\n-4\r\n4\r\n");  // a Read step and an unknown code
    dir.write(AutoFileName, stored);
    QVERIFY(LoadAuto().isEmpty());
    QVERIFY(SaveAuto());
    QCOMPARE(dir.read(AutoFileName), stored);

    dir.write(AutoFileName, "0\r\n");
    QVERIFY(LoadAuto().isEmpty());
    QCOMPARE(AutoCount, int16_t(0));
    QCOMPARE(AutoLabel(0), QStringLiteral("Read"));
    QCOMPARE(AutoLabel(5), QStringLiteral("Lock"));
    QVERIFY(AutoLabel(6).isEmpty());
    QCOMPARE(AutoCodeOf(QStringLiteral("Verify")), 4);
    QCOMPARE(AutoCodeOf(QStringLiteral("verify")), -1);
}

void TestStartFiles::autoBadFiles()
{
    TempAppDir dir;
    // More than 20 steps: only 20 read, slot 0 untouched.
    QByteArray many = "25\r\n";
    for (int i = 0; i < 25; ++i)
        many += "3\r\n";
    dir.write(AutoFileName, many);
    AutoList[0] = 77;
    {
        MessageRecorder rec;
        ReportStartProblems(ReadStartFiles());
        QCOMPARE(rec.count(), 1);
        QVERIFY(rec.last().text.contains(QStringLiteral("auto.cfg, line 1: 25 steps are more than 20")));
    }
    QCOMPARE(AutoCount, int16_t(20));
    QCOMPARE(AutoList[0], int16_t(77));
    QCOMPARE(AutoFileText().count("\r\n"), 21);

    dir.write(AutoFileName, "25\r\n3\r\n");  // too many and too short: both are said
    QString both = ParseAuto("25\r\n3\r\n");
    QVERIFY(both.contains(QStringLiteral("only the first 20 are used")));
    QVERIFY(both.contains(QStringLiteral("1 of 20 Auto steps were read")));
    QCOMPARE(AutoCount, int16_t(1));

    dir.write(AutoFileName, "3\r\n1\r\nErase\r\n");
    {
        MessageRecorder rec;
        ReportStartProblems(ReadStartFiles());
        QCOMPARE(rec.count(), 1);
        QVERIFY(rec.last().text.contains(QStringLiteral("auto.cfg, line 3: \"Erase\" is not a number")));
        QVERIFY(rec.last().text.contains(QStringLiteral("1 of 3 Auto steps were read")));
    }
    QCOMPARE(AutoCount, int16_t(1));

    // Several bad files: still one box, naming each.
    dir.write(ConfigFileName, "x\r\n");
    dir.write(AutoFileName, "y\r\n");
    MessageRecorder rec;
    ReportStartProblems(ReadStartFiles());
    QCOMPARE(rec.count(), 1);
    QVERIFY(rec.last().text.contains(QStringLiteral("quirra.cfg, line 1")));
    QVERIFY(rec.last().text.contains(QStringLiteral("auto.cfg, line 1")));
    QCOMPARE(AutoCount, int16_t(0));
}

void TestStartFiles::unreadableFile()
{
    TempAppDir dir;
    // A directory in place of the file cannot be read as one.
    QVERIFY(QDir(dir.path()).mkdir(ConfigFileName));
    MessageRecorder rec;
    ReportStartProblems(ReadStartFiles());
    QCOMPARE(rec.count(), 1);
    QVERIFY(rec.last().text.startsWith(QStringLiteral("quirra.cfg cannot be read")));
    QCOMPARE(ComPort, int16_t(1));
}

void TestStartFiles::saveFailureKeepsOldFile()
{
    TempAppDir dir;
    AppPath = dir.file(QStringLiteral("no-such-dir"));
    QString missingDirError;
    QVERIFY(!SaveConfig(&missingDirError));
    QVERIFY(!missingDirError.isEmpty());
    AppPath = dir.path();

    dir.write(ConfigFileName, "3\r\n0\r\n0\r\n");
    QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    ComPort = 9;
    QString error;
    const bool saved = SaveConfig(&error);
    QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    if (saved)
        QSKIP("running with rights that ignore directory permissions");
    QVERIFY(!error.isEmpty());
    QCOMPARE(dir.read(ConfigFileName), QByteArray("3\r\n0\r\n0\r\n"));
}

QTEST_MAIN(TestStartFiles)
#include "tst_startfiles.moc"
