// Intel HEX and binary files as plain functions, and a cross-check with
// srec_cat.
#include "files/FileFormats.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

using namespace FileFormats;

namespace {
// One record; `spoil` is added to the checksum.
QByteArray Rec(int address, int type, const QByteArray& hexData, int spoil = 0)
{
    const QByteArray data = QByteArray::fromHex(hexData);
    const char head[] = {char(data.size()), char(address >> 8), char(address), char(type)};
    const QByteArray bytes = QByteArray(head, 4) + data;
    int sum = spoil;
    for (char c : bytes)
        sum -= uint8_t(c);
    return ':' + (bytes + char(sum)).toHex().toUpper() + "\r\n";
}
const QByteArray End = ":00000001FF\r\n";
const QByteArray D16 = "0102030405060708090A0B0C0D0E0F10";

int Changed(const Image& b) { return int(std::count_if(b.begin(), b.end(), [](uint8_t v) { return v != 0xFF; })); }
QByteArray At(const Image& b, int at, int n) { return QByteArray(reinterpret_cast<const char*>(b.data()) + at, n); }
Image Fresh() { Image b; b.fill(0xFF); return b; }
}  // namespace

class TestFiles : public QObject {
    Q_OBJECT
private slots:
    void hexLoad_data();
    void hexLoad();
    void hexWrite_data();
    void hexWrite();
    void binaryLoad_data();
    void binaryLoad();
    void roundTripsAndOptions();
    void srecCat();
};

void TestFiles::hexLoad_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<uint>("fa");
    QTest::addColumn<uint>("ba");
    QTest::addColumn<QString>("error");
    QTest::addColumn<int>("at");
    QTest::addColumn<QByteArray>("bytes");  // hex digits expected at `at`
    QTest::addColumn<int>("changed");
    const QByteArray r0 = Rec(0, 0, "11"), r10 = Rec(0x10, 0, "55");
    QTest::newRow("only the end record") << End << 0u << 0u << "" << 0 << QByteArray() << 0;
    QTest::newRow("16 bytes at 0x100") << Rec(0x100, 0, D16) + End << 0u << 0u << "" << 0x100 << D16 << 16;
    QTest::newRow("lower case") << Rec(0x10A, 0, "a1b2").toLower() << 0u << 0u << "" << 0x10A << QByteArray("A1B2") << 2;
    QTest::newRow("file address is a lower limit") << Rec(0, 0, D16) << 8u << 0u << "" << 8 << D16.mid(16) << 8;
    QTest::newRow("both offsets") << Rec(0x100, 0, D16) << 0x108u << 0x1000u << "" << 0x1108 << D16.mid(16) << 8;
    QTest::newRow("bad checksum in the third record") << r0 + r10 + Rec(0x20, 0, "66", 1) + End << 0u << 0u << ChecksumMessage << 0 << QByteArray() << 0;
    QTest::newRow("records after the end") << r0 + End + r10 << 0u << 0u << "" << 0 << QByteArray("11") << 1;
    QTest::newRow("blank lines, spaces, CR") << "\r\n  " + r0.trimmed() + " \r\r\n\n" + End << 0u << 0u << "" << 0 << QByteArray("11") << 1;
    QTest::newRow("no end record") << r0 + Rec(1, 0, "22") << 0u << 0u << "" << 0 << QByteArray("1122") << 2;
    QTest::newRow("no colon") << r0.mid(1) << 0u << 0u << "Line 1 is not a valid" << 0 << QByteArray() << 0;
    QTest::newRow("not a hex digit") << r0 + ":01000000G1EE\r\n" << 0u << 0u << "Line 2 is not a valid" << 0 << QByteArray() << 0;
    QTest::newRow("odd digits") << r0.trimmed() + "0" << 0u << 0u << "Line 1 is not a valid" << 0 << QByteArray() << 0;
    QTest::newRow("length does not match") << QByteArray(":0200000011ED") << 0u << 0u << "Line 1 is not a valid" << 0 << QByteArray() << 0;
    QTest::newRow("60 data bytes") << Rec(0, 0, QByteArray(120, '1')) << 0u << 0u << "record with 60 data bytes" << 0 << QByteArray() << 0;
    QTest::newRow("unknown type") << r0 + Rec(0, 6, "") << 0u << 0u << "Line 2 is a record of type 06" << 0 << QByteArray() << 0;
    QTest::newRow("linear 0") << Rec(0, 4, "0000") + r10 << 0u << 0u << "" << 0x10 << QByteArray("55") << 1;
    QTest::newRow("linear 1") << Rec(0, 4, "0001") + r10 << 0u << 0u << "" << 0x10010 << QByteArray("55") << 1;
    QTest::newRow("segment 1000") << Rec(0, 2, "1000") + r10 << 0x10010u << 0u << "" << 0x10010 << QByteArray("55") << 1;
    QTest::newRow("linear record with 1 byte") << Rec(0, 4, "00") << 0u << 0u << "Line 1 is not a valid" << 0 << QByteArray() << 0;
    QTest::newRow("linear record checksum") << Rec(0, 4, "0000", 1) + r10 << 0u << 0u << ChecksumMessage << 0 << QByteArray() << 0;
    QTest::newRow("start records skipped") << Rec(0, 3, "00001234") + Rec(0, 5, "00001234") + r0 << 0u << 0u << "" << 0 << QByteArray("11") << 1;
    QTest::newRow("no wrap at FFFF") << Rec(0xFFF8, 0, D16) << 0u << 0u << "" << 0xFFF8 << D16 << 16;
    QTest::newRow("FFF0 with 2000 lands outside") << r0 + Rec(0xFFF0, 0, D16) << 0u << 0x2000u << "index 11FF0, outside" << 0x2000 << QByteArray("11") << 1;
    QTest::newRow("10000 records") << Rec(0, 0, "").repeated(10000) << 0u << 0u << "" << 0 << QByteArray() << 0;
    QTest::newRow("10001 records") << Rec(0, 0, "").repeated(10001) << 0u << 0u << "more than 10000 data records" << 0 << QByteArray() << 0;
}

void TestFiles::hexLoad()
{
    QFETCH(QByteArray, text);
    QFETCH(uint, fa);
    QFETCH(uint, ba);
    QFETCH(QString, error);
    QFETCH(int, at);
    QFETCH(QByteArray, bytes);
    Image b = Fresh();
    const LoadResult r = LoadHex(text, b, fa, ba);
    QVERIFY2(error.isEmpty() ? r.ok() : r.error.contains(error), qPrintable(r.error));
    QCOMPARE(r.checksumError, error == ChecksumMessage);
    QCOMPARE(At(b, at, int(bytes.size() / 2)).toHex().toUpper(), bytes);
    QTEST(Changed(b), "changed");
}

void TestFiles::hexWrite_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("lines");
    QTest::addColumn<int>("line");
    QTest::addColumn<QByteArray>("text");
    const QByteArray ff(32, 'F');
    QTest::newRow("size 0") << 0 << 1 << 0 << End.trimmed();
    QTest::newRow("16 bytes") << 16 << 2 << 0 << ":10000000" + ff + "00";
    QTest::newRow("second record") << 32 << 3 << 1 << ":10001000" + ff + "F0";
    QTest::newRow("8 bytes, one full record") << 8 << 2 << 0 << ":10000000" + ff + "00";
    QTest::newRow("64 KiB") << 0x10000 << 4097 << 4095 << ":10FFF000" + ff + "11";
}

void TestFiles::hexWrite()
{
    QFETCH(int, size);
    QFETCH(int, line);
    const QByteArray file = HexImage(Fresh(), size);
    QVERIFY(file.endsWith("\r\n" + End) || file == End);
    const QList<QByteArray> lines = file.chopped(2).split('\n');
    QTEST(int(lines.size()), "lines");
    QTEST(lines[line].trimmed(), "text");
}

void TestFiles::binaryLoad_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<uint>("fa");
    QTest::addColumn<uint>("ba");
    QTest::addColumn<QString>("error");
    QTest::addColumn<int>("changed");
    QTest::newRow("empty") << 0 << 0u << 0u << "" << 0;
    QTest::newRow("70001 bytes") << 70001 << 0u << 0u << "" << 70001;
    QTest::newRow("70002 bytes") << 70002 << 0u << 0u << "file offset 11171 lands at index 11171" << 70001;
    QTest::newRow("file address") << 0x200 << 0x100u << 0u << "" << 0x100;
    QTest::newRow("buffer address") << 0x200 << 0u << 0x100u << "" << 0x200;
    QTest::newRow("file address past the end") << 0x200 << 0x300u << 0u << "" << 0;
    QTest::newRow("both, outside") << 0x200 << 0x100u << 0x11000u << "file offset 171 lands at index 11171" << 0x71;
}

void TestFiles::binaryLoad()
{
    QFETCH(int, size);
    QFETCH(uint, fa);
    QFETCH(uint, ba);
    QFETCH(QString, error);
    QByteArray file(size, 0);
    for (int p = 0; p < size; ++p)
        file[p] = char(p % 251);
    Image b = Fresh();
    const LoadResult r = PlaceBinary(file.mid(fa, BinaryReadLength(fa, ba)), b, fa, ba);
    QVERIFY2(error.isEmpty() ? r.ok() : r.error.contains(error), qPrintable(r.error));
    QTEST(Changed(b), "changed");
    if (Changed(b))
        QCOMPARE(b[fa + ba], uint8_t(file[fa]));
}

void TestFiles::roundTripsAndOptions()
{
    Image a;
    QRandomGenerator rng(7);
    for (auto& v : a)
        v = uint8_t(rng.bounded(256));
    Image b = Fresh();
    QVERIFY(LoadHex(HexImage(a, 0x10000), b, 0, 0).ok());
    QCOMPARE(At(b, 0, 0x10000), At(a, 0, 0x10000));
    QCOMPARE(modFunc::HexLineCount, int16_t(4096));
    b = Fresh();
    QVERIFY(PlaceBinary(BinaryImage(a, 2048), b, 0, 0).ok());
    QCOMPARE(At(b, 0, 2049), At(a, 0, 2048) + '\xFF');

    for (auto [text, value] : {std::pair{"1000", 4096LL}, {"8000", 32768}, {"ff", 255}, {"12G4", 18}, {"", 0},
                               {"G1", 0}, {"00000000FFFFFFFF", 0xFFFFFFFF}, {"100000000", -1}}) {
        const std::optional<uint32_t> v = ReadHexOffset(QString::fromLatin1(text));
        QCOMPARE(v ? qint64(*v) : -1, value);
    }
    for (auto [size, hex, ok] : {std::tuple{0x10000, true, true}, {0x10001, true, false}, {70001, false, true},
                                 {70002, false, false}, {-1, false, false}})
        QCOMPARE(SaveProblem({QStringLiteral("X"), 1, size}, hex).isEmpty(), ok);
}

// srec_cat's files (with their extended records and 32-byte records) load
// into the same bytes; ours read back in srec_cat to the same bytes.
void TestFiles::srecCat()
{
    if (QStandardPaths::findExecutable(QStringLiteral("srec_cat")).isEmpty())
        QSKIP("srec_cat (Debian package srecord) is not installed; test.sh installs it");
    QTemporaryDir dir;
    auto srec = [&](const QStringList& args) {
        QProcess p;
        p.setWorkingDirectory(dir.path());
        p.start(QStringLiteral("srec_cat"), args);
        return p.waitForFinished(30000) && p.exitCode() == 0;
    };
    auto file = [&](const char* name) { QFile f(dir.filePath(QString::fromLatin1(name))); f.open(QIODevice::ReadWrite); return f.readAll(); };
    Image a;
    QRandomGenerator rng(3);
    for (auto& v : a)
        v = uint8_t(rng.bounded(256));
    QFile in(dir.filePath(QStringLiteral("in.bin")));
    QVERIFY(in.open(QIODevice::WriteOnly) && in.write(BinaryImage(a, 0x1000)) == 0x1000);
    in.close();
    QVERIFY(srec({"in.bin", "-binary", "-o", "low.hex", "-intel"}));
    QVERIFY(srec({"in.bin", "-binary", "-offset", "0x10000", "-o", "high.hex", "-intel"}));
    const QByteArray low = file("low.hex"), high = file("high.hex");
    QVERIFY(low.startsWith(":020000040000FA") && high.startsWith(":020000040001F9"));
    Image b = Fresh();
    QVERIFY(LoadHex(low, b, 0, 0).ok() && LoadHex(high, b, 0, 0).ok());
    QCOMPARE(At(b, 0, 0x1000), At(a, 0, 0x1000));
    QCOMPARE(At(b, 0x10000, 0x1000), At(a, 0, 0x1000));

    QFile ours(dir.filePath(QStringLiteral("ours.hex")));
    QVERIFY(ours.open(QIODevice::WriteOnly) && ours.write(HexImage(a, 0x10000)) > 0);
    ours.close();
    QVERIFY(srec({"ours.hex", "-intel", "-o", "back.bin", "-binary"}));
    QCOMPARE(file("back.bin"), At(a, 0, 0x10000));
}

QTEST_GUILESS_MAIN(TestFiles)
#include "tst_files.moc"
