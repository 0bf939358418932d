#include "buffer/frmBuffer.h"

#include "buffer/BufferTextBox.h"
#include "buffer/BufferView.h"
#include "buffer/UndoStore.h"
#include "buffer/ViewFont.h"
#include "core/modFunc.h"
#include "platform/Twips.h"

#include <QLabel>
#include <QScrollBar>
#include <QSignalBlocker>
#include <algorithm>
#include <cstdlib>

using namespace BufferView;

namespace {
QLabel* ValueLabel(QWidget* parent, const QFont& font)
{
    auto* l = new QLabel(parent);
    l->setFont(font);
    l->setAlignment(Qt::AlignCenter);
    l->setAutoFillBackground(true);
    QPalette pal = l->palette();
    pal.setColor(QPalette::Window, QColor(0, 0, 128));
    pal.setColor(QPalette::WindowText, Qt::white);
    l->setPalette(pal);
    return l;
}
}  // namespace

frmBuffer::frmBuffer(QWidget* parent) : QWidget(parent)
{
    setWindowTitle(QStringLiteral("Buffer"));
    const QFont font = ViewFont::Choose();

    txtBuffer = new BufferTextBox(this);
    txtBuffer->setFont(font);
    vsc = new QScrollBar(Qt::Vertical, this);
    vsc->setFocusPolicy(Qt::NoFocus);
    vsc->setMinimum(0);
    vsc->setSingleStep(1);
    vsc->setPageStep(1);
    vsc->setTracking(false);  // only the final position counts
    lblAddressCaption = new QLabel(QStringLiteral("Address:"), this);
    lblAddress = ValueLabel(this, font);
    lblCheckSumCaption = new QLabel(QStringLiteral("CheckSum:"), this);
    lblCheckSum = ValueLabel(this, font);

    txtBuffer->KeyDown = [this](int k, Qt::KeyboardModifiers s) { txtBuffer_KeyDown(k, s); };
    txtBuffer->KeyPress = [this](QChar c) { txtBuffer_KeyPress(c); };
    txtBuffer->KeyUp = [this](int k, Qt::KeyboardModifiers s) { txtBuffer_KeyUp(k, s); };
    txtBuffer->Click = [this] { txtBuffer_Click(); };
    txtBuffer->DblClick = [this] { txtBuffer_DblClick(); };
    txtBuffer->Wheel = [this](int steps) { txtBuffer_MouseWheel(steps); };
    connect(vsc, &QScrollBar::valueChanged, this, &frmBuffer::vsc_Change);

    setFocusProxy(txtBuffer);
    Form_Load();
    Layout();
}

void frmBuffer::Layout()
{
    // The twips layout, grown where the font needs more room to show the
    // seventeen lines whole.
    const QRect text = TwipsRect(this, 120, 360, 9975, 3615);
    const int scrollWidth = TwipsX(this, 255);
    const QSize need = txtBuffer->SizeFor(LineCount + 1, CharColumn + BytesPerLine);
    const int growY = std::max(0, need.height() - text.height());
    const int growX = std::max(0, need.width() + scrollWidth - text.width());
    txtBuffer->setGeometry(text.adjusted(0, 0, growX, growY));
    vsc->setGeometry(TwipsX(this, 9840) + growX, text.top(), scrollWidth, text.height() + growY);
    // The row below the text, left to right; a caption that needs more room
    // than its twips pushes the rest of the row along.
    const int rowTop = TwipsY(this, 4080) + growY;
    const int rowHeight = std::max(TwipsY(this, 255), lblAddress->sizeHint().height());
    int pushed = 0;
    const auto place = [&](QLabel* l, int left, int width) {
        const int x = std::max(TwipsX(this, left), pushed);
        const int w = std::max(TwipsX(this, width), l->sizeHint().width());
        l->setGeometry(x, rowTop, w, rowHeight);
        pushed = x + w + TwipsX(this, 60);
    };
    place(lblAddressCaption, 120, 615);
    place(lblAddress, 840, 615);
    place(lblCheckSumCaption, 1920, 855);
    place(lblCheckSum, 2880, 615);
    setFixedSize(TwipsX(this, 10215) + growX, TwipsY(this, 4410) + growY + (rowHeight - TwipsY(this, 255)));
}

void frmBuffer::Form_Load()
{
    HeaderText = BufferView::HeaderText();
    TopLine = 0;
    {
        const QSignalBlocker quiet(vsc);
        vsc->setMaximum(ScrollMaximum(modFunc::SelectedDevice().Size));
        vsc->setValue(0);
    }
    UpdateBuffer();
}

void frmBuffer::UpdateBuffer()
{
    using namespace modFunc;
    ViewText = BuildViewText(Buffer, TopLine);
    txtBuffer->SetViewText(ViewText);
    txtBuffer->Mark({});
    CaretPos = TopDigitPos;
    CaretColumn = 0;
    SelectCaret();
    ShowAddress(std::clamp<int32_t>(TopLine, 0, MaxTopLine) * BytesPerLine);
    CheckSum = ComputeCheckSum(Buffer, SelectedDevice().Size);
    lblCheckSum->setText(Hex4(CheckSum));
}

bool frmBuffer::ShowByte(int32_t address, bool toTop)
{
    if (address < 0 || address >= ViewSize(modFunc::SelectedDevice().Size))
        return false;
    const int32_t line = address / BytesPerLine;
    if (toTop || line < TopLine || line >= TopLine + LineCount)
        ScrollStep(line - TopLine);
    const int32_t row = line - TopLine;
    if (row < 0 || row >= LineCount)
        return false;  // past the last line the scroll range reaches
    CaretPos = int16_t(PosOf(row, FirstHexColumn + 3 * (address % BytesPerLine)));
    HighlightStep();
    return true;
}

void frmBuffer::MarkBytes(int32_t first, int32_t length)
{
    txtBuffer->Mark(MarkedRanges(first, length, TopLine));
}

void frmBuffer::vsc_Change(int value)
{
    TopLine = value;
    UpdateBuffer();
}

void frmBuffer::SelectCaret() { txtBuffer->Select(CaretPos, 1); }

void frmBuffer::ShowAddress(int32_t address)
{
    CaretAddress = address;
    lblAddress->setText(modFunc::Hex4(address));
}

void frmBuffer::HighlightStep()
{
    SelectCaret();
    CaretColumn = int16_t(PlaceOf(CaretPos).column - FirstHexColumn);
    ShowAddress(AddressAt(CaretPos, TopLine));
}

void frmBuffer::ScrollStep(int delta)
{
    TopLine = std::clamp<int32_t>(TopLine + delta, 0, vsc->maximum());
    {
        // The scroll bar follows without a redraw of its own.
        const QSignalBlocker quiet(vsc);
        vsc->setValue(TopLine);
    }
    UpdateBuffer();
}

void frmBuffer::txtBuffer_Click()
{
    txtBuffer->Mark({});
    const int p = txtBuffer->SelStart();
    if (IsDigitPos(p)) {
        CaretPos = int16_t(p);
        ShowAddress(AddressAt(p, TopLine));
    }
    SelectCaret();
}

void frmBuffer::txtBuffer_DblClick() { SelectCaret(); }

void frmBuffer::txtBuffer_KeyUp(int, Qt::KeyboardModifiers) { SelectCaret(); }

void frmBuffer::txtBuffer_MouseWheel(int steps)
{
    // One line per step, as the scroll bar's arrows move it.
    const auto action = steps > 0 ? QAbstractSlider::SliderSingleStepSub : QAbstractSlider::SliderSingleStepAdd;
    for (int i = 0; i < std::abs(steps); ++i)
        vsc->triggerAction(action);
}

void frmBuffer::txtBuffer_KeyDown(int keyCode, Qt::KeyboardModifiers shift)
{
    if (keyCode != 0)
        txtBuffer->Mark({});
    CaretColumn = int16_t(PlaceOf(CaretPos).column - FirstHexColumn);
    const CaretMove move = MoveCaret(keyCode, CaretPos, TopLine, vsc->maximum(), modFunc::SelectedDevice().Size,
                                     shift.testFlag(Qt::ControlModifier));
    if (move.scroll != 0)
        ScrollStep(move.scroll);
    CaretPos = int16_t(move.caretPos);
    HighlightStep();
}

void frmBuffer::txtBuffer_KeyPress(QChar key)
{
    const int v = HexText::DigitValue(key);
    if (v < 0)
        return;
    const int16_t remembered = CaretPos;
    if (!IsDigitPos(remembered))
        return;
    const bool high = IsHighDigit(remembered);
    const int32_t a = AddressAt(remembered, TopLine);
    if (a < 0 || a >= modFunc::BufferSize)
        return;
    // The second digit of a byte joins the change of its first.
    modFunc::BufferHistory.Begin(modFunc::Buffer);
    modFunc::Buffer[size_t(a)] = SetNibble(modFunc::Buffer[size_t(a)], high, v);
    modFunc::BufferHistory.Commit(modFunc::Buffer, UndoStore::Update, {QStringLiteral("Typing"), {}},
                                  !high && typedHigh_ == a);
    typedHigh_ = high ? a : -1;
    UpdateBuffer();
    CaretPos = remembered;
    HighlightStep();
    txtBuffer_KeyDown(KeyRight, Qt::NoModifier);
}
