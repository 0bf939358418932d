// Intel HEX, S-record, ELF and binary files: the plain functions, a cross-check
// with srec_cat, and File > Load and File > Save on a real main window with the
// file dialog scripted and the options window worked while it is shown.
#include "buffer/BufferCommands.h"
#include "buffer/frmBuffer.h"
#include "files/FileFormats.h"
#include "files/frmFileLoad.h"
#include "support/MainWindowCase.h"

#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

using namespace FileFormats;
using modFunc::Buffer;

namespace {
// One record; `spoil` is added to the checksum.
QByteArray Rec(int address, int type, const QByteArray& hexData, int spoil = 0)
{
    const QByteArray data = QByteArray::fromHex(hexData);
    const char head[] = {char(data.size()), char(address >> 8), char(address), char(type)};
    int sum = spoil;
    for (char c : QByteArray(head, 4) + data)
        sum -= uint8_t(c);
    return ':' + (QByteArray(head, 4) + data + char(sum)).toHex().toUpper() + "\r\n";
}
// One S-record of type S`type` with an address of `addressBytes` bytes;
// `spoil` is added to the checksum.
QByteArray SRec(int type, uint address, const QByteArray& hexData, int spoil = 0)
{
    static const int addressBytes[] = {2, 2, 3, 4, 0, 2, 3, 4, 3, 2};
    QByteArray body;
    for (int k = addressBytes[type] - 1; k >= 0; --k)
        body += char(address >> (8 * k));
    body += QByteArray::fromHex(hexData);
    body.prepend(char(body.size() + 1));
    int sum = spoil;
    for (char c : body)
        sum += uint8_t(c);
    return 'S' + QByteArray::number(type) + (body + char(~sum)).toHex().toUpper() + "\r\n";
}
// A little-endian ELF32 executable without sections: the program headers
// (type, offset into `payload`, virtual and physical address, file and
// memory size), then the payload.
struct Segment { uint32_t type, offset, vaddr, paddr, filesz, memsz; };
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
const QByteArray Payload = "0123456789ABCDEFabcdefghijklmnop";
const QByteArray End = ":00000001FF\r\n", D16 = "0102030405060708090A0B0C0D0E0F10";
const QByteArray GoodHex = ":02010000ABCD85\r\n" + End;

int Changed(const Image& b) { return int(std::count_if(b.begin(), b.end(), [](uint8_t v) { return v != 0xFF; })); }
QByteArray At(const Image& b, int at, int n) { return QByteArray(reinterpret_cast<const char*>(b.data()) + at, n); }
Image Filled(int seed)  // all FF for seed 0, else random
{
    Image a;
    QRandomGenerator rng(seed);
    for (auto& v : a)
        v = seed ? uint8_t(rng.bounded(256)) : 0xFF;
    return a;
}

// A load: the file, the offsets, the error expected ("" none), the bytes
// (hex digits) expected at `at` and how many Buffer bytes differ from FF.
// A binary file is cut to the bytes the program reads of it.
struct LoadCase { QByteArray text; uint fa, ba; QString error; int at = 0; QByteArray bytes{}; int changed = 0; };
// A command: the name chosen, the file there before (null: none), the
// options window's choice ("hex", "bin", "" for the preselection), the
// Buffer Address typed, left by the close box?, the message expected; for a
// load Buffer[at] == value afterwards, for a save of a device of `size` the
// file holds `after`.
struct CommandCase {
    QString name{};
    QByteArray before{};
    QString choice{}, ba = QStringLiteral("0");
    bool close = false;
    QString message{};
    int at = 0, value = 0, size = 0;
    QByteArray after{};
    QString lane{};  // the byte lane chosen, "K/N"; empty: all bytes
};
}  // namespace
Q_DECLARE_METATYPE(LoadCase)
Q_DECLARE_METATYPE(CommandCase)

class TestFiles : public QObject {
    Q_OBJECT
    std::optional<MainWindowCase> f_;
    QStringList starts_;  // the name each file dialog opened with

    // Runs the menu item with `name` chosen in the file dialog (empty for
    // Cancel); `act` works the options window. Returns whether it was shown.
    bool Run(QAction* item, const QString& name, const std::function<void(frmFileLoad*)>& act)
    {
        SetFileDialogHandler([&](FileDialogMode mode, const QString& start) {
            starts_ << start;
            return mode == (item == f_->main->FileLoad ? FileDialogMode::Open : FileDialogMode::Save) ? name : QString();
        });
        return WhileModal<frmFileLoad>([item] { item->trigger(); }, [&](frmFileLoad* w) {
            QCOMPARE(w->parentWidget(), f_->main.get());
            act(w);
        });
    }

private slots:
    void init() { f_.emplace(); }
    void cleanup()
    {
        SetFileDialogHandler({});
        f_.reset();
    }

    void load_data()
    {
        QTest::addColumn<int>("format");
        QTest::addColumn<LoadCase>("c");
        const QByteArray r0 = Rec(0, 0, "11"), r10 = Rec(0x10, 0, "55");
        ImageFormat format = ImageFormat::IntelHex;
        auto row = [&format](const char* name, LoadCase c) {
            const char* kinds[] = {"bin", "hex", "srec", "elf"};
            QTest::addRow("%s: %s", kinds[int(format)], name) << int(format) << c;
        };
        row("only the end record", {End, 0, 0, ""});
        row("16 bytes at 0x100", {Rec(0x100, 0, D16) + End, 0, 0, "", 0x100, D16, 16});
        row("lower case", {Rec(0x10A, 0, "a1b2").toLower(), 0, 0, "", 0x10A, "A1B2", 2});
        row("both offsets", {Rec(0x100, 0, D16), 0x108, 0x1000, "", 0x1108, D16.mid(16), 8});
        row("bad checksum in the third record", {r0 + r10 + Rec(0x20, 0, "66", 1) + End, 0, 0, ChecksumMessage});
        row("records after the end", {r0 + End + r10, 0, 0, "", 0, "11", 1});
        row("blank lines, spaces, CR", {"\r\n  " + r0.trimmed() + " \r\r\n\n" + End, 0, 0, "", 0, "11", 1});
        row("CR alone ends a line", {QByteArray(r0 + r10 + End).replace("\r\n", "\r"), 0, 0, "", 0x10, "55", 2});
        row("CR alone, line 3 damaged", {QByteArray(r0 + r10 + "junk\r\n").replace("\r\n", "\r"), 0, 0, "Line 3 is not"});
        row("no end record", {r0 + Rec(1, 0, "22"), 0, 0, "", 0, "1122", 2});
        row("no colon", {r0.mid(1), 0, 0, "Line 1 is not a valid"});
        row("not a hex digit", {r0 + ":01000000G1EE\r\n", 0, 0, "Line 2 is not a valid"});
        row("odd digits", {r0.trimmed() + "0", 0, 0, "Line 1 is not a valid"});
        row("length does not match", {":0200000011ED", 0, 0, "Line 1 is not a valid"});
        row("60 data bytes", {Rec(0, 0, QByteArray(120, '1')), 0, 0, "record with 60 data bytes"});
        row("unknown type", {r0 + Rec(0, 6, ""), 0, 0, "Line 2 is a record of type 06"});
        row("linear 1", {Rec(0, 4, "0001") + r10, 0, 0, "", 0x10010, "55", 1});
        row("segment 1000, file address", {Rec(0, 2, "1000") + r10, 0x10010, 0, "", 0x10010, "55", 1});
        row("linear record with 1 byte", {Rec(0, 4, "00"), 0, 0, "Line 1 is not a valid"});
        row("linear record checksum", {Rec(0, 4, "0000", 1) + r10, 0, 0, ChecksumMessage});
        row("start records skipped", {Rec(0, 3, "00001234") + Rec(0, 5, "00001234") + r0, 0, 0, "", 0, "11", 1});
        row("no wrap at FFFF", {Rec(0xFFF8, 0, D16), 0, 0, "", 0xFFF8, D16, 16});
        row("FFF0 with 2000 lands outside", {r0 + Rec(0xFFF0, 0, D16), 0, 0x2000, "index 11FF0, outside", 0x2000, "11", 1});
        row("10000 records", {Rec(0, 0, "").repeated(10000), 0, 0, ""});
        row("10001 records", {Rec(0, 0, "").repeated(10001), 0, 0, "more than 10000 data records"});
        format = ImageFormat::SRecord;
        const QByteArray head = SRec(0, 0, "48445200"), s9 = SRec(9, 0, "");
        row("S1 with S5 and S9", {head + SRec(1, 0x100, D16) + SRec(5, 1, "") + s9, 0, 0, "", 0x100, D16, 16});
        row("S2 and S8", {SRec(2, 0x10010, "55") + SRec(8, 0, ""), 0, 0, "", 0x10010, "55", 1});
        row("S3, S7, lower case, LF", {SRec(3, 0x10A, "a1b2").toLower().replace("\r", ""), 0, 0, "", 0x10A, "A1B2", 2});
        row("CR ends, blank lines", {SRec(1, 0, "11").replace("\r\n", "\r") + "\r\n\r\n" + SRec(1, 1, "22"), 0, 0, "", 0, "1122", 2});
        row("both offsets", {SRec(1, 0x100, D16), 0x108, 0x1000, "", 0x1108, D16.mid(16), 8});
        row("records after the end", {SRec(1, 0, "11") + s9 + SRec(1, 0x10, "55"), 0, 0, "", 0, "11", 1});
        row("S6 count", {SRec(1, 0, "11") + SRec(6, 1, ""), 0, 0, "", 0, "11", 1});
        row("wrong count", {SRec(1, 0, "11") + SRec(1, 1, "22") + SRec(5, 1, ""), 0, 0, "Line 3 counts 1 data records, but the file has 2"});
        row("checksum in the last record", {SRec(1, 0, "11") + SRec(9, 0, "", 1), 0, 0, "Line 2 has a wrong checksum"});
        row("byte count too large", {"S1060000110000\r\n", 0, 0, "Line 1 is not a valid Motorola S-record: its byte count"});
        row("count record with data", {SRec(5, 0, "00"), 0, 0, "Line 1 is not a valid Motorola S-record: a count"});
        row("S4", {SRec(1, 0, "11") + "S4030000FC\r\n", 0, 0, "Line 2 is a record of type S4"});
        row("not a record", {SRec(1, 0, "11") + ":0100000011EE", 0, 0, "Line 2 is not a valid Motorola"});
        row("odd digits", {SRec(1, 0, "11").trimmed() + "0", 0, 0, "Line 1 is not a valid"});
        row("bad digit", {"S1040000G1EA", 0, 0, "Line 1 is not a valid"});
        row("no address", {"S101FE", 0, 0, "Line 1 is not a valid"});
        row("outside the Buffer", {SRec(1, 0, "11") + SRec(3, 0x11170, "2233"), 0, 0, "address 11171 (line 2) lands at index 11171", 0, "11", 2});
        row("32-bit address with offset", {SRec(3, 0xFFFFFFFF, "33"), 0, 0x1000, "index 100000FFF"});
        row("255-byte record", {SRec(1, 0, QByteArray(504, '7')), 0, 0, "", 251, "77", 252});
        format = ImageFormat::Elf;
        const QByteArray two = Elf32({{1, 0, 0, 0, 16, 16}, {1, 16, 0x800060, 0x10, 8, 12}}, Payload);
        const QByteArray p = Payload.toHex().toUpper();
        auto patched = [&two](int at, char value) { return two.left(at) + value + two.mid(at + 1); };
        row("physical address, file bytes only", {two, 0, 0, "", 0, p.left(48) + "FF", 24});
        row("offsets as for Intel HEX", {two, 8, 0x1000, "", 0x1007, "FF" + p.mid(16, 32) + "FF", 16});
        row("other segment types skipped", {Elf32({{6, 0, 0, 0, 4, 4}, {1, 4, 0, 0x20, 4, 4}}, Payload), 0, 0, "", 0x20, p.mid(8, 8), 4});
        row("64-bit", {patched(4, 2), 0, 0, "64-bit ELF file"});
        row("big-endian", {patched(5, 2), 0, 0, "big-endian ELF file"});
        row("unknown class", {patched(4, 0), 0, 0, "is damaged: its class byte is 00"});
        row("unknown byte order", {patched(5, 7), 0, 0, "is damaged: its byte-order byte is 07"});
        row("header cut short", {two.left(40), 0, 0, "is damaged"});
        row("program headers past the end", {patched(44, char(200)), 0, 0, "is damaged"});
        row("segment past the end", {Elf32({{1, 0, 0, 0, 64, 64}}, Payload), 0, 0, "segment 0 takes file bytes 54 to 93, past its last byte 73"});
        row("segment outside the Buffer", {Elf32({{1, 0, 0, 0, 4, 4}, {1, 4, 0, 0x810000, 16, 16}}, Payload), 0, 0,
            "Segment 1 holds physical addresses 810000 to 81000F, which land outside the Buffer (0 to 11170). Nothing"});
        row("pushed outside by the offset", {two, 0, 0x11168, "Segment 0 holds physical addresses 0 to F"});
        row("no loadable segment", {Elf32({{4, 0, 0, 0, 8, 8}}, Payload), 0, 0, "no loadable segment"});
        format = ImageFormat::Binary;  // file byte p is p % 251, never FF
        auto bin = [](int size) {
            QByteArray file(size, 0);
            for (int p = 0; p < size; ++p)
                file[p] = char(p % 251);
            return file;
        };
        row("empty", {bin(0), 0, 0, ""});
        row("70001 bytes", {bin(70001), 0, 0, "", 0x1116F, "DDDE", 70001});
        row("70002 bytes", {bin(70002), 0, 0, "file offset 11171 lands at index 11171", 0x1116F, "DDDE", 70001});
        row("file address", {bin(0x200), 0x100, 0, "", 0xFF, "FF0506", 0x100});
        row("buffer address", {bin(0x200), 0, 0x100, "", 0xFF, "FF0001", 0x200});
        row("file address past the end", {bin(0x200), 0x300, 0, ""});
        row("both, past the Buffer", {bin(0x200), 0x100, 0x11000, "file offset 171 lands at index 11171", 0x110FF,
                                      "FF0506", 0x71});
    }
    void load()
    {
        QFETCH(int, format);
        QFETCH(LoadCase, c);
        Image b = Filled(0);
        QByteArray header;
        const bool bin = ImageFormat(format) == ImageFormat::Binary;
        const QByteArray file = bin ? c.text.mid(c.fa, BinaryReadLength(c.fa, c.ba)) : c.text;
        const LoadResult r = LoadImage(file, ImageFormat(format), b, c.fa, c.ba, &header);
        QVERIFY2(c.error.isEmpty() ? r.ok() : r.error.contains(c.error), qPrintable(r.error));
        QCOMPARE(r.checksumError, c.error == ChecksumMessage);
        QCOMPARE(At(b, c.at, int(c.bytes.size() / 2)).toHex().toUpper(), c.bytes);
        QCOMPARE(Changed(b), c.changed);
        QCOMPARE(header, c.text.startsWith("S0") ? QByteArray("HDR", 4) : QByteArray());
    }

    // The writers on an erased Buffer: the line count and one line; what each
    // writes loads back as it was; then the offsets as typed.
    void writersAndOffsets()
    {
        const QByteArray f32(32, 'F');
        for (auto [srec, size, lines, line, text] :
             {std::tuple{false, 0, 1, 0, End.trimmed()}, {false, 16, 2, 0, ":10000000" + f32 + "00"},
              {false, 32, 3, 1, ":10001000" + f32 + "F0"}, {false, 8, 2, 0, ":10000000" + f32 + "00"},
              {false, 0x10000, 4097, 4095, ":10FFF000" + f32 + "11"}, {true, 0, 3, 1, QByteArray("S5030000FC")},
              {true, 16, 4, 1, "S1130000" + f32 + "FC"}, {true, 0x10001, 4100, 4097, QByteArray("S205010000FFFA")},
              {true, 0x10001, 4100, 4098, QByteArray("S5031001EB")}}) {
            const QByteArray file = srec ? SRecordImage(Filled(0), size) : HexImage(Filled(0), size);
            QCOMPARE(file.count("\r\n"), lines);
            QCOMPARE(file.split('\n')[line].trimmed(), text);
            QVERIFY(srec ? file.startsWith("S009000051756972726182\r\n") : file.endsWith("\r\n" + End) || file == End);
        }
        QVERIFY(NameSaysSRecords("a.S19") && NameSaysSRecords("b.srec") && NameSaysSRecords("c.mot") && !NameSaysSRecords("d.s1"));
        const Image a = Filled(7);
        for (const ImageFormat format : {ImageFormat::IntelHex, ImageFormat::SRecord, ImageFormat::Binary}) {
            Image b = Filled(0);
            QVERIFY(LoadImage(SaveImage(a, 0x10000, format), format, b, 0, 0).ok());
            QCOMPARE(At(b, 0, 0x10001), At(a, 0, 0x10000) + '\xFF');
        }
        for (auto [text, value] : {std::pair{"1000", 4096LL}, {"8000", 32768}, {"ff", 255}, {"12G4", 18}, {"", 0},
                                   {"G1", 0}, {"00000000FFFFFFFF", 0xFFFFFFFF}, {"100000000", -1}}) {
            const std::optional<uint32_t> v = ReadHexOffset(QString::fromLatin1(text));
            QCOMPARE(v ? qint64(*v) : -1, value);
        }
    }

    // srec_cat's files (with their extended records and 32-byte records) load
    // into the same bytes; ours read back in srec_cat to the same bytes.
    void srecCat()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("srec_cat")).isEmpty())
            QSKIP("srec_cat (Debian package srecord) is not installed; test.sh installs it");
        auto srec = [](const char* args) {
            return QProcess::execute(QStringLiteral("srec_cat"), QString::fromLatin1(args).split(QLatin1Char(' '))) == 0;
        };
        const Image a = Filled(3);
        f_->dir.write(QStringLiteral("in.bin"), BinaryImage(a, 0x1000));
        f_->dir.write(QStringLiteral("ours.hex"), HexImage(a, 0x10000));
        QVERIFY(srec("in.bin -binary -o low.hex -intel") && srec("in.bin -binary -offset 0x10000 -o high.hex -intel"));
        QVERIFY(srec("ours.hex -intel -o back.bin -binary"));
        QCOMPARE(f_->dir.read(QStringLiteral("back.bin")), At(a, 0, 0x10000));
        const QByteArray low = f_->dir.read(QStringLiteral("low.hex")), high = f_->dir.read(QStringLiteral("high.hex"));
        QVERIFY(low.startsWith(":020000040000FA") && high.startsWith(":020000040001F9"));
        Image fromHex = Filled(0);
        QVERIFY(LoadHex(low, fromHex, 0, 0).ok());
        Image b = fromHex;
        QVERIFY(LoadHex(high, b, 0, 0).ok());
        QCOMPARE(At(b, 0, 0x1000), At(a, 0, 0x1000));
        QCOMPARE(At(b, 0x10000, 0x1000), At(a, 0, 0x1000));

        // S-records: S1, S2 and S3 forms, with and without the S5 count, load
        // as the Intel HEX of the same data does; ours read back in srec_cat.
        for (const char* form : {"", " -address-length=3", " -address-length=4 -disable=data-count"}) {
            QVERIFY(srec(qPrintable(QStringLiteral("in.bin -binary -o s.srec -motorola") + QLatin1String(form))));
            Image fromSRec = Filled(0);
            QVERIFY(LoadSRecords(f_->dir.read(QStringLiteral("s.srec")), fromSRec, 0, 0).ok());
            QVERIFY2(fromSRec == fromHex, form);
        }
        f_->dir.write(QStringLiteral("ours.s19"), SRecordImage(a, modFunc::BufferSize));
        QVERIFY(srec("ours.s19 -motorola -o back.bin -binary"));
        QCOMPARE(f_->dir.read(QStringLiteral("back.bin")), At(a, 0, modFunc::BufferSize));
        // Their content says what they are, whatever the name.
        const auto hex = ImageFormat::IntelHex, srecords = ImageFormat::SRecord;
        for (auto [name, format] : {std::pair{"low.hex", hex}, {"high.hex", hex}, {"ours.hex", hex}, {"s.srec", srecords},
                                    {"ours.s19", srecords}, {"back.bin", ImageFormat::Binary}})
            QCOMPARE(FormatOfFile(f_->dir.file(QString::fromLatin1(name))), format);
    }

    // The format a file's beginning shows.
    void formatOfContent()
    {
        const auto hex = ImageFormat::IntelHex, srec = ImageFormat::SRecord, bin = ImageFormat::Binary;
        const QByteArray elf = Elf32({{1, 0, 0, 0, 4, 4}}, Payload);
        const std::pair<QByteArray, ImageFormat> table[] = {
            // Intel HEX in either case, after blank lines or a byte-order mark, lines ended by CR alone, a bad
            // checksum (the reader's business), cut after the first line.
            {GoodHex, hex}, {End, hex}, {"\n \r\n\t:02010000abcd85\n", hex}, {":02010000ABCD85\r:00000001FF\r", hex},
            {"\xEF\xBB\xBF" + GoodHex, hex}, {Rec(0, 0, D16, 1), hex}, {(Rec(0, 0, D16) + Rec(16, 0, D16)).left(50), hex},
            // Not HEX: count and length differ, record type 6, text after the colon, a colon not first, binary.
            {":03010000ABCD85\r\n", bin}, {":00000006FA\r\n", bin}, {":hello world\n", bin}, {"x:02010000ABCD85\r\n", bin},
            {QByteArray("\x3A\x02\x01\x00\x00\xAB\xCD\x85", 8), bin}, {QByteArray(), bin},
            // S-records likewise; count and length that differ, or text that starts with S, are not.
            {"\r\nS00600004844521B\r\n", srec}, {SRec(3, 0x10A, "a1b2").toLower(), srec},
            {(SRec(1, 0, "11") + SRec(1, 1, "22")).left(20), srec}, {"S1050000FF\r\n", bin}, {"Some text\n", bin},
            // ELF, 64-bit too, so that its reader says why it is refused.
            {elf, ImageFormat::Elf}, {QByteArray(elf).replace(4, 1, "\x02"), ImageFormat::Elf}};
        for (const auto& [head, format] : table)
            QVERIFY2(FormatOfContent(head) == format, head.left(40).toHex().constData());
    }

    void command_data()
    {
        QTest::addColumn<bool>("save");
        QTest::addColumn<CommandCase>("c");
        const QByteArray old(4096, 'x'), hex16 = ":10000000" + QByteArray(32, 'F') + "00\r\n" + End;
        auto row = [](const char* name, bool save, CommandCase c) { QTest::newRow(name) << save << c; };
        row("load, buffer address", false, {.name = "a.HEX", .before = GoodHex, .ba = "1000", .at = 0x1101, .value = 0xCD});
        row("load, Binary chosen for an Intel HEX file", false,
            {.name = "a.Hex", .before = GoodHex, .choice = "bin", .ba = "", .at = 0, .value = ':'});
        row("load, close box", false, {.name = "a.hex", .before = GoodHex, .close = true, .at = 0x100, .value = 0xFF});
        row("load, 70002 bytes", false, {.name = "a.bin", .before = QByteArray(70002, 0), .message = "lands at index 11171", .at = 70000});
        row("load, checksum", false,
            {.name = "a.hex", .before = GoodHex.left(13) + "86", .message = ChecksumMessage, .at = 0x100, .value = 0xFF});
        row("load, bad line", false, {.name = "a.hex", .before = "junk", .message = "Line 1 is not a valid", .value = 0xFF});
        row("load, missing file", false, {.name = "none.bin", .message = "cannot be opened", .value = 0xFF});
        row("save hex; the offsets change nothing", true, {.name = "s.hex", .before = old, .ba = "100", .size = 16, .after = hex16});
        row("save binary as image.hex over a longer file", true,
            {.name = "image.hex", .before = old, .choice = "bin", .size = 2048, .after = QByteArray(2048, '\xFF')});
        row("save binary, 70001 bytes", true, {.name = "s.bin", .before = old, .size = 70001, .after = QByteArray(70001, '\xFF')});
        row("save hex, too large", true, {.name = "s.hex", .before = old, .message = "size of 65537 bytes", .size = 0x10001, .after = old});
        row("save binary, too large", true, {.name = "s.bin", .before = old, .message = "size of 70002 bytes", .size = 70002, .after = old});
        row("save, no such directory", true, {.name = "none/s.bin", .message = "cannot be written", .size = 16});
        row("load lane 1 of 2", false, {.name = "w.bin", .before = QByteArray("\x00\x11\x22\x33", 4), .at = 1, .value = 0x33, .lane = "1/2"});
        row("save lane 1 of 2, the other lane kept", true,
            {.name = "s.bin", .before = "\xA0\xA1\xA2\xA3\xA4\xA5", .size = 2, .after = "\xA0\xFF\xA2\xFF\xA4\xA5", .lane = "1/2"});
    }
    void command()
    {
        QFETCH(bool, save);
        QFETCH(CommandCase, c);
        modFunc::DeviceTable[1] = {QStringLiteral("Chip"), 1, c.size};
        modFunc::DeviceIndex = 1;
        const QString path = f_->dir.file(c.name);
        if (!c.before.isNull())
            f_->dir.write(c.name, c.before);
        BufferCommands::BufferEdit();
        QPointer<frmBuffer> view = BufferCommands::BufferWindow();
        QVERIFY(Run(save ? f_->main->FileSave : f_->main->FileLoad, path, [&](frmFileLoad* w) {
            QCOMPARE(w->Frame2->isVisibleTo(w), !save);  // a save has no load offsets
            QCOMPARE(w->Option4->isVisibleTo(w), !save);  // nor ELF, which is read only
            if (!c.choice.isEmpty())
                (c.choice == QLatin1String("hex") ? w->Option1 : w->Option2)->click();
            if (!c.lane.isEmpty())
                w->cmbLane->setCurrentIndex(w->cmbLane->findData(c.lane));
            w->txtBuffer->setText(c.ba);
            w->txtFile->setText(QString());  // an empty text counts as 0
            c.close ? void(w->close()) : w->cmdOk->click();
        }));
        const bool done = !c.close && c.message.isEmpty();
        QCOMPARE(f_->main->sbar->Panel(4), done ? QStringLiteral("File: ") + path : QStringLiteral("File:"));
        QCOMPARE(view.isNull(), done && !save);  // the hex view is reopened after a load only
        if (view) {  // and an open one shows what the Buffer holds now
            const QString shown = view->ViewText;
            view->UpdateBuffer();
            QCOMPARE(view->ViewText, shown);
        }
        QVERIFY(save ? f_->dir.read(c.name) == c.after : Buffer[size_t(c.at)] == c.value);
        QCOMPARE(f_->rec.count(), c.message.isEmpty() ? 0 : 1);
        if (!c.message.isEmpty()) {
            QCOMPARE(f_->rec.last().title, save ? QStringLiteral("File Save Error") : QStringLiteral("File Load Error"));
            QCOMPARE(f_->rec.last().icon, MsgIcon::Critical);
            QVERIFY(f_->rec.last().text.contains(c.message));
            QCOMPARE(f_->rec.last().text.contains(QDir::toNativeSeparators(path)), c.message != ChecksumMessage);
        }
    }

    void optionsWindow()
    {
        // Without content to tell by, the preselection (1 Intel Hex, 2
        // Binary, 3 S-records) follows the name's ending; content that is
        // Intel HEX, S-records or ELF (4) wins over a name that says otherwise.
        f_->dir.write(QStringLiteral("hex.Hex"), GoodHex);
        f_->dir.write(QStringLiteral("srec.hex"), SRec(1, 0, "11"));
        f_->dir.write(QStringLiteral("elf.hex"), "\x7f" "ELF\x01\x01\x01");
        for (auto [name, option] : {std::pair{"PROG.HEX", 1}, {"prog.hex", 1}, {"prog.Hex", 2}, {"hex.Hex", 1},
                                    {"prog.S19", 3}, {"prog.mot", 3}, {"srec.hex", 3}, {"elf.hex", 4}, {"prog.bin", 2},
                                    {"prog", 2}}) {
            QVERIFY(Run(f_->main->FileLoad, f_->dir.file(QString::fromLatin1(name)), [option = option](frmFileLoad* w) {
                const QList<bool> checked{w->Option1->isChecked(), w->Option2->isChecked(), w->Option3->isChecked(),
                                          w->Option4->isChecked()};
                QCOMPARE(checked.indexOf(true) + 1, option);
                QCOMPARE(checked.count(true), 1);
                w->close();
            }));
            QVERIFY(modFunc::FileCancelled);
        }
        QCOMPARE(starts_.last(), f_->dir.file(QStringLiteral("prog.bin")));  // the name chosen last
        // Focus order, and an offset too long for 32 bits.
        f_->dir.write(QStringLiteral("a.hex"), GoodHex);
        QVERIFY(Run(f_->main->FileLoad, f_->dir.file(QStringLiteral("a.hex")), [this](frmFileLoad* w) {
            QCOMPARE(w->txtBuffer->text(), QStringLiteral("0"));
            QCOMPARE(w->txtFile->text(), QStringLiteral("0"));
            CheckTabOrder({w->Option1, w->Option2, w->Option3, w->Option4, w->txtBuffer, w->txtFile, w->cmbLane,
                           w->cmdCancel, w->cmdOk});
            QCOMPARE(w->cmbLane->currentText(), QStringLiteral("all bytes"));
            QVERIFY(w->cmdOk->isDefault());
            w->txtBuffer->setText(QStringLiteral("123456789"));
            w->cmdOk->click();
            QVERIFY(w->isVisible() && f_->rec.count() == 1 && f_->rec.last().text.contains(QStringLiteral("123456789")));
            w->txtBuffer->setText(QStringLiteral("fffff"));
            w->cmdOk->click();
        }));
        QCOMPARE(modFunc::BufferAddress, 0xFFFFFu);
        QCOMPARE(f_->rec.count(), 2);  // that offset puts the file outside the Buffer
        QVERIFY(f_->rec.last().text.contains(QStringLiteral("index 1000FF")));

        // The save dialog opens with the name loaded last; Cancel there ends
        // the command before the options window.
        QVERIFY(!Run(f_->main->FileSave, QString(), [](frmFileLoad*) {}));
        QCOMPARE(starts_.last(), f_->dir.file(QStringLiteral("a.hex")));
    }
};

QTEST_MAIN(TestFiles)
#include "tst_files.moc"
