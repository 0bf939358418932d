// The hex view window driven with keys, clicks and the wheel, and the Buffer
// menu's Edit, Clear and Fill commands, on a real main window.
#include "buffer/BufferCommands.h"
#include "buffer/FillRoutines.h"
#include "buffer/BufferTextBox.h"
#include "buffer/BufferView.h"
#include "buffer/frmBuffer.h"
#include "buffer/frmBufferFill.h"
#include "support/MainWindowCase.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QScrollBar>
#include <QtTest>

using namespace BufferView;
using modFunc::Buffer;
using modFunc::Hex4;

namespace {
void SetDevice(int32_t size)
{
    modFunc::DeviceTable[1] = {QStringLiteral("Test"), 1, size};
    modFunc::DeviceCount = 1;
    modFunc::DeviceIndex = 1;
}

frmBuffer* Open()
{
    BufferCommands::BufferEdit();
    return BufferCommands::BufferWindow();
}

// The one character selected at CaretPos, the text unscrolled, and
// lblAddress at the caret's byte.
void CheckCaret(frmBuffer* v, int pos)
{
    QCOMPARE(int(v->CaretPos), pos);
    const QTextCursor c = v->txtBuffer->textCursor();
    QCOMPARE(c.selectionStart(), WidgetPos(pos));
    QCOMPARE(c.selectionEnd(), WidgetPos(pos) + 1);
    QCOMPARE(v->txtBuffer->SelStart(), pos);
    QCOMPARE(v->txtBuffer->verticalScrollBar()->value(), 0);
    QCOMPARE(v->txtBuffer->horizontalScrollBar()->value(), 0);
    QCOMPARE(v->lblAddress->text(), Hex4(AddressAt(pos, v->TopLine)));
    QCOMPARE(v->vsc->value(), v->TopLine);
}

// "<>^v" are the arrow keys, "{Ctrl+A}" a named key, anything else is typed.
void Keys(frmBuffer* v, const QString& keys)
{
    const QString arrows = QStringLiteral("<^>v");
    for (int at = 0; at < keys.size(); ++at) {
        if (const int i = int(arrows.indexOf(keys[at])); i >= 0) {
            QTest::keyClick(v->txtBuffer, Qt::Key(Qt::Key_Left + i));
        } else if (const qsizetype end = keys.indexOf('}', at); keys[at] == '{' && end > at) {
            QTest::keySequence(v->txtBuffer, QKeySequence::fromString(keys.mid(at + 1, end - at - 1)));
            at = int(end);
        } else {
            QTest::keyClicks(v->txtBuffer, QString(keys[at]));
        }
    }
}

void ClickAt(frmBuffer* v, int pos, bool dbl = false)
{
    const QPoint at = v->txtBuffer->PointOf(pos);
    QCOMPARE(v->txtBuffer->PosAt(at), pos);
    QTest::mouseClick(v->txtBuffer->viewport(), Qt::LeftButton, {}, at);
    if (dbl) {  // as a real double-click arrives: press, release, double-click, release
        QTest::mouseDClick(v->txtBuffer->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseRelease(v->txtBuffer->viewport(), Qt::LeftButton, {}, at);
    }
}

// Runs Buffer > Fill; `act` works the window while it is shown.
void RunFill(const std::function<void(frmBufferFill*)>& act)
{
    QVERIFY(WhileModal<frmBufferFill>(BufferCommands::BufferFill, [&](frmBufferFill* w) {
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w));
        act(w);
    }));
}

// Keys on a view of `size` bytes scrolled to `top`, after clicks at
// `clicks` (~pos: a double-click); where the view and caret end, the
// "address=byte" changes in the all-FF Buffer and the checksum shown.
struct KeyCase { int size, top; QList<int> clicks; QString keys; int endTop, endPos; QString bytes, sum; };
// Buffer > Fill with these texts, ended by `how` (ok, cancel, esc, close; or
// the field OK refuses); `filled` is address, count, value.
struct FillCase { QString with, start, length, how; QList<int> filled; };
}  // namespace
Q_DECLARE_METATYPE(KeyCase)
Q_DECLARE_METATYPE(FillCase)

class TestBufferWindow : public QObject {
    Q_OBJECT
    std::optional<MainWindowCase> f_;

private slots:
    void init()
    {
        f_.emplace();
        f_->main->show();
        QVERIFY(QTest::qWaitForWindowExposed(f_->main.get()));
        SetDevice(65536);
    }
    void cleanup()
    {
        f_->main.reset();
        QVERIFY(!BufferCommands::IsBufferWindowOpen());
        QCOMPARE(f_->rec.count(), 0);
        f_.reset();
    }
    void openAndLayout()
    {
        for (int i = 0; i < 256; ++i)  // every character the view can show
            Buffer[size_t(i)] = uint8_t(i);
        frmBuffer* v = Open();
        QVERIFY(v);
        QCOMPARE(v->windowTitle(), QStringLiteral("Buffer"));
        QCOMPARE(v->ViewText, BuildViewText(Buffer, 0));
        QCOMPARE(v->txtBuffer->toPlainText(), WidgetText(v->ViewText));
        QVERIFY(v->txtBuffer->isReadOnly());
        CheckCaret(v, 70);
        QCOMPARE(v->lblCheckSum->text(), QStringLiteral("8080"));
        QCOMPARE(v->vsc->maximum(), 4080);
        QCOMPARE(QApplication::focusWidget(), v->txtBuffer);

        // The columns line up on every line, whatever the bytes, and every line
        // is in view whole: the text area cannot scroll.
        BufferTextBox* t = v->txtBuffer;
        const int x0 = t->PointOf(PosOf(0, 0)).x();
        const double step = (t->PointOf(PosOf(0, 68)).x() - x0) / 68.0;
        QVERIFY(step > 0);
        for (int line = -1; line < 16; ++line)
            for (int col = 0; col < (line < 0 ? 63 : 69); ++col) {
                const QPoint p = t->PointOf(line < 0 ? col : PosOf(line, col));
                if (std::abs(p.x() - t->PointOf(PosOf(0, col)).x()) > 1 || std::abs(p.x() - x0 - col * step) > 1.5)
                    QFAIL(qPrintable(QStringLiteral("line %1 column %2 is out of line").arg(line).arg(col)));
                QVERIFY(t->viewport()->rect().contains(p + QPoint(0, t->fontMetrics().descent())));
            }
        QCOMPARE(t->verticalScrollBar()->maximum(), 0);
        QCOMPARE(t->horizontalScrollBar()->maximum(), 0);
        QVERIFY(v->vsc->geometry().left() > t->PointOf(PosOf(0, 68)).x() + t->x());
        QVERIFY(v->lblAddress->y() >= t->geometry().bottom());

        // The frame cannot be resized.
        QMdiSubWindow* sub = f_->main->mdiArea->subWindowList().first();
        const QSize size = sub->size();
        sub->resize(size + QSize(200, 100));
        QCOMPARE(sub->size(), size);

        // Edit, and Clear: closed and opened afresh at line 0. The close box:
        // closed, Buffer kept; Clear opens the closed view.
        for (const auto& command : {BufferCommands::BufferEdit, BufferCommands::BufferClear}) {
            v->vsc->setValue(9);
            QPointer<frmBuffer> old = v;
            command();
            QVERIFY(old.isNull());
            v = BufferCommands::BufferWindow();
            QCOMPARE(v->TopLine, 0);
            CheckCaret(v, 70);
        }
        QCOMPARE(v->lblCheckSum->text(), QStringLiteral("0000"));
        QCOMPARE(f_->main->mdiArea->subWindowList().size(), 1);
        Buffer[70000] = 0;
        f_->main->mdiArea->subWindowList().first()->close();
        QVERIFY(!BufferCommands::IsBufferWindowOpen());
        QCOMPARE(Buffer[70000], 0);
        BufferCommands::BufferClear();
        QVERIFY(BufferCommands::IsBufferWindowOpen());
        QVERIFY(std::all_of(Buffer.begin(), Buffer.end(), [](uint8_t b) { return b == 0xFF; }));
    }

    void scrollBarAndWheel()
    {
        Buffer[0xFF00] = 0xAB;
        frmBuffer* v = Open();
        Keys(v, QStringLiteral(">>>"));
        v->vsc->setValue(4080);
        QCOMPARE(v->ViewText.mid(65, 8), QStringLiteral("FF00=AB "));
        QCOMPARE(v->ViewText.mid(65 + 15 * 71, 5), QStringLiteral("FFF0="));
        CheckCaret(v, 70);
        // While the thumb is dragged nothing is redrawn; the release counts.
        v->vsc->setSliderDown(true);
        v->vsc->setSliderPosition(20);
        QCOMPARE(v->ViewText.mid(65, 4), QStringLiteral("FF00"));
        v->vsc->setSliderDown(false);
        QCOMPARE(v->TopLine, 20);
        QCOMPARE(v->ViewText.mid(65, 4), QStringLiteral("0140"));
        CheckCaret(v, 70);
        v->vsc->triggerAction(QAbstractSlider::SliderPageStepAdd);  // one line per click beside the thumb
        QCOMPARE(v->TopLine, 21);

        // A wheel step over the dump is one arrow click; a fine wheel adds up.
        const std::pair<int, int> turns[] = {{-120, 22}, {-360, 25}, {120, 24}, {40, 24}, {40, 24}, {40, 23}, {3600, 0}};
        for (auto [delta, top] : turns) {
            const QPointF at = v->txtBuffer->viewport()->rect().center();
            QWheelEvent e(at, v->txtBuffer->viewport()->mapToGlobal(at), {}, {0, delta}, Qt::NoButton, {},
                          Qt::NoScrollPhase, false);
            QApplication::sendEvent(v->txtBuffer->viewport(), &e);
            QCOMPARE(v->TopLine, top);
            CheckCaret(v, 70);
        }
    }

    void keys_data()
    {
        QTest::addColumn<KeyCase>("c");
        const QString down = QStringLiteral("v"), right = QStringLiteral(">");
        auto row = [](const char* name, const KeyCase& c) { QTest::newRow(name) << c; };
        row("left and up at address 0", {65536, 0, {}, "<^", 0, 70, "", "0000"});
        row("left wraps to the line above", {65536, 0, {}, "v<", 0, PosOf(0, 51), "", "0000"});
        row("left at the top scrolls", {65536, 5, {}, "<", 4, 70, "", "0000"});
        row("up at the top scrolls", {65536, 5, {}, ">>>>>>>^", 4, PosOf(0, 15), "", "0000"});
        row("down to the end of 64 KiB",
            {65536, 0, {}, ">>>>" + down.repeated(15 + 4080 + 3) + right.repeated(100), 4080, PosOf(15, 51), "", "0000"});
        row("1000 bytes stop at 46", {1000, 0, {}, down.repeated(75) + right.repeated(40), 46, PosOf(15, 51), "", "E418"});
        // A click puts the caret on a digit; one on "=", a space between groups,
        // the character column, the header or the address leaves it.
        row("click a digit", {65536, 2, {PosOf(2, 27)}, "", 2, PosOf(2, 27), "", "0000"});
        row("clicks off the digits",
            {65536, 2, {PosOf(2, 27), PosOf(2, 4), PosOf(5, 7), PosOf(5, 60), 30, PosOf(7, 2)}, "", 2, PosOf(2, 27), "", "0000"});
        row("double-clicks, keys go on", {65536, 2, {~PosOf(9, 33), ~PosOf(9, 60)}, "<", 2, PosOf(9, 32), "", "0000"});
        // Keys other than the arrows and hex digits change nothing; Shift+Right
        // moves without a wider selection.
        row("other keys", {65536, 2, {PosOf(9, 33)}, "{Home}{End}{Backspace}{Del}{Return}ghz.-+ "
                           "{Ctrl+A}<{Shift+Right}", 2, PosOf(9, 33), "", "0000"});
        // Page keys move view and caret by sixteen lines, the caret keeping its
        // column and, short of the ends, its place on the screen.
        row("page down twice", {65536, 0, {}, ">>v{PgDown}{PgDown}", 32, PosOf(1, 8), "", "0000"});
        row("page up near the top", {65536, 5, {}, "vv{PgUp}", 0, PosOf(0, 5), "", "0000"});
        row("page down near the end", {65536, 4078, {}, "{PgDown}{PgDown}", 4080, PosOf(15, 5), "", "0000"});
        row("page down, 1000 bytes", {1000, 0, {}, "{PgDown}{PgDown}{PgDown}{PgDown}", 46, PosOf(15, 5), "", "E418"});
        row("ctrl+end", {65536, 3, {}, "{Ctrl+End}", 4080, PosOf(15, 50), "", "0000"});
        row("ctrl+end, 1000 bytes", {1000, 3, {}, "{Ctrl+End}", 46, PosOf(15, 50), "", "E418"});
        row("ctrl+end, ctrl+home", {65536, 3, {}, "v{Ctrl+End}{Ctrl+Home}", 0, 70, "", "0000"});
        // Typing overwrites the digit under the caret and moves on, over line
        // ends and the bottom line; at the device's last byte the caret stays.
        row("type a byte", {65536, 0, {}, "a5", 0, 73, "0000=A5", "FFA6"});
        row("type on to the next line", {65536, 2, {PosOf(1, 51)}, "0", 2, PosOf(2, 5), "003F=F0", "FFF1"});
        row("type over the bottom line", {65536, 4079, {PosOf(15, 47)}, "00cd", 4080, BottomDigitPos, "FFEE=00 FFEF=CD", "FECF"});
        row("type the last byte", {65536, 4080, {PosOf(15, 50)}, "9e1", 4080, PosOf(15, 51), "FFFF=91", "FF92"});
        // Sixteen lines always, never past the last line of 64 KiB, the checksum
        // inside the Buffer, and typing reaches the last byte in view.
        const std::tuple<const char*, int, int, const char*, const char*> ends[] = {
            {"100 bytes", 100, 0, "00FF=F0", "639C"}, {"no device", 0, 0, "00FF=F0", "0000"},
            {"128 KiB", 0x20000, 4080, "FFFF=F0", "5F80"}, {"70001 bytes", 70001, 4080, "FFFF=F0", "5F80"},
            {"negative size", -5, 0, "00FF=F0", "0000"}};
        for (auto [name, size, max, bytes, sum] : ends)
            row(name, {size, max, {}, right.repeated(31) + down.repeated(20) + "0", max, PosOf(15, 51), bytes, sum});
    }

    void keys()
    {
        QFETCH(KeyCase, c);
        SetDevice(c.size);
        frmBuffer* v = Open();
        v->vsc->setValue(c.top);
        for (int click : c.clicks)
            ClickAt(v, click < 0 ? ~click : click, click < 0);
        Keys(v, c.keys);
        QCOMPARE(v->TopLine, c.endTop);
        CheckCaret(v, c.endPos);
        auto expected = Buffer;
        expected.fill(0xFF);
        for (const QString& b : c.bytes.split(QLatin1Char(' '), Qt::SkipEmptyParts))
            expected[b.left(4).toUInt(nullptr, 16)] = uint8_t(b.mid(5).toUInt(nullptr, 16));
        QVERIFY(Buffer == expected);
        QCOMPARE(v->ViewText, BuildViewText(Buffer, c.endTop));
        QCOMPARE(v->txtBuffer->toPlainText(), WidgetText(v->ViewText));
        QCOMPARE(v->lblCheckSum->text(), c.sum);
    }

    void fillWindow()
    {
        Buffer.fill(0x00);
        // The window as it opens; the defaults fill index 0 only, and open the
        // closed view.
        RunFill([&](frmBufferFill* w) {
            QCOMPARE(w->windowTitle(), QStringLiteral("Buffer Fill"));
            QCOMPARE(w->parentWidget(), f_->main.get());
            QCOMPARE(w->txtFillWith->text() + w->txtStart->text() + w->txtLength->text(), QStringLiteral("FF00001"));
            QCOMPARE(w->txtFillWith->maxLength(), 2);
            QCOMPARE(w->txtStart->maxLength(), 4);
            // The focus starts in the first field: typing fills it, Enter is OK.
            QCOMPARE(w->focusWidget(), w->txtFillWith);
            CheckTabOrder({w->txtFillWith, w->txtStart, w->txtLength, w->cmdOk, w->cmdCancel, w->txtFillWith});
            QTest::keyClicks(w->focusWidget(), QStringLiteral("7"));
            QTest::keyClick(w->focusWidget(), Qt::Key_Return);
        });
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(Buffer.data()), 2), QByteArray("\x07\x00", 2));
        QVERIFY(BufferCommands::BufferWindow());
        QCOMPARE(BufferCommands::BufferWindow()->lblCheckSum->text(), QStringLiteral("0007"));
        // Cancel with the view closed: it stays closed.
        BufferCommands::CloseBufferWindow();
        RunFill([](frmBufferFill* w) { QTest::mouseClick(w->cmdCancel, Qt::LeftButton); });
        QVERIFY(!BufferCommands::IsBufferWindowOpen());
    }

    void fill_data()
    {
        QTest::addColumn<FillCase>("c");
        auto row = [](const QString& name, const FillCase& c) { QTest::newRow(qPrintable(name)) << c; };
        row("a range", {"5a", "100", "10", "ok", {0x100, 16, 0x5A}});
        row("lower case, lenient value", {"a", "abcd", "2", "ok", {0xABCD, 2, 0x0A}});
        row("empty value", {"", "0", "1", "ok", {0, 1, 0xFF}});
        row("length 0", {"00", "0", "0", "ok", {0, 0, 0}});
        row("cut at the end", {"33", "FFFF", "FFFF", "ok", {0xFFFF, 70001 - 0xFFFF, 0x33}});
        for (const char* how : {"cancel", "esc", "close"})
            row(how, {"12", "0", "1", how, {0, 0, 0}});
        const std::tuple<const char*, const char*, const char*> bads[] = {
            {"", "1", "Start"}, {"12G", "1", "Start"}, {"0", "", "Length"}, {"0", "-1", "Length"}};
        for (auto [start, length, field] : bads)
            row(QStringLiteral("%1 '%2'").arg(field, *start ? start : length), {"42", start, length, field, {0, 0, 0}});
    }

    void fill()
    {
        QFETCH(FillCase, c);
        const QString& how = c.how;
        const QList<int>& filled = c.filled;
        Buffer.fill(0x00);
        frmBuffer* v = Open();
        v->vsc->setValue(8);
        Keys(v, QStringLiteral("vvv"));
        const int pos = v->CaretPos;
        auto expected = Buffer;
        std::fill_n(&expected[size_t(filled[0])], filled[1], uint8_t(filled[2]));
        RunFill([&](frmBufferFill* w) {
            w->txtFillWith->setText(c.with);
            w->txtStart->setText(c.start);
            w->txtLength->setText(c.length);
            if (how == QLatin1String("esc"))
                QTest::keyClick(w, Qt::Key_Escape);
            else if (how == QLatin1String("close"))
                w->close();
            else
                QTest::mouseClick(how == QLatin1String("cancel") ? w->cmdCancel : w->cmdOk, Qt::LeftButton);
            if (how.at(0).isUpper()) {  // refused: a message, the window stays open on that field
                QCOMPARE(f_->rec.count(), 1);
                QCOMPARE(f_->rec.last().title, QStringLiteral("Buffer Fill"));
                QVERIFY2(f_->rec.last().text.startsWith(how), qPrintable(f_->rec.last().text));
                QVERIFY(w->isVisible());
                QCOMPARE(w->focusWidget(), how == QLatin1String("Start") ? w->txtStart : w->txtLength);
                f_->rec.clear();
                QTest::keyClick(w, Qt::Key_Escape);
            }
        });
        QVERIFY(Buffer == expected);
        QCOMPARE(modFunc::FillOk, how == QLatin1String("ok"));
        // Redrawn in place after OK, untouched otherwise: the same window, its
        // TopLine kept, the caret reset by a redraw only.
        QCOMPARE(BufferCommands::BufferWindow(), v);
        QCOMPARE(v->TopLine, 8);
        QCOMPARE(v->ViewText, BuildViewText(Buffer, 8));
        CheckCaret(v, modFunc::FillOk ? 70 : pos);
    }
};

QTEST_MAIN(TestBufferWindow)
#include "tst_bufferwindow.moc"
