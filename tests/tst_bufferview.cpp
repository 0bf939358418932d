// The hex view's text, scroll range and checksum, the Fill routines, and its
// tools: what Find reads and finds, the Go To address, the differing ranges,
// the undo store and its memory bound; all without a window.
#include "buffer/BufferSearch.h"
#include "buffer/BufferView.h"
#include "buffer/FillRoutines.h"
#include "buffer/UndoStore.h"
#include "support/TestSupport.h"

#include <QtTest>

using namespace BufferSearch;
using namespace BufferView;
using modFunc::Buffer;

class TestBufferView : public QObject {
    Q_OBJECT
private slots:
    void init() { Buffer.fill(0xFF); }

    // Over a device of each size (more in tst_bufferwindow's key rows), the Buffer
    // all FF: the scroll range, rounded half to even, and the checksum, which stops at index 70000.
    void scrollRangeAndCheckSum()
    {
        const std::pair<double, int64_t> rounds[] = {{0.5, 0}, {1.5, 2}, {2.5, 2}, {46.5, 46}, {-0.5, 0},
                                                     {-1.5, -2}, {-9.75, -10}, {2.5001, 3}};
        for (auto [x, expected] : rounds)
            QCOMPARE(modFunc::RoundHalfEven(x), expected);
        const int32_t past = 70001 * 255 % 65536;
        const std::tuple<int32_t, int32_t, int32_t> sizes[] = {  // size, scroll maximum, checksum
            {8192, 496, 0xE000}, {32768, 2032, 0x8000}, {264, 0, 0x6F8}, {280, 2, 0x16E8},
            {INT32_MAX, 4080, past}, {-1, 0, 0}, {-8, 0, 0}, {INT32_MIN, 0, 0}};
        for (auto [size, max, sum] : sizes) {
            QCOMPARE(ScrollMaximum(size), max);
            QCOMPARE(ComputeCheckSum(Buffer, size), sum);
        }
        // Only the device's range counts.
        Buffer[8192] = 0;
        Buffer[8191] = 0x01;
        QCOMPARE(ComputeCheckSum(Buffer, 8192), 0xE000 - 0xFE);
    }

    void viewText()
    {
        for (int i = 0; i < 16; ++i)
            Buffer[size_t(0x10 + i)] = uint8_t(0x41 + i);
        const QByteArray chars("\x20\x7F\x1F\x80\x00\x7E", 6);
        std::copy(chars.begin(), chars.end(), &Buffer[0x20]);
        const QString text = BuildViewText(Buffer, 0);
        QCOMPARE(text.size(), 1201);
        QCOMPARE(text.left(65), QStringLiteral("ADDR                       HEX                            ASCII\r\n"));
        const QString ff = QStringLiteral("FF ").repeated(16) + QStringLiteral(".").repeated(16) + QStringLiteral("\r\n");
        QCOMPARE(text.mid(65, 71), QStringLiteral("0000=") + ff);
        QCOMPARE(text.mid(65 + 71, 71),
                 QStringLiteral("0010=41 42 43 44 45 46 47 48 49 4A 4B 4C 4D 4E 4F 50 ABCDEFGHIJKLMNOP\r\n"));
        QCOMPARE(text.mid(65 + 142, 23), QStringLiteral("0020=20 7F 1F 80 00 7E "));
        QCOMPARE(text.mid(65 + 142 + 53, 7), QStringLiteral(" \x7F...~."));
        for (int i = 3; i < 16; ++i)
            QCOMPARE(text.mid(65 + 71 * i, 71), modFunc::Hex4(i * 16) + QStringLiteral("=") + ff);
        QCOMPARE(text.mid(TopDigitPos, 2), QStringLiteral("FF"));

        // The widget's form has plain line breaks; positions map both ways.
        const QString widget = WidgetText(text);
        QCOMPARE(widget.size(), 1201 - 17 - 1);
        QCOMPARE(widget.split(QLatin1Char('\n')).size(), 17);
        for (int line = -1; line < 16; ++line)
            for (int col = 0; col < (line < 0 ? 63 : 69); ++col) {
                const int p = line < 0 ? col : PosOf(line, col);
                QCOMPARE(widget.at(WidgetPos(p)), text.at(p));
                QCOMPARE(PosFromWidget(line + 1, col), p);
            }

        // A top line past 64 KiB shows the last lines, never a five-digit address.
        Buffer[0xFFFF] = 0x12;
        for (int32_t top : {4080, 4081, 100000, INT32_MAX, -1}) {
            const QString t = BuildViewText(Buffer, top);
            QCOMPARE(t.size(), 1201);
            QCOMPARE(t.mid(65, 5), top < 0 ? QStringLiteral("0000=") : QStringLiteral("FF00="));
            QCOMPARE(t.mid(65 + 15 * 71, 5), top < 0 ? QStringLiteral("00F0=") : QStringLiteral("FFF0="));
        }
        QCOMPARE(BuildViewText(Buffer, 4080).mid(65 + 15 * 71 + 50, 2), QStringLiteral("12"));
    }

    void fill()
    {
        // tst_bufferwindow's Fill rows cover the ranges the window can take; these it cannot.
        using FillRoutines::FillRange;
        QCOMPARE(FillRange(Buffer, -1, 5, 0), 0);
        QCOMPARE(FillRange(Buffer, 10, INT32_MAX, 0x55), 70001 - 10);
        QCOMPARE(Buffer[70000], 0x55);

        const std::pair<const char*, uint32_t> lenient[] = {{"7", 7}, {"a5", 0xA5}, {"zz", 0}, {"5z", 5}};
        for (auto [text, value] : lenient)
            QCOMPARE(FillRoutines::LenientHex(QString::fromLatin1(text)), value);
        for (const char* bad : {"", "g", " 1", "0x1", "+1", "-1", "12345"})
            QVERIFY2(!FillRoutines::StrictHex4(QString::fromLatin1(bad)), bad);
    }

    void parsing()
    {
        for (auto [text, bytes] : {std::pair{"DE AD BE EF", "DEADBEEF"}, {"deadbeef", "DEADBEEF"}, {" 1 2 ", "12"},
                                   {"\"AB\"", "4142"}, {"\"a b\"", "612062"}, {"ABC", "-"}, {"GG", "-"},
                                   {"\"\"", "-"}, {"", "-"}, {"\"AB", "-"}}) {
            const std::optional<QByteArray> p = ParsePattern(QString::fromLatin1(text));
            QCOMPARE(p ? p->toHex().toUpper() : QByteArray("-"), QByteArray(bytes));
        }
        for (auto [text, value] : {std::pair{"1f40", 0x1F40}, {" FFFF ", 0xFFFF}, {"0", 0}, {"", -1}, {"12G", -1},
                                   {"123456789", -1}, {"FFFFFFFF", -1}})
            QCOMPARE(ParseAddress(QString::fromLatin1(text)).value_or(-1), value);
    }

    // The image holds 11 22 33 at 10, 200 and FFFE (its last byte at 10000).
    void find()
    {
        struct Case { const char* name; int size, from; QByteArray pattern; int found; };
        const QByteArray p = "\x11\x22\x33";
        for (int at : {10, 200, 0xFFFE})
            std::copy_n(p.data(), 3, Buffer.begin() + at);
        for (const Case& c : {Case{"from 0", 0x10000, 0, p, 10}, Case{"at from", 0x10000, 10, p, 10},
                              Case{"after from", 0x10000, 11, p, 200}, Case{"wraps", 0x10000, 201, p, 10},
                              Case{"past the range's end", 0x10001, 201, p, 0xFFFE},
                              Case{"wrap ends before from", 0x10000, 11, "\x33", 12},
                              Case{"straddles from", 0x10000, 201, "\x22\x33", 201},
                              Case{"not found", 0x10000, 0, "\x33\x11", -1}, Case{"longer than the range", 2, 0, p, -1}})
            QVERIFY2(FindBytes(Buffer, c.size, c.from, c.pattern) == c.found, c.name);
    }

    void diffRanges()
    {
        Image a, b;
        a.fill(0xFF);
        b = a;
        QVERIFY(DiffRanges(a, b, 0x10000).isEmpty());
        for (int i : {0, 0x200, 0x201, 0x20F, 0x210, 0x211, 0x21F, 0xFFFF, 0x10000})
            b[size_t(i)] = 0;
        QStringList texts;
        for (const Range& r : DiffRanges(a, b, 0x10000))
            texts << RangeText(r);
        QCOMPARE(texts, QStringList({"0000: 1 byte differs", "0200-0201: 2 bytes differ", "020F-0211: 3 bytes differ",
                                     "021F: 1 byte differs", "FFFF: 1 byte differs"}));
    }

    void undoStore()
    {
        UndoStore s;
        Image img;
        img.fill(0);
        // Three changes: a byte, the same byte again (joined), a range.
        auto change = [&](int at, int n, uint8_t v, bool merge = false) {
            s.Begin(img);
            std::fill_n(img.begin() + at, n, v);
            return s.Commit(img, UndoStore::Update, {QStringLiteral("Typing"), {}}, merge);
        };
        QVERIFY(change(5, 1, 0xA0) && change(5, 1, 0xA5, true) && change(100, 50, 7));
        QVERIFY(!change(100, 1, 7));  // nothing changed: nothing stored
        QCOMPARE(s.UndoCount(), 2);
        QCOMPARE(s.Undo(img)->length, 50);
        QCOMPARE(img[100], 0);
        QCOMPARE(s.Undo(img)->first, 5);
        QCOMPARE(img[5], 0);
        QVERIFY(!s.Undo(img) && s.CanRedo());
        QCOMPARE(s.Redo(img)->length, 1);
        QCOMPARE(img[5], 0xA5);
        QVERIFY(change(6, 1, 1, true) && !s.CanRedo());  // a new change ends Redo; no join after an Undo
        QCOMPARE(s.UndoCount(), 2);

        // 300 changes of the whole image stay within the bound and keep far
        // more than the last 100, which undo in order.
        s.Clear();
        for (int k = 1; k <= 300; ++k)
            change(0, modFunc::BufferSize, uint8_t(k));
        QVERIFY(s.MemoryUsed() <= UndoStore::MemoryLimit);
        QVERIFY(s.UndoCount() >= 100);
        for (int k = 299; k >= 200; --k) {
            QVERIFY(s.Undo(img));
            QVERIFY(img.front() == uint8_t(k) && img.back() == uint8_t(k));
        }
    }
};

QTEST_GUILESS_MAIN(TestBufferView)
#include "tst_bufferview.moc"
