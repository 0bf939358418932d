// ELF files as avr-gcc and avr-objcopy write them, byte lanes against
// srec_cat's own split, and quirra-cli's --lane on the emulator. The ELF
// reader's own cases are in tst_files, with the other readers.
#include "core/ByteLanes.h"
#include "files/FileFormats.h"
#include "support/CliRun.h"
#include "support/SimLink.h"
#include "support/TestSupport.h"

#include <QStandardPaths>
#include <QtTest>
#include <memory>

using namespace FileFormats;

class TestLanes : public QObject {
    Q_OBJECT
private slots:
    void elfFromAvrGcc()
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
            QCOMPARE(out, QByteArray(reinterpret_cast<const char*>(theirs->data()), out.size()));
        }
    }

    void lanesAgainstSrecCat()
    {
        const QString srec = QStandardPaths::findExecutable(QStringLiteral("srec_cat"));
        if (srec.isEmpty())
            QSKIP("srec_cat (Debian srecord) is not installed");
        for (const int lanes : {2, 4})
            for (const int size : {4096, 4097, 4099, 1}) {
                TempAppDir dir;
                const QByteArray wide = RandomImage(size, QRandomGenerator::global()->generate());
                dir.write(QStringLiteral("w.bin"), wide);
                // srec_cat -split N K 1 for each lane, -unsplit of them back, and
                // quirra-cli's own split and merge give the same files.
                QCOMPARE(RunCli(dir.path(), QStringLiteral("convert --split %1 w.bin").arg(lanes)).code, 0);
                QString unsplit, ours;
                for (int k = 0; k < lanes; ++k) {
                    const QString split = QStringLiteral(" w.bin -binary -split %1 %2 1 -o s%2.bin -binary");
                    QCOMPARE(RunCommand(dir.path(), Words(srec + split.arg(lanes).arg(k))).code, 0);
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
    }

    void laneOnChip()
    {
        // A 16-bit board's 4K image on two 2716: the odd lane programmed into
        // one chip, verified, and read back into the even lane of another file.
        const QByteArray wide = RandomImage(0x1000, 5);
        const QByteArray odd = ByteLanes::Take(wide, {1, 2});
        CliRig dir("\"2716 EPROM 2K\",1,2048\r\n", {{"wide.bin", wide}, {"copy.bin", wide}});
        QVERIFY(dir.ok);
        auto cli = [&](const char* line) { return dir.run(QString::fromLatin1(line)).code; };
        QCOMPARE(cli("-q program --lane 1/2 wide.bin"), 0);
        QByteArray written;  // the block writes on the wire carry the odd bytes, in order
        for (const QByteArray& f : dir.sim.pcFrames())
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
        QCOMPARE(dir.sim.dump().left(0x800), odd);
    }
};

QTEST_GUILESS_MAIN(TestLanes)
#include "tst_lanes.moc"
