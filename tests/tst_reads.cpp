// Reading a chip you can trust: reads compared and voted on as a plain
// function, the image's CRC-32, SHA-1 and SHA-256 against the coreutils
// tools, and quirra-cli's read --reads and info against the emulator with a
// byte that flips now and then.
#include "cli/ChipLog.h"
#include "cli/CliOptions.h"
#include "core/ImageHash.h"
#include "core/ReadCompare.h"
#include "support/SimLink.h"
#include "support/TestSupport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QtTest>

namespace {

// What a tool prints first on its output for `bytes` fed on its input: its
// first word, lower case; empty when it cannot run.
QString ToolSays(const QStringList& command, const QByteArray& bytes)
{
    QProcess p;
    p.start(command.first(), command.mid(1));
    if (!p.waitForStarted(5000))
        return {};
    p.write(bytes);
    p.closeWriteChannel();
    p.waitForFinished(10000);
    return QString::fromLatin1(p.readAllStandardOutput()).section(QLatin1Char(' '), 0, 0).trimmed().toLower();
}

struct CliRun {
    int code = -1;
    QString out;
    QString err;
};

// quirra-cli in dir, its COM1 on the emulator.
CliRun RunCli(const QString& dir, const QString& args, const SimHarness& sim)
{
    QProcess p;
    p.setWorkingDirectory(dir);
    QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
    e.insert(QStringLiteral("XDG_CONFIG_HOME"), dir + QStringLiteral("/no-config"));
    e.insert(QStringLiteral("QUIRRA_COM1"), sim.linkPath());
    p.setProcessEnvironment(e);
    p.start(QStringLiteral(QUIRRA_CLI_PATH), args.split(QLatin1Char(' '), Qt::SkipEmptyParts));
    CliRun r;
    if (p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit)
        r.code = p.exitCode();
    r.out = QString::fromLocal8Bit(p.readAllStandardOutput());
    r.err = QString::fromLocal8Bit(p.readAllStandardError());
    return r;
}

QList<QByteArray> Bytes(std::initializer_list<const char*> hex)
{
    QList<QByteArray> out;
    for (const char* h : hex)
        out << QByteArray::fromHex(h);
    return out;
}

}  // namespace

class TestReads : public QObject {
    Q_OBJECT
private slots:
    void compare_data()
    {
        QTest::addColumn<QList<QByteArray>>("reads");
        QTest::addColumn<QStringList>("differences");
        QTest::addColumn<QStringList>("decided");
        QTest::addColumn<QStringList>("ties");
        QTest::addColumn<QByteArray>("voted");
        auto row = [](const char* name, std::initializer_list<const char*> reads, const QStringList& differences,
                      const QStringList& decided, const QStringList& ties, const char* voted) {
            QTest::newRow(name) << Bytes(reads) << differences << decided << ties << QByteArray::fromHex(voted);
        };
        row("agree", {"00112233", "00112233", "00112233"}, {}, {}, {}, "00112233");
        row("one odd read", {"003F22", "003F22", "007F22"}, {"0001: 3F 3F 7F"}, {"0001: 3F"}, {}, "003F22");
        row("the first read is the odd one", {"7F00", "3F01", "3F01"}, {"0000-0001: 7F00 3F01 3F01"}, {"0000-0001: 3F01"},
            {}, "3F01");
        row("two reads tie", {"AA55", "AA54"}, {"0001: 55 54"}, {}, {"0001"}, "AA55");
        row("three values", {"01", "02", "03", "02", "01"}, {"0000: 01 02 03 02 01"}, {}, {"0000"}, "01");
        row("apart", {"10203040", "11203041", "10203041"}, {"0000: 10 11 10", "0003: 40 41 41"}, {"0000: 10", "0003: 41"},
            {}, "10203041");
        row("a short read", {"0102", "01"}, {"0001: 02 "}, {"0001: 02"}, {}, "0102");
    }
    void compare()
    {
        QFETCH(QList<QByteArray>, reads);
        QFETCH(QStringList, differences);
        QFETCH(QStringList, decided);
        QFETCH(QStringList, ties);
        QFETCH(QByteArray, voted);
        const ReadCompare::Comparison c = ReadCompare::Compare(reads);
        QStringList got[3];
        for (const ReadCompare::Difference& d : c.differences)
            got[0] << ReadCompare::DifferenceText(d);
        for (const ReadCompare::Run& r : c.decided)
            got[1] << ReadCompare::VotedText(c, r);
        for (const ReadCompare::Run& r : c.undecided)
            got[2] << ReadCompare::RunText(r);
        QCOMPARE(got[0], differences);
        QCOMPARE(got[1], decided);
        QCOMPARE(got[2], ties);
        QCOMPARE(c.voted, voted);
        QCOMPARE(c.agree(), differences.isEmpty());
        // A long run is cut, not printed whole.
        const ReadCompare::Comparison longRun = ReadCompare::Compare({QByteArray(40, 1), QByteArray(40, 2)});
        QCOMPARE(ReadCompare::DifferenceText(longRun.differences.first(), 2), QStringLiteral("0000-0027: 0101... 0202..."));
    }

    // The digests of the same bytes as the tools compute them.
    void digests_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("sum");
        QTest::newRow("nothing") << QByteArray() << "0000";
        QTest::newRow("check string") << QByteArray("123456789") << "01DD";
        QTest::newRow("erased 64K") << QByteArray(65536, '\xFF') << "0000";
        QTest::newRow("2K of noise") << RandomImage(2048, 25) << "";
    }
    void digests()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, sum);
        const auto image = std::make_unique<std::array<uint8_t, modFunc::BufferSize>>();
        image->fill(0);
        std::copy(bytes.begin(), bytes.end(), image->begin() + 100);
        const ImageHash::Digests d = ImageHash::Over(*image, 100, 100 + int32_t(bytes.size()));
        if (!sum.isEmpty())
            QCOMPARE(d.checksum, sum);
        QCOMPARE(d.sha1, ToolSays({QStringLiteral("sha1sum")}, bytes));
        QCOMPARE(d.sha256, ToolSays({QStringLiteral("sha256sum")}, bytes));
        // crc32 (libarchive-zip-perl) takes a file; python3's zlib is the same CRC.
        QString crc;
        if (!QStandardPaths::findExecutable(QStringLiteral("python3")).isEmpty())
            crc = ToolSays({QStringLiteral("python3"), QStringLiteral("-c"),
                            QStringLiteral("import sys,zlib;print('%08x'%zlib.crc32(sys.stdin.buffer.read()))")},
                           bytes);
        if (crc.isEmpty())
            QSKIP("python3 is not installed: the CRC-32 is not checked against zlib's");
        QCOMPARE(d.crc32.toLower(), crc);
        if (bytes == "123456789")
            QCOMPARE(d.crc32, QStringLiteral("CBF43926"));
    }

    void options_data()
    {
        QTest::addColumn<QString>("args");
        QTest::addColumn<QString>("error");
        QTest::newRow("three") << "read --reads 3 a.bin" << "";
        QTest::newRow("vote") << "read --reads=9 --vote a.bin" << "";
        QTest::newRow("one") << "read --reads 1 a.bin" << "--reads takes a number of reads from 2 to 9, not \"1\"";
        QTest::newRow("ten") << "read --reads 10 a.bin" << "--reads takes a number of reads from 2 to 9, not \"10\"";
        QTest::newRow("word") << "read --reads x a.bin" << "--reads takes a number of reads from 2 to 9, not \"x\"";
        QTest::newRow("verify") << "verify --reads 3 a.bin" << "--reads belongs to read";
        QTest::newRow("vote alone") << "read --vote a.bin" << "--vote goes with --reads N";
    }
    void options()
    {
        QFETCH(QString, args);
        QFETCH(QString, error);
        cli::Options o;
        QString said;
        QCOMPARE(cli::ParseArguments(args.split(QLatin1Char(' ')), o, &said), error.isEmpty());
        QCOMPARE(said, error);
    }

    void chipLog()
    {
        cli::ChipRecord r;
        r.sha1 = QStringLiteral("da39a3ee5e6b4b0d3255bfef95601890afd80709");
        r.sha256 = QStringLiteral("e3b0");
        const QJsonObject o = QJsonDocument::fromJson(cli::ChipLogLine(r)).object();
        QCOMPARE(o.value(QStringLiteral("sha1")).toString(), r.sha1);
        QCOMPARE(o.value(QStringLiteral("sha256")).toString(), r.sha256);
    }

    // read --reads against the emulator, a 2716 (2K, 128 blocks): its
    // --flaky byte flips on the first read and the fourth of its reads is
    // good again, so three reads give one odd read and two give a tie.
    void readsOnTheEmulator_data()
    {
        QTest::addColumn<QString>("sim");
        QTest::addColumn<QString>("args");
        QTest::addColumn<int>("code");
        QTest::addColumn<QStringList>("says");
        QTest::addColumn<int>("saved");  // -1 nothing, 0 the chip as it is
        QTest::newRow("a good chip") << "" << "read --reads 3 out.bin" << 0 << QStringList{"3 reads agree\n", "SHA-1   "} << 0;
        QTest::newRow("detected") << "--flaky 0x123" << "read --reads 3 out.bin" << 1
                                  << QStringList{"3 reads differ in 1 byte in 1 range; nothing was written:\n  0123: %b %a %a\n"} << -1;
        QTest::newRow("two bytes") << "--flaky 0x123 --flaky 0x124:0x80" << "read --reads 2 out.bin" << 1
                                   << QStringList{"  0123-0124: %b%d %a%c\n"} << -1;
        QTest::newRow("voted") << "--flaky 0x123:0xFF" << "read --reads 3 --vote out.bin" << 1
                               << QStringList{"Decided by vote, 1 byte:\n  0123: %a\n", "CRC-32 "} << 0;
        QTest::newRow("a tie") << "--flaky 0x123" << "read --reads 2 --vote out.bin" << 1
                               << QStringList{"No byte won the vote at these addresses; nothing was written:\n  0123\n"} << -1;
        QTest::newRow("json") << "--flaky 0x7FF" << "--json read --reads 3 out.bin" << 1
                              << QStringList{"\"differences\":[{\"bytes\":1,\"end\":\"07FF\",\"start\":\"07FF\",\"values\":[\"%f\",\"%e\",\"%e\"]}]"}
                              << -1;
        QTest::newRow("no answer") << "--no-reply-from 5" << "read --reads 3 out.bin" << 2 << QStringList{"no reply for block at 0050"} << -1;
    }
    void readsOnTheEmulator()
    {
        QFETCH(QString, sim);
        QFETCH(QString, args);
        QFETCH(int, code);
        QFETCH(QStringList, says);
        QFETCH(int, saved);
        TempAppDir dir;
        dir.write(QStringLiteral("quirra.cfg"), "1\r\n1\r\n1\r\n");
        dir.write(QStringLiteral("quirra.dev"), "\"2716 EPROM 2K\",1,2048\r\n");
        const QByteArray chip = RandomImage(2048, 7);
        dir.write(QStringLiteral("chip.bin"), chip);
        SimHarness emulator(sim.split(QLatin1Char(' '), Qt::SkipEmptyParts)
                            + QStringList{QStringLiteral("--size"), QStringLiteral("2048"), QStringLiteral("--image"),
                                          dir.file(QStringLiteral("chip.bin"))});
        QVERIFY(emulator.start());
        const CliRun r = RunCli(dir.path(), args, emulator);
        QCOMPARE(r.code, code);
        auto hex = [&chip](int a, int mask) { return QString::number(uint8_t(chip[a]) ^ mask, 16).rightJustified(2, QLatin1Char('0')).toUpper(); };
        for (QString text : says) {
            // %a: the byte at 0123, %b: it flipped; %c, %d: 0124; %e, %f: 07FF.
            const QStringList bytes{hex(0x123, 0), hex(0x123, 1), hex(0x124, 0), hex(0x124, 0x80), hex(0x7FF, 0), hex(0x7FF, 1)};
            for (int k = 0; k < bytes.size(); ++k)
                text.replace(QStringLiteral("%") + QChar(u'a' + k), bytes[k]);
            QVERIFY2((r.out + r.err).contains(text), qPrintable(text + QStringLiteral(" in:\n") + r.out + r.err));
        }
        QCOMPARE(QFile::exists(dir.file(QStringLiteral("out.bin"))), saved == 0);
        if (saved == 0) {
            QCOMPARE(dir.read(QStringLiteral("out.bin")), chip);
            QVERIFY(r.out.contains(QStringLiteral("  SHA-256 ") + ToolSays({QStringLiteral("sha256sum")}, chip)));
        }
        // On the wire: the type letter once, then each read whole, each ended by "I".
        const int reads = code == 2 ? 1 : args.section(QStringLiteral("--reads "), 1).left(1).toInt();
        const QVector<QByteArray> frames = emulator.pcFrames();
        QCOMPARE(frames.count(QByteArray("\x01\x61", 2)), 1);
        QCOMPARE(frames.count(QByteArray("\x01I", 2)), code == 2 ? 0 : reads);
        QCOMPARE(frames.count(QByteArray::fromHex("0407F00001")), code == 2 ? 0 : reads);
    }

    // info: the digests over the device's range and over the file's own.
    void info()
    {
        TempAppDir dir;
        dir.write(QStringLiteral("quirra.cfg"), "1\r\n1\r\n1\r\n");
        dir.write(QStringLiteral("quirra.dev"), "\"2716 EPROM 2K\",1,2048\r\n");
        dir.write(QStringLiteral("part.hex"), ":020100001234B7\r\n:00000001FF\r\n");
        SimHarness none;
        const CliRun r = RunCli(dir.path(), QStringLiteral("--json info part.hex"), none);
        QCOMPARE(r.code, 0);
        const QJsonObject o = QJsonDocument::fromJson(r.out.toUtf8()).object();
        QByteArray device(2048, '\xFF');
        device[0x100] = 0x12;
        device[0x101] = 0x34;
        QCOMPARE(o.value(QStringLiteral("sha1")).toString(), ToolSays({QStringLiteral("sha1sum")}, device));
        const QJsonObject own = o.value(QStringLiteral("file")).toObject();
        QCOMPARE(own.value(QStringLiteral("sha256")).toString(), ToolSays({QStringLiteral("sha256sum")}, "\x12\x34"));
        QCOMPARE(own.value(QStringLiteral("checksum")).toString(), QStringLiteral("0046"));
        QCOMPARE(own.value(QStringLiteral("first")).toString(), QStringLiteral("0100"));
    }
};

QTEST_MAIN(TestReads)
#include "tst_reads.moc"
