// The hex view's tools: what Find reads and finds, the Go To address, the
// differing ranges, the undo store and its memory bound as plain functions;
// then Go To, Find, Find Next, Undo, Redo and Compare with File through the
// main window's menu items and keys.
#include "buffer/BufferCommands.h"
#include "buffer/BufferSearch.h"
#include "buffer/BufferTextBox.h"
#include "buffer/BufferView.h"
#include "buffer/UndoStore.h"
#include "buffer/frmBuffer.h"
#include "buffer/frmBufferFill.h"
#include "buffer/frmBufferTools.h"
#include "files/FileFormats.h"
#include "files/frmFileLoad.h"
#include "support/MainWindowCase.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QtTest>

using namespace BufferSearch;
using modFunc::Buffer;

namespace {
using Img = std::array<uint8_t, modFunc::BufferSize>;
QByteArray At(const Img& b, int at, int n) { return QByteArray(reinterpret_cast<const char*>(b.data()) + at, n); }
// Go To: the text typed, the line at the top and the caret after it, the message.
struct GoToCase { QString text; int top, caret; QString message; };
}  // namespace
Q_DECLARE_METATYPE(GoToCase)

class TestBufferTools : public QObject {
    Q_OBJECT
    std::optional<MainWindowCase> f_;

    frmBuffer* View() { return BufferCommands::BufferWindow(); }
    // Buffer > Go To with `text` typed and OK pressed; returns the window's message.
    QString GoTo(const QString& text)
    {
        QString said;
        WhileModal<frmGoTo>([this] { f_->main->BufferGoTo->trigger(); }, [&](frmGoTo* w) {
            w->txtAddress->setText(text);
            w->cmdOk->click();
            said = w->isVisible() ? w->lblMessage->text() : QString();
        });
        return said;
    }

private slots:
    void init()
    {
        f_.emplace();
        modFunc::DeviceTable[1] = {QStringLiteral("Chip"), 1, 0x10000};
        modFunc::DeviceIndex = 1;
        Buffer.fill(0xFF);
    }
    void cleanup()
    {
        SetFileDialogHandler({});
        f_.reset();
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
                                   {"123456789", -1}, {"FFFFFFFF", -1}}) {
            const std::optional<int32_t> a = ParseAddress(QString::fromLatin1(text));
            QCOMPARE(a.value_or(-1), value);
        }
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
                              Case{"not found", 0x10000, 0, "\x33\x11", -1}, Case{"longer than the range", 2, 0, p, -1}}) {
            QVERIFY2(FindBytes(Buffer, c.size, c.from, c.pattern) == c.found, c.name);
        }
    }

    void diffRanges()
    {
        Img a, b;
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
        Img img;
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

    void goTo_data()
    {
        QTest::addColumn<GoToCase>("c");
        QTest::newRow("line to the top") << GoToCase{"1234", 0x123, 0x1234, ""};
        QTest::newRow("lower case") << GoToCase{"abcd", 0xABC, 0xABCD, ""};
        QTest::newRow("as near as the range allows") << GoToCase{"FFF5", 0xFF0, 0xFFF5, ""};
        QTest::newRow("outside") << GoToCase{"10000", 0, 0, "10000 is outside the view, which shows 0000 to FFFF."};
        QTest::newRow("not hexadecimal") << GoToCase{"12X", 0, 0, "Type the address in hexadecimal, as 1F40."};
    }
    void goTo()
    {
        QFETCH(GoToCase, c);
        const auto [text, top, caret, message] = c;
        QCOMPARE(GoTo(text), message);  // the view opens for it
        frmBuffer* v = View();
        QVERIFY(v);
        QCOMPARE(v->TopLine, top);
        QCOMPARE(v->vsc->value(), top);
        QCOMPARE(v->CaretAddress, caret);
        QCOMPARE(v->lblAddress->text(), modFunc::Hex4(caret));
        QCOMPARE(v->txtBuffer->SelStart(), int(v->CaretPos));
        QCOMPARE(v->ViewText.mid(v->CaretPos, 2), modFunc::Hex2(Buffer[size_t(caret)]));
    }

    void findWindow()
    {
        f_->main->show();
        QVERIFY(QTest::qWaitForWindowActive(f_->main.get()));
        for (int at : {0x30, 0x8000})
            std::copy_n("boot", 4, Buffer.begin() + at);
        f_->main->BufferFind->trigger();
        frmFind* w = BufferCommands::FindWindow();
        QVERIFY(w && w->isVisible() && View());
        auto find = [&](const char* text, const char* said, int caret) {
            w->txtFind->setText(QString::fromLatin1(text));
            w->cmdFind->click();
            QCOMPARE(w->lblMessage->text(), QString::fromLatin1(said));
            QCOMPARE(View()->CaretAddress, caret);
        };
        // The digits of the whole match are marked, on each line it spans.
        auto marked = [this] {
            QStringList texts;
            for (const QTextEdit::ExtraSelection& s : View()->txtBuffer->extraSelections())
                texts << s.cursor.selectedText();
            return texts.join(QLatin1Char('|'));
        };
        std::copy_n("boot", 4, Buffer.begin() + 0x10E);
        find("\"boot\"", "Found at 0030", 0x30);
        QCOMPARE(marked(), QStringLiteral("62 6F 6F 74"));
        QCOMPARE(View()->TopLine, 0);  // in sight: no scroll
        find("62 6F 6F 74", "Found at 010E", 0x10E);  // the same bytes: on from the last one
        QCOMPARE(marked(), QStringLiteral("62 6F|6F 74"));
        f_->main->BufferFindNext->trigger();
        QCOMPARE(View()->CaretAddress, 0x8000);
        QCOMPARE(View()->TopLine, 0x800);
        QTest::keyClick(View()->txtBuffer, Qt::Key_Right);  // a caret move takes the mark away
        QCOMPARE(marked(), QString());
        View()->ShowByte(0x8000, false);
        f_->main->BufferFindNext->trigger();  // F3 wraps once
        QCOMPARE(View()->CaretAddress, 0x30);
        QCOMPARE(w->lblMessage->text(), QStringLiteral("Found at 0030, wrapped to the start"));
        find("DEAD", "Not found", 0x30);
        find("DEA", "Type bytes in hexadecimal, as DE AD BE EF, or a text in double quotes.", 0x30);
        QTest::keyClick(View()->txtBuffer, Qt::Key_F3);  // the last good pattern, from the view
        QCOMPARE(w->lblMessage->text(), QStringLiteral("Not found"));
        // Reopened, the window holds the last text, ready to be typed over.
        w->close();
        QApplication::processEvents();
        f_->main->BufferFind->trigger();
        w = BufferCommands::FindWindow();
        QVERIFY(w && w->txtFind->text() == QStringLiteral("DEA") && w->txtFind->selectedText() == w->txtFind->text());
    }

    void undoRedo()
    {
        // A typed byte, a Fill, Clear and a load, undone and redone in order;
        // the menu items say what they take back and are off when there is
        // nothing, and the status bar names the file loaded as it was.
        auto items = [this] {
            QStringList texts;
            for (QAction* a : {f_->main->BufferUndo, f_->main->BufferRedo})
                texts << a->text() + (a->isEnabled() ? QString() : QStringLiteral(" (off)"));
            return texts.join(QLatin1String(", "));
        };
        QCOMPARE(items(), QStringLiteral("&Undo (off), &Redo (off)"));
        f_->main->sbar->SetPanel(4, QStringLiteral("File: old.hex"));
        f_->main->show();
        QVERIFY(QTest::qWaitForWindowActive(f_->main.get()));
        f_->main->BufferEdit->trigger();
        QTest::keyClicks(View()->txtBuffer, QStringLiteral("a5"));
        QCOMPARE(Buffer[0], 0xA5);
        QTest::keySequence(View()->txtBuffer, QKeySequence(Qt::CTRL | Qt::Key_Z));  // the keys, from the view
        QCOMPARE(Buffer[0], 0xFF);
        QTest::keySequence(View()->txtBuffer, QKeySequence(Qt::CTRL | Qt::Key_Y));
        QCOMPARE(Buffer[0], 0xA5);
        QCOMPARE(View()->ViewText.mid(BufferView::TopDigitPos, 2), QStringLiteral("A5"));
        QVERIFY(WhileModal<frmBufferFill>(BufferCommands::BufferFill, [](frmBufferFill* w) {
            w->txtFillWith->setText(QStringLiteral("00"));
            w->txtStart->setText(QStringLiteral("0100"));
            w->txtLength->setText(QStringLiteral("10"));
            w->cmdOk->click();
        }));
        f_->main->BufferClear->trigger();
        f_->dir.write(QStringLiteral("a.s19"), FileFormats::SRecordImage(Img{}, 0x20));
        SetFileDialogHandler([this](FileDialogMode, const QString&) { return f_->dir.file(QStringLiteral("a.s19")); });
        QVERIFY(WhileModal<frmFileLoad>([this] { f_->main->FileLoad->trigger(); }, [](frmFileLoad* w) {
            QVERIFY(w->Option3->isChecked());
            w->cmdOk->click();
        }));
        QCOMPARE(At(Buffer, 0, 0x21), QByteArray(0x20, 0) + '\xFF');
        QCOMPARE(items(), QStringLiteral("&Undo Load, &Redo (off)"));
        const QString loaded = f_->main->sbar->Panel(4);

        const QByteArray afterTyping = '\xA5' + QByteArray(0x10F, '\xFF');
        const QByteArray afterFill = '\xA5' + QByteArray(0xFF, '\xFF') + QByteArray(0x10, 0);
        QPointer<frmBuffer> view = View();
        f_->main->BufferUndo->trigger();  // the load: the view reopened
        QVERIFY(view.isNull() && View());
        QCOMPARE(f_->main->sbar->Panel(4), QStringLiteral("File: old.hex"));
        QCOMPARE(items(), QStringLiteral("&Undo Clear, &Redo Load"));
        QCOMPARE(At(Buffer, 0, 0x110), QByteArray(0x110, '\xFF'));
        f_->main->BufferUndo->trigger();  // Clear
        QCOMPARE(At(Buffer, 0, 0x110), afterFill);
        view = View();
        f_->main->BufferUndo->trigger();  // Fill: redrawn in place, the caret on its first byte
        QCOMPARE(View(), view.data());
        QCOMPARE(View()->CaretAddress, 0x100);
        QCOMPARE(At(Buffer, 0, 0x110), afterTyping);
        QCOMPARE(items(), QStringLiteral("&Undo Typing, &Redo Fill"));
        f_->main->BufferUndo->trigger();  // both digits of the typed byte at once
        QCOMPARE(Buffer[0], 0xFF);
        QCOMPARE(items(), QStringLiteral("&Undo (off), &Redo Typing"));
        f_->main->BufferRedo->trigger();
        QCOMPARE(At(Buffer, 0, 0x110), afterTyping);
        f_->main->BufferRedo->trigger();
        QCOMPARE(At(Buffer, 0, 0x110), afterFill);
        f_->main->BufferRedo->trigger();
        f_->main->BufferRedo->trigger();  // the load again, and its file name
        QCOMPARE(f_->main->sbar->Panel(4), loaded);
        QCOMPARE(items(), QStringLiteral("&Undo Load, &Redo (off)"));
        QCOMPARE(f_->rec.count(), 0);
    }

    void compare_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QStringList>("ranges");
        QTest::addColumn<QString>("summary");
        Img changed;
        changed.fill(0xFF);
        const QByteArray same = FileFormats::HexImage(changed, 0x10000);
        std::fill_n(changed.begin() + 0x200, 16, 0);
        changed[0xFFFF] = 1;
        QTest::newRow("identical") << same << QStringList() << "identical over the device's range (0000-FFFF).";
        QTest::newRow("two ranges") << FileFormats::SRecordImage(changed, 0x10000)
                                    << QStringList({"0200-020F: 16 bytes differ", "FFFF: 1 byte differs"})
                                    << "17 bytes in 2 ranges";
        // Binary files, longer than the device and than the Buffer: compared
        // over what fits, no load error.
        QTest::newRow("past the device") << QByteArray(0x10010, '\xFF') << QStringList()
                                         << "(0000-FFFF).\nThe file holds 16 bytes past the device's end, which";
        QTest::newRow("past the Buffer") << QByteArray(70100, '\xFF') << QStringList()
                                         << "4465 bytes past the device's end, which are not compared.\n"
                                            "The file reaches past the end of the Buffer (11170); it was compared";
    }
    void compare()
    {
        QFETCH(QByteArray, file);
        QFETCH(QStringList, ranges);
        QFETCH(QString, summary);
        f_->dir.write(QStringLiteral("other.dat"), file);
        SetFileDialogHandler([this](FileDialogMode mode, const QString&) {
            return mode == FileDialogMode::Open ? f_->dir.file(QStringLiteral("other.dat")) : QString();
        });
        QVERIFY(WhileModal<frmFileLoad>([this] { f_->main->BufferCompare->trigger(); }, [](frmFileLoad* w) {
            // The type is told by the content: Intel HEX, S-records, else binary.
            w->cmdOk->click();
        }));
        frmCompare* w = FindTopLevel<frmCompare>();
        QVERIFY(w);
        QCOMPARE(f_->rec.count(), 0);
        QCOMPARE(w->windowTitle(), QStringLiteral("Compare with File"));
        QVERIFY2(w->lblSummary->text().contains(summary), qPrintable(w->lblSummary->text()));
        QVERIFY(w->lblSummary->heightForWidth(w->lblSummary->width()) <= w->lblSummary->height());
        QStringList items;
        for (int i = 0; i < w->lstRanges->count(); ++i)
            items << w->lstRanges->item(i)->text();
        QCOMPARE(items, ranges);
        QCOMPARE(At(Buffer, 0x200, 16), QByteArray(16, '\xFF'));  // the Buffer stays as it was
        if (!ranges.isEmpty()) {  // Enter on a row shows its range; the window stays
            QTest::keyClick(w->lstRanges, Qt::Key_Down);
            QTest::keyClick(w->lstRanges, Qt::Key_Return);
            QCOMPARE(View()->CaretAddress, 0xFFFF);
            QVERIFY(w->isVisible());
        }
        w->close();
    }
};

QTEST_MAIN(TestBufferTools)
#include "tst_buffertools.moc"
