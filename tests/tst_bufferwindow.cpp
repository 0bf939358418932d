// The hex view window driven with keys, clicks and the wheel, and the Buffer
// menu's Edit, Clear, Fill, Go To, Find, Find Next, Undo, Redo and Compare
// with File through the main window's menu items and keys.
#include "buffer/BufferCommands.h"
#include "buffer/BufferTextBox.h"
#include "buffer/BufferView.h"
#include "buffer/FillRoutines.h"
#include "buffer/frmBuffer.h"
#include "buffer/frmBufferFill.h"
#include "buffer/frmBufferTools.h"
#include "files/FileFormats.h"
#include "files/frmFileLoad.h"
#include "support/MainWindowCase.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QtTest>

using namespace BufferView;
using modFunc::Buffer;
using modFunc::Hex4;

namespace {
using Img = std::array<uint8_t, modFunc::BufferSize>;
QByteArray At(const Img& b, int at, int n) { return QByteArray(reinterpret_cast<const char*>(b.data()) + at, n); }

frmBuffer* View() { return BufferCommands::BufferWindow(); }
frmBuffer* Open()
{
    BufferCommands::BufferEdit();
    return View();
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
struct KeyCase {
    int size = 65536, top = 0;
    QList<int> clicks{};
    QString keys{};
    int endTop = 0, endPos = 0;
    QString bytes{}, sum{};
};
// Buffer > Fill with these texts, ended by `how` (ok, cancel, esc, close; or
// the field OK refuses; or enter: `with` typed over the first field, then
// Enter); `filled` is address, count, value; `closed`: no view open.
struct FillCase {
    QString with{}, start{}, length{}, how{};
    QList<int> filled{};
    bool closed = false;
};
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
        QVERIFY(QTest::qWaitForWindowActive(f_->main.get()));
        modFunc::DeviceTable[1] = {QStringLiteral("Test"), 1, 65536};
        modFunc::DeviceCount = 1;
        modFunc::DeviceIndex = 1;
    }
    void cleanup()
    {
        SetFileDialogHandler({});
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
            v = View();
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
        row("left and up at address 0", {.keys = "<^", .endPos = 70, .sum = "0000"});
        row("left wraps to the line above", {.keys = "v<", .endPos = PosOf(0, 51), .sum = "0000"});
        row("left at the top scrolls", {.top = 5, .keys = "<", .endTop = 4, .endPos = 70, .sum = "0000"});
        row("up at the top scrolls", {.top = 5, .keys = ">>>>>>>^", .endTop = 4, .endPos = PosOf(0, 15), .sum = "0000"});
        row("down to the end of 64 KiB",
            {.keys = ">>>>" + down.repeated(15 + 4080 + 3) + right.repeated(100), .endTop = 4080, .endPos = PosOf(15, 51), .sum = "0000"});
        row("1000 bytes stop at 46", {.size = 1000, .top = 0, .keys = down.repeated(75) + right.repeated(40), .endTop = 46, .endPos = PosOf(15, 51), .sum = "E418"});
        // A click puts the caret on a digit; one on "=", a space between groups,
        // the character column, the header or the address leaves it.
        row("click a digit", {.top = 2, .clicks = {PosOf(2, 27)}, .endTop = 2, .endPos = PosOf(2, 27), .sum = "0000"});
        row("clicks off the digits",
            {.top = 2, .clicks = {PosOf(2, 27), PosOf(2, 4), PosOf(5, 7), PosOf(5, 60), 30, PosOf(7, 2)}, .endTop = 2, .endPos = PosOf(2, 27), .sum = "0000"});
        row("double-clicks, keys go on", {.top = 2, .clicks = {~PosOf(9, 33), ~PosOf(9, 60)}, .keys = "<", .endTop = 2, .endPos = PosOf(9, 32), .sum = "0000"});
        // Keys other than the arrows and hex digits change nothing; Shift+Right
        // moves without a wider selection.
        row("other keys", {.top = 2, .clicks = {PosOf(9, 33)}, .keys = "{Home}{End}{Backspace}{Del}{Return}ghz.-+ "
                           "{Ctrl+A}<{Shift+Right}", .endTop = 2, .endPos = PosOf(9, 33), .sum = "0000"});
        // Page keys move view and caret by sixteen lines, the caret keeping its
        // column and, short of the ends, its place on the screen.
        row("page down twice", {.keys = ">>v{PgDown}{PgDown}", .endTop = 32, .endPos = PosOf(1, 8), .sum = "0000"});
        row("page up near the top", {.top = 5, .keys = "vv{PgUp}", .endPos = PosOf(0, 5), .sum = "0000"});
        row("page down near the end", {.top = 4078, .keys = "{PgDown}{PgDown}", .endTop = 4080, .endPos = PosOf(15, 5), .sum = "0000"});
        row("page down, 1000 bytes", {.size = 1000, .top = 0, .keys = "{PgDown}{PgDown}{PgDown}{PgDown}", .endTop = 46, .endPos = PosOf(15, 5), .sum = "E418"});
        row("ctrl+end", {.top = 3, .keys = "{Ctrl+End}", .endTop = 4080, .endPos = PosOf(15, 50), .sum = "0000"});
        row("ctrl+end, 1000 bytes", {.size = 1000, .top = 3, .keys = "{Ctrl+End}", .endTop = 46, .endPos = PosOf(15, 50), .sum = "E418"});
        row("ctrl+end, ctrl+home", {.top = 3, .keys = "v{Ctrl+End}{Ctrl+Home}", .endPos = 70, .sum = "0000"});
        // Typing overwrites the digit under the caret and moves on, over line
        // ends and the bottom line; at the device's last byte the caret stays.
        row("type a byte", {.keys = "a5", .endPos = 73, .bytes = "0000=A5", .sum = "FFA6"});
        row("type on to the next line", {.top = 2, .clicks = {PosOf(1, 51)}, .keys = "0", .endTop = 2, .endPos = PosOf(2, 5), .bytes = "003F=F0", .sum = "FFF1"});
        row("type over the bottom line", {.top = 4079, .clicks = {PosOf(15, 47)}, .keys = "00cd", .endTop = 4080, .endPos = BottomDigitPos, .bytes = "FFEE=00 FFEF=CD", .sum = "FECF"});
        row("type the last byte", {.top = 4080, .clicks = {PosOf(15, 50)}, .keys = "9e1", .endTop = 4080, .endPos = PosOf(15, 51), .bytes = "FFFF=91", .sum = "FF92"});
        // Sixteen lines always, never past the last line of 64 KiB, the checksum
        // inside the Buffer, and typing reaches the last byte in view.
        const std::tuple<const char*, int, int, const char*, const char*> ends[] = {
            {"100 bytes", 100, 0, "00FF=F0", "639C"}, {"no device", 0, 0, "00FF=F0", "0000"},
            {"128 KiB", 0x20000, 4080, "FFFF=F0", "5F80"}, {"70001 bytes", 70001, 4080, "FFFF=F0", "5F80"},
            {"negative size", -5, 0, "00FF=F0", "0000"}};
        for (auto [name, size, max, bytes, sum] : ends)
            row(name, {.size = size, .top = max, .keys = right.repeated(31) + down.repeated(20) + "0", .endTop = max, .endPos = PosOf(15, 51), .bytes = bytes, .sum = sum});
    }

    void keys()
    {
        QFETCH(KeyCase, c);
        modFunc::DeviceTable[1].Size = c.size;
        frmBuffer* v = Open();
        v->vsc->setValue(c.top);
        for (int click : c.clicks) {
            const int pos = click < 0 ? ~click : click;
            const QPoint at = v->txtBuffer->PointOf(pos);
            QCOMPARE(v->txtBuffer->PosAt(at), pos);
            QTest::mouseClick(v->txtBuffer->viewport(), Qt::LeftButton, {}, at);
            if (click < 0) {  // as a real double-click arrives: press, release, double-click, release
                QTest::mouseDClick(v->txtBuffer->viewport(), Qt::LeftButton, {}, at);
                QTest::mouseRelease(v->txtBuffer->viewport(), Qt::LeftButton, {}, at);
            }
        }
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

    void fill_data()
    {
        QTest::addColumn<FillCase>("c");
        auto row = [](const QString& name, const FillCase& c) { QTest::newRow(qPrintable(name)) << c; };
        row("a range", {.with = "5a", .start = "100", .length = "10", .how = "ok", .filled = {0x100, 16, 0x5A}});
        row("lower case, lenient value", {.with = "a", .start = "abcd", .length = "2", .how = "ok", .filled = {0xABCD, 2, 0x0A}});
        row("empty value", {.with = "", .start = "0", .length = "1", .how = "ok", .filled = {0, 1, 0xFF}});
        row("length 0", {.with = "00", .start = "0", .length = "0", .how = "ok", .filled = {0, 0, 0}});
        row("cut at the end", {.with = "33", .start = "FFFF", .length = "FFFF", .how = "ok", .filled = {0xFFFF, 70001 - 0xFFFF, 0x33}});
        for (const char* how : {"cancel", "esc", "close"})
            row(how, {.with = "12", .start = "0", .length = "1", .how = how, .filled = {0, 0, 0}});
        row("typed, Enter, view closed", {.with = "7", .how = "enter", .filled = {0, 1, 7}, .closed = true});
        row("cancel, view closed", {.with = "12", .how = "cancel", .filled = {0, 0, 0}, .closed = true});
        const std::tuple<const char*, const char*, const char*> bads[] = {
            {"", "1", "Start"}, {"12G", "1", "Start"}, {"0", "", "Length"}, {"0", "-1", "Length"}};
        for (auto [start, length, field] : bads)
            row(QStringLiteral("%1 '%2'").arg(field, *field == 'S' ? start : length), {.with = "42", .start = start, .length = length, .how = field, .filled = {0, 0, 0}});
    }

    void fill()
    {
        QFETCH(FillCase, c);
        Buffer.fill(0x00);
        frmBuffer* v = Open();
        v->vsc->setValue(8);
        Keys(v, QStringLiteral("vvv"));
        const int pos = v->CaretPos;
        if (c.closed)
            BufferCommands::CloseBufferWindow();
        auto expected = Buffer;
        std::fill_n(&expected[size_t(c.filled[0])], c.filled[1], uint8_t(c.filled[2]));
        RunFill([&](frmBufferFill* w) {
            // As it opens: the defaults fill index 0 only; the focus in the first field.
            QCOMPARE(w->windowTitle(), QStringLiteral("Buffer Fill"));
            QCOMPARE(w->parentWidget(), f_->main.get());
            QCOMPARE(w->txtFillWith->text() + w->txtStart->text() + w->txtLength->text(), QStringLiteral("FF00001"));
            QCOMPARE(w->txtFillWith->maxLength(), 2);
            QCOMPARE(w->txtStart->maxLength(), 4);
            QCOMPARE(w->focusWidget(), w->txtFillWith);
            CheckTabOrder({w->txtFillWith, w->txtStart, w->txtLength, w->cmdOk, w->cmdCancel, w->txtFillWith});
            if (c.how == QLatin1String("enter")) {
                QTest::keyClicks(w->focusWidget(), c.with);
                QTest::keyClick(w->focusWidget(), Qt::Key_Return);
                return;
            }
            w->txtFillWith->setText(c.with);
            w->txtStart->setText(c.start);
            w->txtLength->setText(c.length);
            if (c.how == QLatin1String("esc"))
                QTest::keyClick(w, Qt::Key_Escape);
            else if (c.how == QLatin1String("close"))
                w->close();
            else
                QTest::mouseClick(c.how == QLatin1String("cancel") ? w->cmdCancel : w->cmdOk, Qt::LeftButton);
            if (c.how.at(0).isUpper()) {  // refused: a message, the window stays open on that field
                QCOMPARE(f_->rec.count(), 1);
                QCOMPARE(f_->rec.last().title, QStringLiteral("Buffer Fill"));
                QVERIFY2(f_->rec.last().text.startsWith(c.how), qPrintable(f_->rec.last().text));
                QVERIFY(w->isVisible());
                QCOMPARE(w->focusWidget(), c.how == QLatin1String("Start") ? w->txtStart : w->txtLength);
                f_->rec.clear();
                QTest::keyClick(w, Qt::Key_Escape);
            }
        });
        QVERIFY(Buffer == expected);
        QCOMPARE(modFunc::FillOk, c.how == QLatin1String("ok") || c.how == QLatin1String("enter"));
        // Redrawn in place after OK, untouched otherwise: the same window, its
        // TopLine kept, the caret reset by a redraw only. A closed view opens
        // afresh on OK and stays closed otherwise.
        QCOMPARE(BufferCommands::IsBufferWindowOpen(), !c.closed || modFunc::FillOk);
        if (!View())
            return;
        const int top = c.closed ? 0 : 8;
        QVERIFY(c.closed || View() == v);
        QCOMPARE(View()->TopLine, top);
        QCOMPARE(View()->ViewText, BuildViewText(Buffer, top));
        QCOMPARE(View()->lblCheckSum->text(), Hex4(ComputeCheckSum(Buffer, 65536)));
        CheckCaret(View(), modFunc::FillOk ? 70 : pos);
    }

    // Go To in turn: the view opens for the first; an address refused leaves it as it was.
    void goTo()
    {
        const std::tuple<QString, int, int, QString> cases[] = {  // typed, then top line, caret, message
            {"12X", 0, 0, "Type the address in hexadecimal, as 1F40."}, {"1234", 0x123, 0x1234, ""},
            {"abcd", 0xABC, 0xABCD, ""}, {"FFF5", 0xFF0, 0xFFF5, ""},  // as near as the range allows
            {"10000", 0xFF0, 0xFFF5, "10000 is outside the view, which shows 0000 to FFFF."}};
        for (const auto& [text, top, caret, message] : cases) {
            QVERIFY(WhileModal<frmGoTo>([this] { f_->main->BufferGoTo->trigger(); }, [&](frmGoTo* w) {
                w->txtAddress->setText(text);
                w->cmdOk->click();
                QCOMPARE(w->isVisible() ? w->lblMessage->text() : QString(), message);
            }));
            QVERIFY(View());
            QCOMPARE(View()->TopLine, top);
            QCOMPARE(View()->CaretAddress, caret);
            CheckCaret(View(), int(View()->CaretPos));
            QCOMPARE(View()->lblAddress->text(), modFunc::Hex4(caret));
            QCOMPARE(View()->ViewText.mid(View()->CaretPos, 2), modFunc::Hex2(Buffer[size_t(caret)]));
        }
    }

    void findWindow()
    {
        for (int at : {0x30, 0x10E, 0x8000})
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
        f_->main->BufferEdit->trigger();
        QTest::keyClicks(View()->txtBuffer, QStringLiteral("a5"));
        QCOMPARE(Buffer[0], 0xA5);
        QTest::keySequence(View()->txtBuffer, QKeySequence(Qt::CTRL | Qt::Key_Z));  // the keys, from the view
        QCOMPARE(Buffer[0], 0xFF);
        QTest::keySequence(View()->txtBuffer, QKeySequence(Qt::CTRL | Qt::Key_Y));
        QCOMPARE(Buffer[0], 0xA5);
        QCOMPARE(View()->ViewText.mid(BufferView::TopDigitPos, 2), QStringLiteral("A5"));
        RunFill([](frmBufferFill* w) {
            w->txtFillWith->setText(QStringLiteral("00"));
            w->txtStart->setText(QStringLiteral("0100"));
            w->txtLength->setText(QStringLiteral("10"));
            w->cmdOk->click();
        });
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

        // Each step: the item, then the first 0x110 bytes, the items, and the caret
        // on the change's first byte, or -1: the view reopened, at 0.
        const QByteArray none(0x110, '\xFF'), load = QByteArray(0x20, 0) + none.mid(0x20);
        const QByteArray typed = '\xA5' + none.mid(1), filled = typed.left(0x100) + QByteArray(0x10, 0);
        QAction *undo = f_->main->BufferUndo, *redo = f_->main->BufferRedo;
        const std::tuple<QAction*, QByteArray, const char*, int> steps[] = {
            {undo, none, "&Undo Clear, &Redo Load", -1}, {undo, filled, "&Undo Fill, &Redo Clear", -1},
            {undo, typed, "&Undo Typing, &Redo Fill", 0x100}, {undo, none, "&Undo (off), &Redo Typing", 0},
            {redo, typed, "&Undo Typing, &Redo Fill", 0}, {redo, filled, "&Undo Fill, &Redo Clear", 0x100},
            {redo, none, "&Undo Clear, &Redo Load", -1}, {redo, load, "&Undo Load, &Redo (off)", -1}};
        for (auto [item, bytes, said, caret] : steps) {
            QPointer<frmBuffer> view = View();
            item->trigger();
            QCOMPARE(At(Buffer, 0, 0x110), bytes);
            QCOMPARE(items(), QString::fromLatin1(said));
            QCOMPARE(view.isNull(), caret < 0);
            QCOMPARE(View()->CaretAddress, caret < 0 ? 0 : caret);
            QCOMPARE(f_->main->sbar->Panel(4), bytes == load ? loaded : QStringLiteral("File: old.hex"));
        }
    }

    // Compare with File: the ranges listed and a part of the summary. Binary
    // files longer than the device and than the Buffer are compared over what
    // fits, with no load error.
    void compare()
    {
        Img changed;
        changed.fill(0xFF);
        const QByteArray same = FileFormats::HexImage(changed, 0x10000);
        std::fill_n(changed.begin() + 0x200, 16, 0);
        changed[0xFFFF] = 1;
        const std::tuple<QByteArray, QStringList, QString> cases[] = {
            {same, {}, "identical over the device's range (0000-FFFF)."},
            {FileFormats::SRecordImage(changed, 0x10000), {"0200-020F: 16 bytes differ", "FFFF: 1 byte differs"},
             "17 bytes in 2 ranges"},
            {QByteArray(0x10010, '\xFF'), {}, "(0000-FFFF).\nThe file holds 16 bytes past the device's end, which"},
            {QByteArray(70100, '\xFF'), {}, "4465 bytes past the device's end, which are not compared.\n"
                                            "The file reaches past the end of the Buffer (11170); it was compared"}};
        SetFileDialogHandler([this](FileDialogMode mode, const QString&) {
            return mode == FileDialogMode::Open ? f_->dir.file(QStringLiteral("other.dat")) : QString();
        });
        for (const auto& [file, ranges, summary] : cases) {
            f_->dir.write(QStringLiteral("other.dat"), file);
            // The type is told by the content: Intel HEX, S-records, else binary.
            QVERIFY(WhileModal<frmFileLoad>([this] { f_->main->BufferCompare->trigger(); },
                                            [](frmFileLoad* w) { w->cmdOk->click(); }));
            frmCompare* w = FindTopLevel<frmCompare>();
            QVERIFY2(w, qPrintable(f_->rec.count() ? f_->rec.last().text : QString()));
            QCOMPARE(w->windowTitle(), QStringLiteral("Compare with File"));
            QVERIFY2(w->lblSummary->text().contains(summary), qPrintable(w->lblSummary->text()));
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
    }
};

QTEST_MAIN(TestBufferWindow)
#include "tst_bufferwindow.moc"
