// Reading a chip you can trust: reads compared and voted on as a plain
// function, the image's CRC-32, SHA-1 and SHA-256 against the tools, and
// quirra-cli's read --reads and info against the emulator with a byte that
// flips now and then.
#include "core/ImageHash.h"
#include "core/ReadCompare.h"
#include "support/CliRun.h"
#include "support/SimLink.h"
#include "support/TestSupport.h"

#include <QStandardPaths>
#include <QtTest>

namespace {

// The first word of what a command prints for input, lower case.
QString Says(const QStringList& command, const QByteArray& input)
{
    return RunCommand({}, command, nullptr, {}, input).out.section(QLatin1Char(' '), 0, 0).trimmed().toLower();
}

}  // namespace

class TestReads : public QObject {
    Q_OBJECT
private slots:
    // Each row: the reads, then what the comparison gives: "differences |
    // decided by vote | ties", each list joined by ", ", and the voted image.
    void compare_data()
    {
        QTest::addColumn<QString>("reads");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QByteArray>("voted");
        QTest::newRow("agree") << "00112233 00112233 00112233" << " |  | " << QByteArray::fromHex("00112233");
        QTest::newRow("one odd read") << "003F22 003F22 007F22" << "0001: 3F 3F 7F | 0001: 3F | " << QByteArray::fromHex("003F22");
        QTest::newRow("first odd") << "7F00 3F01 3F01" << "0000-0001: 7F00 3F01 3F01 | 0000-0001: 3F01 | "
                                   << QByteArray::fromHex("3F01");
        QTest::newRow("two reads tie") << "AA55 AA54" << "0001: 55 54 |  | 0001" << QByteArray::fromHex("AA55");
        QTest::newRow("three values") << "01 02 03 02 01" << "0000: 01 02 03 02 01 |  | 0000" << QByteArray::fromHex("01");
        QTest::newRow("apart") << "10203040 11203041 10203041" << "0000: 10 11 10, 0003: 40 41 41 | 0000: 10, 0003: 41 | "
                               << QByteArray::fromHex("10203041");
        QTest::newRow("a short read") << "0102 01" << "0001: 02  | 0001: 02 | " << QByteArray::fromHex("0102");
    }
    void compare()
    {
        QFETCH(QString, reads);
        QFETCH(QString, expected);
        QFETCH(QByteArray, voted);
        QList<QByteArray> bytes;
        for (const QString& r : reads.split(QLatin1Char(' ')))
            bytes << QByteArray::fromHex(r.toLatin1());
        const ReadCompare::Comparison c = ReadCompare::Compare(bytes);
        QStringList got[3];
        for (const ReadCompare::Difference& d : c.differences)
            got[0] << ReadCompare::DifferenceText(d);
        for (const ReadCompare::Run& r : c.decided)
            got[1] << ReadCompare::VotedText(c, r);
        for (const ReadCompare::Run& r : c.undecided)
            got[2] << ReadCompare::RunText(r);
        const QString sep = QStringLiteral(", ");
        QCOMPARE(got[0].join(sep) + " | " + got[1].join(sep) + " | " + got[2].join(sep), expected);
        QCOMPARE(c.voted, voted);
        QCOMPARE(c.agree(), got[0].isEmpty());
        // A long run is cut, not printed whole.
        const ReadCompare::Comparison longRun = ReadCompare::Compare({QByteArray(40, 1), QByteArray(40, 2)});
        QCOMPARE(ReadCompare::DifferenceText(longRun.differences.first(), 2), QStringLiteral("0000-0027: 0101... 0202..."));
    }

    // The digests of the same bytes as the tools compute them, and the
    // checksum where it is known.
    void digests()
    {
        // crc32 (libarchive-zip-perl) takes only files; python3's zlib computes the same CRC.
        const QStringList zlib = {QStringLiteral("python3"), QStringLiteral("-c"),
                                  QStringLiteral("import sys,zlib;print('%08x'%zlib.crc32(sys.stdin.buffer.read()))")};
        const bool python = !QStandardPaths::findExecutable(zlib[0]).isEmpty();
        const std::pair<QByteArray, QString> table[] = {
            {QByteArray(), "0000"}, {"123456789", "01DD"}, {QByteArray(65536, '\xFF'), "0000"}, {RandomImage(2048, 25), ""}};
        for (const auto& [bytes, sum] : table) {
            const auto image = std::make_unique<std::array<uint8_t, modFunc::BufferSize>>();
            std::copy(bytes.begin(), bytes.end(), image->begin() + 100);
            const ImageHash::Digests d = ImageHash::Over(*image, 100, 100 + int32_t(bytes.size()));
            QCOMPARE(d.checksum, sum.isEmpty() ? d.checksum : sum);
            QCOMPARE(d.sha1, Says({QStringLiteral("sha1sum")}, bytes));
            QCOMPARE(d.sha256, Says({QStringLiteral("sha256sum")}, bytes));
            QVERIFY(bytes != "123456789" || d.crc32 == QStringLiteral("CBF43926"));
            if (python)
                QCOMPARE(d.crc32.toLower(), Says(zlib, bytes));
        }
        if (!python)
            QSKIP("python3 is not installed: the CRC-32 is not checked against zlib's");
    }

    // quirra-cli against the emulator, a 2716 (2K, 128 blocks): its --flaky
    // byte flips on its first read and not on the next three, so three reads
    // give one odd read and two a tie. In the texts, %a is the byte at 0123
    // and %b that byte flipped; %c, %d: 0124; %e, %f: 07FF; %g the image's
    // SHA-256.
    void onTheEmulator_data()
    {
        QTest::addColumn<QString>("sim");
        QTest::addColumn<QString>("args");
        QTest::addColumn<int>("code");
        QTest::addColumn<QStringList>("says");
        QTest::addColumn<bool>("saved");  // out.bin holds the chip; else there is none
        QTest::newRow("a good chip") << "" << "read --reads 3 out.bin" << 0 << QStringList{"3 reads agree\n", "  SHA-256 %g"} << true;
        QTest::newRow("detected") << "--flaky 0x123" << "read --reads 3 out.bin" << 1
                                  << QStringList{"3 reads differ in 1 byte in 1 range; nothing was written:\n  0123: %b %a %a\n"} << false;
        QTest::newRow("two bytes") << "--flaky 0x123 --flaky 0x124:0x80" << "read --reads 2 out.bin" << 1
                                   << QStringList{"  0123-0124: %b%d %a%c\n"} << false;
        QTest::newRow("voted") << "--flaky 0x123:0xFF" << "read --reads 3 --vote out.bin" << 1
                               << QStringList{"Decided by vote, 1 byte:\n  0123: %a\n", "  SHA-256 %g"} << true;
        QTest::newRow("a tie") << "--flaky 0x123" << "read --reads 2 --vote out.bin" << 1
                               << QStringList{"No byte won the vote at these addresses; nothing was written:\n  0123\n"} << false;
        QTest::newRow("json") << "--flaky 0x7FF" << "--json read --reads 3 out.bin" << 1
                              << QStringList{"\"differences\":[{\"bytes\":1,\"end\":\"07FF\",\"start\":\"07FF\",\"values\":[\"%f\",\"%e\",\"%e\"]}]"}
                              << false;
        QTest::newRow("no answer") << "--no-reply-from 5" << "read --reads 3 out.bin" << 2 << QStringList{"no reply for block at 0050"} << false;
        QTest::newRow("info") << "" << "info chip.bin" << 0 << QStringList{"checksum ", " over 2048 bytes of 2716 EPROM 2K\n  SHA-1   ",
                                                                          " over the file's 0000 to 07FF\n  SHA-1   ", "SHA-256 %g\n"} << false;
    }
    void onTheEmulator()
    {
        QFETCH(QString, sim);
        QFETCH(QString, args);
        QFETCH(int, code);
        QFETCH(QStringList, says);
        QFETCH(bool, saved);
        const QByteArray chip = RandomImage(2048, 7);
        const CliRig dir("\"2716 EPROM 2K\",1,2048\r\n", {{"chip.bin", chip}}, sim + " --size 2048 --image DIR/chip.bin");
        QVERIFY(dir.ok);
        const CliRun r = dir.run(args);
        const QString out = r.out + r.err;
        QCOMPARE(r.code, code);
        QStringList bytes{Says({QStringLiteral("sha256sum")}, chip)};
        for (auto [a, mask] : {std::pair{0x123, 0}, {0x123, 1}, {0x124, 0}, {0x124, 0x80}, {0x7FF, 0}, {0x7FF, 1}})
            bytes.insert(bytes.size() - 1, QString::number(uint8_t(chip[a]) ^ mask, 16).rightJustified(2, u'0').toUpper());
        for (QString text : says) {
            for (int k = 0; k < bytes.size(); ++k)
                text.replace(QStringLiteral("%") + QChar(u'a' + k), bytes[k]);
            QVERIFY2(out.contains(text), qPrintable(text + QStringLiteral(" in:\n") + out));
        }
        QCOMPARE(dir.read(QStringLiteral("out.bin")), saved ? chip : QByteArray());
        // On the wire: the type letter once, then each read whole, each ended by "I".
        const int reads = code >= 2 ? 0 : args.section(QStringLiteral("--reads "), 1).left(1).toInt();
        const QVector<QByteArray> frames = dir.sim.pcFrames();
        QCOMPARE(frames.count(QByteArray("\x01\x61", 2)), code == 3 || args.startsWith(QLatin1String("info")) ? 0 : 1);
        QCOMPARE(frames.count(QByteArray("\x01I", 2)), reads);
        QCOMPARE(frames.count(QByteArray::fromHex("0407F00001")), reads);
    }
};

QTEST_MAIN(TestReads)
#include "tst_reads.moc"
