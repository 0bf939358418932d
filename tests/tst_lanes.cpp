// ELF files and byte lanes: the ELF reader against what avr-gcc and
// avr-objcopy write and on damaged files, the lanes against srec_cat's own
// split, and quirra-cli's --lane on the emulator.
#include "core/ByteLanes.h"
#include "files/FileFormats.h"
#include "support/CliRun.h"
#include "support/TestSupport.h"

#include <QRandomGenerator>
#include <QStandardPaths>
#include <QtTest>
#include <memory>

using namespace FileFormats;

namespace {

// A little-endian ELF32 executable without sections: the program headers
// (type, offset into `payload`, virtual and physical address, file and
// memory size), then the payload.
struct Segment {
    uint32_t type, offset, vaddr, paddr, filesz, memsz;
};
QByteArray Elf32(const QList<Segment>& segments, const QByteArray& payload)
{
    QByteArray f("\x7f" "ELF\x01\x01\x01", 7);
    auto put = [&f](std::initializer_list<uint32_t> values, int bytes) {
        for (const uint32_t v : values)
            for (int i = 0; i < bytes; ++i)
                f.append(char(v >> (8 * i)));
    };
    f.append(9, '\0');
    put({2, 0x53}, 2), put({1, 0, 52, 0, 0}, 4);  // type, machine; version, entry, phoff, shoff, flags
    put({52, 32, uint32_t(segments.size()), 40, 0, 0}, 2);
    const uint32_t base = 52 + 32 * uint32_t(segments.size());
    for (const Segment& s : segments)
        put({s.type, base + s.offset, s.vaddr, s.paddr, s.filesz, s.memsz, 5, 1}, 4);
    return f + payload;
}

QByteArray Image0(const Image& image, int from, int size)
{
    return QByteArray(reinterpret_cast<const char*>(image.data()) + from, size);
}

const QByteArray Payload = "0123456789ABCDEFabcdefghijklmnop";

}  // namespace

class TestLanes : public QObject {
    Q_OBJECT
private slots:
    void elfRead_data();
    void elfRead();
    void elfFromAvrGcc();
    void lanesAgainstSrecCat_data();
    void lanesAgainstSrecCat();
    void laneOnChip();
};

void TestLanes::elfRead_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<uint>("fileAddress");
    QTest::addColumn<uint>("bufferAddress");
    QTest::addColumn<QString>("error");  // a part of the message; empty: loaded
    QTest::addColumn<int>("at");         // where `bytes` must stand after a load
    QTest::addColumn<QByteArray>("bytes");
    const QByteArray two = Elf32({{1, 0, 0, 0, 16, 16}, {1, 16, 0x800060, 0x10, 8, 12}}, Payload);
    auto patched = [&two](int at, char value) { return two.left(at) + value + two.mid(at + 1); };
    auto row = [](const char* name, const QByteArray& file, const char* error, int at = 0, const QByteArray& bytes = {},
                  uint fileAddress = 0, uint bufferAddress = 0) {
        QTest::newRow(name) << file << fileAddress << bufferAddress << QString::fromLatin1(error) << at << bytes;
    };
    row("physical address, file bytes only", two, "", 0, Payload.left(24) + "\xFF");
    row("offsets as for Intel HEX", two, "", 0x1007, "\xFF" + Payload.mid(8, 16) + "\xFF", 8, 0x1000);
    row("other segment types skipped", Elf32({{6, 0, 0, 0, 4, 4}, {1, 4, 0, 0x20, 4, 4}}, Payload), "", 0,
        QByteArray(4, '\xFF'));
    row("64-bit", patched(4, 2), "64-bit ELF file");
    row("big-endian", patched(5, 2), "big-endian ELF file");
    row("unknown class", patched(4, 0), "is damaged: its class byte is 00");
    row("unknown byte order", patched(5, 7), "is damaged: its byte-order byte is 07");
    row("header cut short", two.left(40), "is damaged");
    row("program headers past the end", patched(44, char(200)), "is damaged");
    row("segment past the end", Elf32({{1, 0, 0, 0, 64, 64}}, Payload), "segment 0 takes file bytes 54 to 93, past its last byte 73");
    row("segment outside the Buffer", Elf32({{1, 0, 0, 0, 4, 4}, {1, 4, 0, 0x810000, 16, 16}}, Payload),
        "Segment 1 holds physical addresses 810000 to 81000F, which land outside the Buffer (0 to 11170). Nothing");
    row("pushed outside by the offset", two, "Segment 0 holds physical addresses 0 to F", 0, {}, 0, 0x11168);
    row("no loadable segment", Elf32({{4, 0, 0, 0, 8, 8}}, Payload), "no loadable segment");
}

void TestLanes::elfRead()
{
    QFETCH(QByteArray, file);
    QFETCH(uint, fileAddress);
    QFETCH(uint, bufferAddress);
    QFETCH(QString, error);
    QFETCH(int, at);
    QFETCH(QByteArray, bytes);
    QCOMPARE(FormatOfContent(file), ImageFormat::Elf);
    const auto image = std::make_unique<Image>();
    image->fill(0xFF);
    const LoadResult r = LoadImage(file, ImageFormat::Elf, *image, fileAddress, bufferAddress);
    QVERIFY2(error.isEmpty() ? r.ok() : r.error.contains(error), qPrintable(r.error));
    if (!error.isEmpty())  // a refused file loads nothing
        QVERIFY(std::all_of(image->begin(), image->end(), [](uint8_t b) { return b == 0xFF; }));
    QCOMPARE(Image0(*image, at, int(bytes.size())), bytes);
}

void TestLanes::elfFromAvrGcc()
{
    // What avr users program: avr-gcc's ELF file, .data loaded after .text
    // though it runs in RAM (800060), against avr-objcopy's Intel HEX of it.
    const QString gcc = QStandardPaths::findExecutable(QStringLiteral("avr-gcc"));
    const QString objcopy = QStandardPaths::findExecutable(QStringLiteral("avr-objcopy"));
    if (gcc.isEmpty() || objcopy.isEmpty())
        QSKIP("avr-gcc and avr-objcopy (Debian gcc-avr, binutils-avr) are not installed");
    TempAppDir dir;
    dir.write(QStringLiteral("p.c"), "#include <avr/eeprom.h>\n"
                                     "volatile unsigned char table[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};\n"
                                     "#ifdef WITH_EEPROM\nEEMEM unsigned char saved[4] = {7, 7, 7, 7};\n#endif\n"
                                     "int main(void) { for (;;) table[0] += table[table[1]]; }\n");
    for (const char* with : {"", "-DWITH_EEPROM"}) {
        const QString compile = QStringLiteral(" -mmcu=at90s8515 -Os %1 -o firmware p.c").arg(QLatin1String(with));
        QCOMPARE(RunCommand(dir.path(), Words(gcc + compile)).code, 0);
        QCOMPARE(RunCommand(dir.path(), Words(objcopy + " -O ihex -R .eeprom firmware p.hex")).code, 0);
        QCOMPARE(FormatOfFile(dir.file(QStringLiteral("firmware"))), ImageFormat::Elf);  // by content, no suffix
        const auto ours = std::make_unique<Image>(), theirs = std::make_unique<Image>();
        ours->fill(0xFF);
        theirs->fill(0xFF);
        QVERIFY(LoadHex(dir.read(QStringLiteral("p.hex")), *theirs, 0, 0).ok());
        const LoadResult r = LoadElf(dir.read(QStringLiteral("firmware")), *ours, 0, 0);
        if (*with) {  // EEPROM data at 810000: refused, naming the section
            QVERIFY2(r.error.contains(QLatin1String("(.eeprom) holds physical addresses 810000 to 810003")),
                     qPrintable(r.error));
            continue;
        }
        QVERIFY2(r.ok(), qPrintable(r.error));
        QVERIFY(*ours == *theirs);
        QVERIFY(std::count(theirs->begin(), theirs->end(), 11) > 0);  // .data is in it
        // The terminal program takes it by content too.
        QCOMPARE(RunCli(dir.path(), "convert firmware out.bin").code, 0);
        const QByteArray out = dir.read(QStringLiteral("out.bin"));
        QCOMPARE(out, Image0(*theirs, 0, int(out.size())));
    }
}

void TestLanes::lanesAgainstSrecCat_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("lanes");
    for (const int lanes : {2, 4})
        for (const int size : {4096, 4097, 4099, 1})
            QTest::addRow("%d bytes in %d lanes", size, lanes) << size << lanes;
}

void TestLanes::lanesAgainstSrecCat()
{
    QFETCH(int, size);
    QFETCH(int, lanes);
    const QString srec = QStandardPaths::findExecutable(QStringLiteral("srec_cat"));
    if (srec.isEmpty())
        QSKIP("srec_cat (Debian srecord) is not installed");
    TempAppDir dir;
    QByteArray wide(size, '\0');
    for (char& c : wide)
        c = char(QRandomGenerator::global()->bounded(256));
    dir.write(QStringLiteral("w.bin"), wide);
    // srec_cat -split N K 1 for each lane, -unsplit of them back, and
    // quirra-cli's own split and merge give the same files.
    QCOMPARE(RunCli(dir.path(), QStringLiteral("convert --split %1 w.bin").arg(lanes)).code, 0);
    QString unsplit, ours;
    for (int k = 0; k < lanes; ++k) {
        QCOMPARE(RunCommand(dir.path(), Words(srec + QStringLiteral(" w.bin -binary -split %1 %2 1 -o s%2.bin -binary").arg(lanes).arg(k))).code, 0);
        const QByteArray theirs = dir.read(QStringLiteral("s%1.bin").arg(k));
        QCOMPARE(ByteLanes::Take(wide, {k, lanes}), theirs);
        QCOMPARE(dir.read(QStringLiteral("w.%1.bin").arg(k)), theirs);
        unsplit += QStringLiteral(" s%2.bin -binary -unsplit %1 %2 1").arg(lanes).arg(k);
        ours += QStringLiteral(" w.%1.bin").arg(k);
    }
    QCOMPARE(RunCommand(dir.path(), Words(srec + unsplit + " -o u.bin -binary")).code, 0);
    QCOMPARE(dir.read(QStringLiteral("u.bin")), wide);
    QCOMPARE(RunCli(dir.path(), QStringLiteral("convert --merge %1 -o m.bin").arg(ours)).code, 0);
    QCOMPARE(dir.read(QStringLiteral("m.bin")), wide);
}

void TestLanes::laneOnChip()
{
    // A 16-bit board's 4K image on two 2716: the odd lane programmed into
    // one chip, verified, and read back into the even lane of another file.
    TempAppDir dir;
    dir.write(QStringLiteral("quirra.cfg"), "1\r\n1\r\n1\r\n");
    dir.write(QStringLiteral("quirra.dev"), "\"2716 EPROM 2K\",1,2048\r\n");
    QByteArray wide(0x1000, '\0');
    for (int i = 0; i < wide.size(); ++i)
        wide[i] = char(i * 7 + i / 256);
    const QByteArray odd = ByteLanes::Take(wide, {1, 2});
    dir.write(QStringLiteral("wide.bin"), wide);
    dir.write(QStringLiteral("copy.bin"), wide);
    SimHarness sim;
    QVERIFY(sim.start());
    auto cli = [&](const char* line) { return RunCli(dir.path(), QString::fromLatin1(line), &sim).code; };
    QCOMPARE(cli("-q program --lane 1/2 wide.bin"), 0);
    QByteArray written;  // the block writes on the wire carry the odd bytes, in order
    for (const QByteArray& f : sim.pcFrames())
        if (f.startsWith('\x14'))
            written += f.mid(5);
    QCOMPARE(written, odd);
    QCOMPARE(cli("-q verify --lane 1/2 wide.bin"), 0);
    QCOMPARE(cli("-q verify --lane 0/2 wide.bin"), 1);
    // Read into lane 0 of a copy: its odd bytes stay, the even ones become
    // the chip's; a file that is not there is made.
    QCOMPARE(cli("-q read --lane 0/2 copy.bin"), 0);
    QCOMPARE(cli("-q read --lane 3/4 new.bin"), 0);
    QByteArray expected = wide;
    ByteLanes::Put(expected, odd, {0, 2});
    QCOMPARE(dir.read(QStringLiteral("copy.bin")), expected);
    QCOMPARE(dir.read(QStringLiteral("new.bin")).size(), 0x2000);
    QCOMPARE(ByteLanes::Take(dir.read(QStringLiteral("new.bin")), {3, 4}), odd);
    QCOMPARE(sim.dump().left(0x800), odd);
}

QTEST_GUILESS_MAIN(TestLanes)
#include "tst_lanes.moc"
