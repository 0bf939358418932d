// The hex view window driven with keys and mouse clicks, and the Buffer
// menu's Edit, Clear and Fill commands, on a real main window.
#include "buffer/BufferCommands.h"
#include "buffer/BufferFill.h"
#include "buffer/BufferTextBox.h"
#include "buffer/BufferView.h"
#include "buffer/frmBuffer.h"
#include "buffer/frmBufferFill.h"
#include "core/mdiMain.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBlock>
#include <QtTest>
#include <functional>

using namespace BufferView;
using modFunc::Buffer;
using modFunc::Hex4;

class TestBufferWindow : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void openAndLayout();
    void scrollBar();
    void typingWalk();
    void arrowsAtTheTop();
    void holdingDownToTheEnd();
    void otherSizes();
    void clicksAndIgnoredKeys();
    void clear();
    void fill();
    void fillCancelAndBadText();

private:
    frmBuffer* Open();
    void SetDevice(int32_t size);
    // The one character selected at CaretPos, the text unscrolled, and
    // lblAddress at the caret's byte.
    void CheckCaret(frmBuffer* v, int pos);
    void Key(frmBuffer* v, Qt::Key key, int times = 1);
    void Type(frmBuffer* v, const char* digits);
    void ClickAt(frmBuffer* v, int pos, bool dbl = false);
    // Runs Buffer > Fill; `act` works the window while it is shown.
    void RunFill(const std::function<void(frmBufferFill*)>& act);

    std::unique_ptr<TempAppDir> dir_;
    std::unique_ptr<MessageRecorder> rec_;
    std::unique_ptr<mdiMain> main_;
};

void TestBufferWindow::init()
{
    dir_ = std::make_unique<TempAppDir>();
    rec_ = std::make_unique<MessageRecorder>();
    main_ = std::make_unique<mdiMain>();
    main_->show();
    QVERIFY(QTest::qWaitForWindowExposed(main_.get()));
    SetDevice(65536);
}

void TestBufferWindow::cleanup()
{
    main_.reset();
    QVERIFY(!BufferCommands::IsBufferWindowOpen());
    QCOMPARE(rec_->count(), 0);
    rec_.reset();
    dir_.reset();
}

void TestBufferWindow::SetDevice(int32_t size)
{
    modFunc::DeviceTable[1] = {QStringLiteral("Test"), 1, size};
    modFunc::DeviceCount = 1;
    modFunc::DeviceIndex = 1;
}

frmBuffer* TestBufferWindow::Open()
{
    BufferCommands::BufferEdit();
    return BufferCommands::BufferWindow();
}

void TestBufferWindow::CheckCaret(frmBuffer* v, int pos)
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

void TestBufferWindow::Key(frmBuffer* v, Qt::Key key, int times)
{
    for (int i = 0; i < times; ++i)
        QTest::keyClick(v->txtBuffer, key);
}

void TestBufferWindow::Type(frmBuffer* v, const char* digits)
{
    QTest::keyClicks(v->txtBuffer, QString::fromLatin1(digits));
}

void TestBufferWindow::ClickAt(frmBuffer* v, int pos, bool dbl)
{
    const QPoint at = v->txtBuffer->PointOf(pos);
    QCOMPARE(v->txtBuffer->PosAt(at), pos);
    if (dbl) {
        // As a real double-click arrives: press, release, double-click, release.
        QTest::mouseClick(v->txtBuffer->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(v->txtBuffer->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseRelease(v->txtBuffer->viewport(), Qt::LeftButton, {}, at);
    } else {
        QTest::mouseClick(v->txtBuffer->viewport(), Qt::LeftButton, {}, at);
    }
}

void TestBufferWindow::openAndLayout()
{
    Buffer[0x10] = 0x41;
    frmBuffer* v = Open();
    QVERIFY(v);
    QCOMPARE(v->windowTitle(), QStringLiteral("Buffer"));
    QCOMPARE(main_->mdiArea->subWindowList().size(), 1);
    QCOMPARE(v->ViewText, BuildViewText(Buffer, 0));
    QCOMPARE(v->txtBuffer->toPlainText(), WidgetText(v->ViewText));
    QVERIFY(v->txtBuffer->isReadOnly());
    QVERIFY(QFontInfo(v->txtBuffer->font()).fixedPitch());
    CheckCaret(v, 70);
    QCOMPARE(v->lblCheckSum->text(), QStringLiteral("FF42"));
    QCOMPARE(v->vsc->maximum(), 4080);
    QCOMPARE(QApplication::focusWidget(), v->txtBuffer);

    // Every line is in view whole; the text area cannot scroll.
    QCOMPARE(v->txtBuffer->verticalScrollBar()->maximum(), 0);
    QCOMPARE(v->txtBuffer->horizontalScrollBar()->maximum(), 0);
    const QRect area = v->txtBuffer->viewport()->rect();
    for (int pos : {0, 62, PosOf(15, 0), PosOf(15, 68)})
        QVERIFY(area.contains(v->txtBuffer->PointOf(pos) + QPoint(0, v->txtBuffer->fontMetrics().descent())));
    QVERIFY(v->vsc->geometry().left() > v->txtBuffer->PointOf(PosOf(0, 68)).x() + v->txtBuffer->x());
    QVERIFY(v->lblAddress->y() >= v->txtBuffer->geometry().bottom());

    // Edit again: a fresh view at line 0. The close box: closed, Buffer kept.
    v->vsc->setValue(9);
    QPointer<frmBuffer> old = v;
    v = Open();
    QVERIFY(old.isNull());
    QCOMPARE(v->TopLine, 0);
    QCOMPARE(main_->mdiArea->subWindowList().size(), 1);
    main_->mdiArea->subWindowList().first()->close();
    QVERIFY(!BufferCommands::IsBufferWindowOpen());
    QCOMPARE(Buffer[0x10], 0x41);
}

void TestBufferWindow::scrollBar()
{
    Buffer[0xFF00] = 0xAB;
    frmBuffer* v = Open();
    Key(v, Qt::Key_Right, 3);
    v->vsc->setValue(4080);
    QCOMPARE(v->TopLine, 4080);
    QCOMPARE(v->ViewText.mid(65, 8), QStringLiteral("FF00=AB "));
    QCOMPARE(v->ViewText.mid(65 + 15 * 71, 5), QStringLiteral("FFF0="));
    CheckCaret(v, 70);
    QCOMPARE(v->lblAddress->text(), QStringLiteral("FF00"));
    // While the thumb is dragged nothing is redrawn; the release counts.
    v->vsc->setSliderDown(true);
    v->vsc->setSliderPosition(20);
    QCOMPARE(v->TopLine, 4080);
    QCOMPARE(v->ViewText.mid(65, 4), QStringLiteral("FF00"));
    v->vsc->setSliderDown(false);
    QCOMPARE(v->TopLine, 20);
    QCOMPARE(v->ViewText.mid(65, 4), QStringLiteral("0140"));
    CheckCaret(v, 70);
    v->vsc->triggerAction(QAbstractSlider::SliderPageStepAdd);  // one line per click beside the thumb
    QCOMPARE(v->TopLine, 21);
}

void TestBufferWindow::typingWalk()
{
    Buffer[0] = 0x3C;
    Buffer[0x3F] = 0x12;
    Buffer[0xFFFF] = 0x34;
    frmBuffer* v = Open();
    Type(v, "a");
    QCOMPARE(Buffer[0], 0xAC);
    QCOMPARE(v->ViewText.mid(70, 2), QStringLiteral("AC"));
    CheckCaret(v, 71);
    Type(v, "5");
    QCOMPARE(Buffer[0], 0xA5);
    CheckCaret(v, 73);
    QCOMPARE(modFunc::CheckSum, int32_t((65536 * 255 - 3 * 0xFF + 0xA5 + 0x12 + 0x34) % 65536));
    QCOMPARE(v->lblCheckSum->text(), Hex4(modFunc::CheckSum));
    QCOMPARE(Buffer[1], 0xFF);

    // Low digit of byte 15 of line 3, then on to line 4.
    ClickAt(v, PosOf(3, 51));
    CheckCaret(v, PosOf(3, 51));
    QCOMPARE(v->lblAddress->text(), QStringLiteral("003F"));
    Type(v, "F");
    QCOMPARE(Buffer[0x3F], 0x1F);
    CheckCaret(v, PosOf(4, 5));
    QCOMPARE(v->lblAddress->text(), QStringLiteral("0040"));

    // Typing on and on overwrites consecutive bytes, wrapping and scrolling.
    v->vsc->setValue(4079);
    ClickAt(v, PosOf(15, 47));  // high digit of 0xFFEE
    Type(v, "00");
    QCOMPARE(Buffer[0xFFEE], 0x00);
    QCOMPARE(v->TopLine, 4079);
    CheckCaret(v, PosOf(15, 50));
    Type(v, "cd");  // 0xFFEF, then over the bottom line into view
    QCOMPARE(Buffer[0xFFEF], 0xCD);
    QCOMPARE(v->TopLine, 4080);
    CheckCaret(v, BottomDigitPos);
    QCOMPARE(v->lblAddress->text(), QStringLiteral("FFF0"));

    // The last byte of the device: changed, and the caret stays.
    ClickAt(v, PosOf(15, 50));
    Type(v, "9e");
    QCOMPARE(Buffer[0xFFFF], 0x9E);
    QCOMPARE(v->TopLine, 4080);
    CheckCaret(v, PosOf(15, 51));
    Type(v, "1");
    QCOMPARE(Buffer[0xFFFF], 0x91);
    CheckCaret(v, PosOf(15, 51));
    QCOMPARE(Buffer[0x10000], 0xFF);
}

void TestBufferWindow::arrowsAtTheTop()
{
    frmBuffer* v = Open();
    Key(v, Qt::Key_Left);
    CheckCaret(v, 70);
    QCOMPARE(v->lblAddress->text(), QStringLiteral("0000"));
    Key(v, Qt::Key_Up);
    CheckCaret(v, 70);
    Key(v, Qt::Key_Down);
    Key(v, Qt::Key_Left);  // over the line start to the low digit of byte 15 above
    CheckCaret(v, PosOf(0, 51));

    v->vsc->setValue(5);
    Key(v, Qt::Key_Left);
    QCOMPARE(v->TopLine, 4);
    CheckCaret(v, 70);
    QCOMPARE(v->lblAddress->text(), QStringLiteral("0040"));
    v->vsc->setValue(5);
    Key(v, Qt::Key_Right, 7);  // low digit of byte 3: column 15
    CheckCaret(v, PosOf(0, 15));
    Key(v, Qt::Key_Up);
    QCOMPARE(v->TopLine, 4);
    CheckCaret(v, PosOf(0, 15));
    QCOMPARE(v->lblAddress->text(), QStringLiteral("0043"));
    QCOMPARE(v->ViewText.mid(65, 4), QStringLiteral("0040"));
}

void TestBufferWindow::holdingDownToTheEnd()
{
    frmBuffer* v = Open();
    Key(v, Qt::Key_Right, 4);  // high digit of byte 2
    Key(v, Qt::Key_Down, 15);
    QCOMPARE(v->TopLine, 0);
    CheckCaret(v, PosOf(15, 11));
    QCOMPARE(v->lblAddress->text(), QStringLiteral("00F2"));
    for (int step = 1; step <= 4080; ++step) {
        QTest::keyPress(v->txtBuffer, Qt::Key_Down, {}, -1);
        if (v->TopLine != step)
            QFAIL(qPrintable(QStringLiteral("step %1 gave TopLine %2").arg(step).arg(v->TopLine)));
    }
    QTest::keyRelease(v->txtBuffer, Qt::Key_Down);
    CheckCaret(v, PosOf(15, 11));
    QCOMPARE(v->lblAddress->text(), QStringLiteral("FFF2"));
    Key(v, Qt::Key_Down, 3);
    QCOMPARE(v->TopLine, 4080);
    CheckCaret(v, PosOf(15, 11));
    Key(v, Qt::Key_Right, 100);
    QCOMPARE(v->TopLine, 4080);
    CheckCaret(v, PosOf(15, 51));
    QCOMPARE(v->lblAddress->text(), QStringLiteral("FFFF"));
    QCOMPARE(v->vsc->value(), 4080);
}

void TestBufferWindow::otherSizes()
{
    // 1000 bytes: the view stops at the scroll maximum 46, the caret stays.
    SetDevice(1000);
    frmBuffer* v = Open();
    QCOMPARE(v->vsc->maximum(), 46);
    Key(v, Qt::Key_Down, 15 + 60);
    QCOMPARE(v->TopLine, 46);
    CheckCaret(v, PosOf(15, 5));
    Key(v, Qt::Key_Right, 40);
    QCOMPARE(v->TopLine, 46);
    CheckCaret(v, PosOf(15, 51));

    // Below 256 bytes, no device, above 64 KiB, negative: sixteen lines,
    // never past the last line of 64 KiB, the checksum inside the Buffer.
    const std::pair<int32_t, int32_t> sizes[] = {{100, 0}, {0, 0}, {0x20000, 4080}, {70001, 4080}, {-5, 4080}};
    for (auto [size, max] : sizes) {
        SetDevice(size);
        v = Open();
        QCOMPARE(v->vsc->maximum(), max);
        const int64_t sum = size < 0 ? 0 : std::min<int64_t>(size, 70001) * 255;
        QCOMPARE(v->lblCheckSum->text(), Hex4(int32_t(sum % 65536)));
        v->vsc->setValue(max);
        Key(v, Qt::Key_Down, 20);
        Key(v, Qt::Key_Right, 40);
        QCOMPARE(v->TopLine, max);
        CheckCaret(v, PosOf(15, 51));
        QCOMPARE(v->ViewText.mid(65 + 15 * 71, 5), max ? QStringLiteral("FFF0=") : QStringLiteral("00F0="));
        QVERIFY(!v->ViewText.contains(QStringLiteral("10000")));
        Type(v, "0");  // the last byte in view, also beyond the device
        QCOMPARE(Buffer[max ? 0xFFFF : 0xFF], 0xF0);
        CheckCaret(v, PosOf(15, 51));
        Buffer.fill(0xFF);
    }
}

void TestBufferWindow::clicksAndIgnoredKeys()
{
    frmBuffer* v = Open();
    v->vsc->setValue(2);
    ClickAt(v, PosOf(2, 27));
    CheckCaret(v, PosOf(2, 27));
    QCOMPARE(v->lblAddress->text(), QStringLiteral("0047"));
    // "=", a space between groups, the character column, the header, the address.
    for (int pos : {PosOf(2, 4), PosOf(5, 7), PosOf(5, 60), 30, PosOf(7, 2)}) {
        ClickAt(v, pos);
        CheckCaret(v, PosOf(2, 27));
    }
    // A double-click on a digit: the caret there, one character selected.
    ClickAt(v, PosOf(9, 33), true);
    CheckCaret(v, PosOf(9, 33));
    QCOMPARE(v->lblAddress->text(), QStringLiteral("00B9"));
    ClickAt(v, PosOf(9, 60), true);
    CheckCaret(v, PosOf(9, 33));
    Key(v, Qt::Key_Left);  // keys go on from the clicked digit
    CheckCaret(v, PosOf(9, 32));

    // Keys other than the arrows and hex digits change nothing.
    const int pos = PosOf(9, 32);
    const auto before = Buffer;
    const QString text = v->txtBuffer->toPlainText();
    for (Qt::Key k : {Qt::Key_Home, Qt::Key_End, Qt::Key_PageUp, Qt::Key_PageDown, Qt::Key_Backspace,
                      Qt::Key_Delete, Qt::Key_G, Qt::Key_Z, Qt::Key_Return, Qt::Key_Space}) {
        QTest::keyClick(v->txtBuffer, k);
        CheckCaret(v, pos);
    }
    QTest::keyClicks(v->txtBuffer, QStringLiteral("ghz.-+ "));
    QTest::keyClick(v->txtBuffer, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(v->txtBuffer, Qt::Key_End, Qt::ControlModifier);
    QTest::keyClick(v->txtBuffer, Qt::Key_Right, Qt::ShiftModifier);  // a move, no wider selection
    CheckCaret(v, pos + 1);
    QTest::keyClick(v->txtBuffer, Qt::Key_Left, Qt::ShiftModifier);
    CheckCaret(v, pos);
    QVERIFY(Buffer == before);
    QCOMPARE(v->txtBuffer->toPlainText(), text);
    QCOMPARE(v->TopLine, 2);
}

void TestBufferWindow::clear()
{
    for (size_t i = 0; i < Buffer.size(); ++i)
        Buffer[i] = uint8_t(i * 7);
    BufferCommands::BufferClear();  // closed: Clear opens it
    QVERIFY(std::all_of(Buffer.begin(), Buffer.end(), [](uint8_t b) { return b == 0xFF; }));
    QPointer<frmBuffer> v = BufferCommands::BufferWindow();
    QVERIFY(v);
    QCOMPARE(v->lblCheckSum->text(), QStringLiteral("0000"));
    // Open and scrolled: closed and opened afresh at line 0.
    v->vsc->setValue(30);
    Buffer[70000] = 0;
    BufferCommands::BufferClear();
    QVERIFY(v.isNull());
    v = BufferCommands::BufferWindow();
    QCOMPARE(Buffer[70000], 0xFF);
    QCOMPARE(v->TopLine, 0);
    CheckCaret(v, 70);
    QCOMPARE(v->ViewText, BuildViewText(Buffer, 0));
}

void TestBufferWindow::RunFill(const std::function<void(frmBufferFill*)>& act)
{
    bool ran = false;
    QTimer::singleShot(0, [&] {
        frmBufferFill* w = nullptr;
        for (QWidget* t : QApplication::topLevelWidgets())
            if (auto* f = qobject_cast<frmBufferFill*>(t); f && f->isVisible())
                w = f;
        if (!w)
            return;
        ran = true;
        [&] {
            w->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(w));
            act(w);
        }();
        if (w->isVisible())
            w->reject();  // never leave the test waiting on the window
    });
    BufferCommands::BufferFill();
    QVERIFY(ran);
}

namespace {
void Enter(frmBufferFill* w, const char* with, const char* start, const char* length)
{
    w->txtFillWith->setText(QString::fromLatin1(with));
    w->txtStart->setText(QString::fromLatin1(start));
    w->txtLength->setText(QString::fromLatin1(length));
    QTest::mouseClick(w->cmdOk, Qt::LeftButton);
}
}  // namespace

void TestBufferWindow::fill()
{
    Buffer.fill(0x00);
    // The window as it opens; the defaults fill index 0 only.
    RunFill([&](frmBufferFill* w) {
        QCOMPARE(w->windowTitle(), QStringLiteral("Buffer Fill"));
        QCOMPARE(w->parentWidget(), main_.get());
        QCOMPARE(w->txtFillWith->text(), QStringLiteral("FF"));
        QCOMPARE(w->txtStart->text(), QStringLiteral("0000"));
        QCOMPARE(w->txtLength->text(), QStringLiteral("1"));
        QCOMPARE(w->txtFillWith->maxLength(), 2);
        QCOMPARE(w->txtStart->maxLength(), 4);
        QCOMPARE(w->focusWidget(), w->cmdCancel);
        // Tab order: Cancel, OK, Fill with, Start, Length.
        QWidget* order[] = {w->cmdCancel, w->cmdOk, w->txtFillWith, w->txtStart, w->txtLength, w->cmdCancel};
        for (int i = 0; i < 5; ++i) {
            QWidget* next = order[i]->nextInFocusChain();
            while (next->focusPolicy() == Qt::NoFocus)
                next = next->nextInFocusChain();
            QCOMPARE(next, order[i + 1]);
        }
        QTest::mouseClick(w->cmdOk, Qt::LeftButton);
    });
    QCOMPARE(Buffer[0], 0xFF);
    QCOMPARE(Buffer[1], 0x00);
    QVERIFY(modFunc::FillOk);
    frmBuffer* v = BufferCommands::BufferWindow();
    QVERIFY(v);  // opened by the fill
    QCOMPARE(v->lblCheckSum->text(), QStringLiteral("00FF"));

    // Redrawn in place: the same window, its TopLine kept, the caret reset.
    v->vsc->setValue(15);
    Key(v, Qt::Key_Right, 3);
    RunFill([](frmBufferFill* w) { Enter(w, "0", "100", "10"); });
    Buffer[0] = 0x00;
    QCOMPARE(BufferCommands::BufferWindow(), v);
    QCOMPARE(v->TopLine, 15);
    CheckCaret(v, 70);
    QCOMPARE(v->ViewText.mid(65 + 71, 53), QStringLiteral("0100=") + QStringLiteral("00 ").repeated(16));
    // Lenient value, empty value, lower-case fields.
    RunFill([](frmBufferFill* w) { Enter(w, "a", "abcd", "2"); });
    QCOMPARE(Buffer[0xABCC], 0x00);
    QCOMPARE(Buffer[0xABCD], 0x0A);
    QCOMPARE(Buffer[0xABCE], 0x0A);
    QCOMPARE(Buffer[0xABCF], 0x00);
    Buffer[0] = 0x12;
    RunFill([](frmBufferFill* w) { Enter(w, "", "0", "1"); });
    QCOMPARE(Buffer[0], 0xFF);

    // Length 0 writes nothing, yet opens the closed view.
    BufferCommands::CloseBufferWindow();
    const auto before = Buffer;
    RunFill([](frmBufferFill* w) { Enter(w, "00", "0", "0"); });
    QVERIFY(Buffer == before);
    QVERIFY(BufferCommands::IsBufferWindowOpen());

    // Up to the last index, and cut there.
    Buffer.fill(0x00);
    RunFill([](frmBufferFill* w) { Enter(w, "22", "FFFF", "1172"); });
    QCOMPARE(Buffer[0xFFFE], 0x00);
    QVERIFY(std::all_of(&Buffer[0xFFFF], Buffer.end(), [](uint8_t b) { return b == 0x22; }));
    RunFill([](frmBufferFill* w) { Enter(w, "33", "FFFF", "FFFF"); });
    QCOMPARE(Buffer[0xFFFE], 0x00);
    QVERIFY(std::all_of(&Buffer[0xFFFF], Buffer.end(), [](uint8_t b) { return b == 0x33; }));
}

void TestBufferWindow::fillCancelAndBadText()
{
    Buffer.fill(0x00);
    frmBuffer* v = Open();
    v->vsc->setValue(8);
    Key(v, Qt::Key_Down, 3);
    const int pos = v->CaretPos;
    const QString text = v->ViewText;
    const auto before = Buffer;
    auto untouched = [&] {
        QVERIFY(Buffer == before);
        QCOMPARE(BufferCommands::BufferWindow(), v);
        QCOMPARE(v->TopLine, 8);
        CheckCaret(v, pos);
        QCOMPARE(v->ViewText, text);
        QVERIFY(!modFunc::FillOk);
    };
    // Cancel, Esc and the close box.
    RunFill([](frmBufferFill* w) {
        w->txtFillWith->setText(QStringLiteral("12"));
        QTest::mouseClick(w->cmdCancel, Qt::LeftButton);
    });
    untouched();
    RunFill([](frmBufferFill* w) { QTest::keyClick(w, Qt::Key_Escape); });
    untouched();
    RunFill([](frmBufferFill* w) { w->close(); });
    untouched();
    // Cancel with the view closed: it stays closed.
    BufferCommands::CloseBufferWindow();
    RunFill([](frmBufferFill* w) { QTest::mouseClick(w->cmdCancel, Qt::LeftButton); });
    QVERIFY(!BufferCommands::IsBufferWindowOpen());
    v = Open();
    v->vsc->setValue(8);
    Key(v, Qt::Key_Down, 3);

    // A Start or Length that is not a hex number: a message, the window
    // stays open on that field, nothing written; then corrected.
    struct Bad {
        const char* start;
        const char* length;
        const char* field;
    } bads[] = {{"", "1", "Start"}, {"12G", "1", "Start"}, {"0", "", "Length"}, {"0", "-1", "Length"}};
    for (const Bad& b : bads) {
        RunFill([&](frmBufferFill* w) {
            Enter(w, "42", b.start, b.length);
            QCOMPARE(rec_->count(), 1);
            QCOMPARE(rec_->last().title, QStringLiteral("Buffer Fill"));
            QVERIFY2(rec_->last().text.startsWith(QString::fromLatin1(b.field)), qPrintable(rec_->last().text));
            QVERIFY(w->isVisible());
            QCOMPARE(w->focusWidget(), QString::fromLatin1(b.field) == QLatin1String("Start") ? w->txtStart
                                                                                                : w->txtLength);
            untouched();
            rec_->clear();
            QTest::keyClick(w, Qt::Key_Escape);
        });
        untouched();
    }
    RunFill([&](frmBufferFill* w) {
        Enter(w, "42", "", "1");
        rec_->clear();
        w->txtStart->setText(QStringLiteral("3"));
        QCOMPARE(QApplication::focusWidget(), w->txtStart);
        QTest::keyClick(w->txtStart, Qt::Key_Return);  // Enter is OK
    });
    QCOMPARE(Buffer[3], 0x42);
    QCOMPARE(Buffer[4], 0x00);
    QCOMPARE(v->TopLine, 8);
    CheckCaret(v, 70);
}

QTEST_MAIN(TestBufferWindow)
#include "tst_bufferwindow.moc"
