// The text of the hex view, its geometry and the checksum: plain functions
// that need no window.
#pragma once

#include "core/modFunc.h"

#include <QList>
#include <QString>
#include <cstdint>

namespace modFunc {
// The checksum last computed by a redraw of the hex view (0 to 65535).
extern int32_t CheckSum;
}  // namespace modFunc


namespace BufferView {

// Geometry of the view text: a 65-character header (63 characters and
// CR LF), then sixteen lines of 71 characters (address, "=", sixteen
// "HH " groups, sixteen characters, CR LF).
constexpr int HeaderLength = 65;
constexpr int LineLength = 71;
constexpr int LineCount = 16;
constexpr int BytesPerLine = 16;
constexpr int TextLength = HeaderLength + LineCount * LineLength;  // 1201
constexpr int FirstHexColumn = 5;
constexpr int LastHexColumn = 52;
constexpr int CharColumn = 53;
constexpr int TopDigitPos = HeaderLength + FirstHexColumn;                          // 70
constexpr int BottomDigitPos = HeaderLength + (LineCount - 1) * LineLength + FirstHexColumn;  // 1135

// The view shows at most the first 64 KiB: line addresses stay four digits.
constexpr int32_t MaxViewSize = 0x10000;
constexpr int32_t MaxTopLine = MaxViewSize / BytesPerLine - LineCount;  // 4080

// The 63-character header line followed by CR LF.
QString HeaderText();

// The bytes the view can scroll through for a device of `size` bytes: the
// size itself from 0 to 64 KiB, 64 KiB above that, nothing below 0.
int32_t ViewSize(int32_t size);
// Maximum of the scroll bar: ViewSize / 16 - 16 rounded halves to even,
// at least 0 (8 KiB: 496, 64 KiB: 4080, 1000 bytes: 46).
int32_t ScrollMaximum(int32_t size);

// Sum modulo 65536 of Buffer[0] to Buffer[size - 1]; the range is cut to
// the Buffer, and is empty for a size of 0 or below.
int32_t ComputeCheckSum(const std::array<uint8_t, modFunc::BufferSize>& buffer, int32_t size);

// The sixteen view lines for `topLine` (0 to MaxTopLine; other values are
// brought into that range), each ended by CR LF: 1136 characters.
QString BuildDumpText(const std::array<uint8_t, modFunc::BufferSize>& buffer, int32_t topLine);
// HeaderText followed by the dump text: the 1201 characters of the view.
QString BuildViewText(const std::array<uint8_t, modFunc::BufferSize>& buffer, int32_t topLine);

// The character shown for a byte in the character column.
QChar ViewChar(uint8_t b);

// Place of a text position in the view: line -1 is the header.
struct TextPlace {
    int line;
    int column;
};
TextPlace PlaceOf(int pos);
int PosOf(int line, int column);  // line 0 to 15
// True for the position of a hex digit of a view line.
bool IsDigitPos(int pos);
// True when the digit at `pos` is the high one of its byte.
bool IsHighDigit(int pos);
// Address of the byte whose digit stands at `pos`, with `topLine` at the top.
int32_t AddressAt(int pos, int32_t topLine);

// The view text as a text widget holds it: "\n" line ends and none after
// the last line. Model position p maps to widget position p minus the
// number of line ends before it.
QString WidgetText(const QString& viewText);
int WidgetPos(int pos);
int PosFromWidget(int block, int column);

// Where an arrow key moves the caret. `scroll` is -1 (one line up), 0 or
// +1 (one line down); `caretPos` is where the caret stands after the move
// and the scroll.
struct CaretMove {
    int caretPos;
    int scroll;
};
// Virtual-key codes of the arrow and page keys.
constexpr int KeyPageUp = 33;
constexpr int KeyPageDown = 34;
constexpr int KeyEnd = 35;
constexpr int KeyHome = 36;
constexpr int KeyLeft = 37;
constexpr int KeyUp = 38;
constexpr int KeyRight = 39;
constexpr int KeyDown = 40;
// `caretPos` must be a digit position; `scrollMax` is the scroll bar's
// maximum and `size` the device size (see ViewSize). The view never goes
// beyond scrollMax nor past the device's end; there the caret stays.
// Page Up and Page Down move the view and the caret by sixteen lines (less
// at the ends), the caret keeping its column; with `ctrl`, Home goes to
// address 0 and End to the last byte the view reaches.
CaretMove MoveCaret(int keyCode, int caretPos, int32_t topLine, int32_t scrollMax, int32_t size, bool ctrl = false);

// The text of the digits of the `length` bytes from `first` on that the
// view shows with `topLine` at the top: per line in sight, the position of
// the first digit and the length up to the last digit.
struct TextRange {
    int pos;
    int length;
};
QList<TextRange> MarkedRanges(int32_t first, int32_t length, int32_t topLine);

// `b` with its high or low nibble replaced by v (0 to 15).
uint8_t SetNibble(uint8_t b, bool high, int v);

}  // namespace BufferView
