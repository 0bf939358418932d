#include "buffer/BufferView.h"

#include <algorithm>
#include <cmath>

namespace modFunc {
int32_t CheckSum = 0;
}

namespace BufferView {

namespace {
constexpr int DumpLength = LineCount * LineLength;
}  // namespace

QString HeaderText()
{
    QString h = QStringLiteral("ADDR") + QString(23, QLatin1Char(' ')) + QStringLiteral("HEX") +
                QString(28, QLatin1Char(' ')) + QStringLiteral("ASCII\r\n");
    return h;
}

int32_t ViewSize(int32_t size) { return std::clamp<int32_t>(size, 0, MaxViewSize); }

int32_t ScrollMaximum(int32_t size)
{
    const int64_t max = modFunc::RoundHalfEven(ViewSize(size) / 16.0 - LineCount);
    return max < 0 ? 0 : int32_t(max);
}

int32_t ComputeCheckSum(const std::array<uint8_t, modFunc::BufferSize>& buffer, int32_t size)
{
    const int32_t end = std::clamp<int32_t>(size, 0, modFunc::BufferSize);
    uint32_t sum = 0;
    for (int32_t k = 0; k < end; ++k)
        sum += buffer[size_t(k)];
    return int32_t(sum & 0xFFFF);
}

QChar ViewChar(uint8_t b)
{
    return (b >= 0x20 && b < 0x80) ? QChar(char16_t(b)) : QLatin1Char('.');
}

namespace {
void WriteDump(QChar* out, const std::array<uint8_t, modFunc::BufferSize>& buffer, int32_t topLine)
{
    topLine = std::clamp<int32_t>(topLine, 0, MaxTopLine);
    for (int i = 0; i < LineCount; ++i) {
        const int32_t a = (topLine + i) * BytesPerLine;  // at most 0xFFF0
        QChar* line = out + i * LineLength;
        line[0] = QLatin1Char(HexText::Digit((a >> 12)));
        line[1] = QLatin1Char(HexText::Digit((a >> 8)));
        line[2] = QLatin1Char(HexText::Digit((a >> 4)));
        line[3] = QLatin1Char(HexText::Digit(a));
        line[4] = QLatin1Char('=');
        for (int k = 0; k < BytesPerLine; ++k) {
            const uint8_t b = buffer[size_t(a + k)];
            line[FirstHexColumn + 3 * k] = QLatin1Char(HexText::Digit(b >> 4));
            line[FirstHexColumn + 3 * k + 1] = QLatin1Char(HexText::Digit(b));
            line[FirstHexColumn + 3 * k + 2] = QLatin1Char(' ');
            line[CharColumn + k] = ViewChar(b);
        }
        line[LineLength - 2] = QLatin1Char('\r');
        line[LineLength - 1] = QLatin1Char('\n');
    }
}
}  // namespace

QString BuildDumpText(const std::array<uint8_t, modFunc::BufferSize>& buffer, int32_t topLine)
{
    QString s(DumpLength, Qt::Uninitialized);
    WriteDump(s.data(), buffer, topLine);
    return s;
}

QString BuildViewText(const std::array<uint8_t, modFunc::BufferSize>& buffer, int32_t topLine)
{
    static const QString header = HeaderText();
    QString s(TextLength, Qt::Uninitialized);
    std::copy(header.cbegin(), header.cend(), s.data());
    WriteDump(s.data() + HeaderLength, buffer, topLine);
    return s;
}

TextPlace PlaceOf(int pos)
{
    if (pos < HeaderLength)
        return {-1, pos};
    return {(pos - HeaderLength) / LineLength, (pos - HeaderLength) % LineLength};
}

int PosOf(int line, int column) { return HeaderLength + line * LineLength + column; }

bool IsDigitPos(int pos)
{
    if (pos < HeaderLength || pos >= TextLength)
        return false;
    const TextPlace p = PlaceOf(pos);
    return p.column >= FirstHexColumn && p.column <= LastHexColumn && (p.column - FirstHexColumn) % 3 != 2;
}

bool IsHighDigit(int pos) { return (PlaceOf(pos).column - FirstHexColumn) % 3 == 0; }

int32_t AddressAt(int pos, int32_t topLine)
{
    const TextPlace p = PlaceOf(pos);
    return (topLine + p.line) * BytesPerLine + (p.column - FirstHexColumn) / 3;
}

QString WidgetText(const QString& viewText)
{
    QString w(viewText.size(), Qt::Uninitialized);
    QChar* out = w.data();
    for (QChar c : viewText)
        if (c != QLatin1Char('\r'))
            *out++ = c;
    w.truncate(int(out - w.constData()));
    if (w.endsWith(QLatin1Char('\n')))
        w.chop(1);
    return w;
}

int WidgetPos(int pos)
{
    if (pos < HeaderLength)
        return std::min(pos, HeaderLength - 2);
    const TextPlace p = PlaceOf(pos);
    return pos - (p.line + 1) - (p.column == LineLength - 1 ? 1 : 0);
}

int PosFromWidget(int block, int column)
{
    if (block <= 0)
        return column;
    return PosOf(block - 1, column);
}

namespace {
// The caret `lines` lines up (negative) or down from where it stands, in
// its column, the view scrolled by as much as it can; a caret that would
// stand past the device's end climbs back to the last line that reaches its
// column.
CaretMove PageMove(int lines, int caretPos, int32_t topLine, int32_t scrollMax, int32_t viewSize)
{
    const TextPlace p = PlaceOf(caretPos);
    const int32_t lastLine = std::max(0, (viewSize - 1) / BytesPerLine);
    const int32_t top = std::clamp(topLine + lines, 0, std::max(scrollMax, 0));
    const int32_t target = std::clamp(topLine + p.line + lines, 0, lastLine);
    int row = std::clamp(target - top, 0, LineCount - 1);
    const int byte = (p.column - FirstHexColumn) / 3;
    while (row > 0 && (top + row) * BytesPerLine + byte >= viewSize)
        --row;
    return {PosOf(row, p.column), top - topLine};
}
}  // namespace

CaretMove MoveCaret(int keyCode, int caretPos, int32_t topLine, int32_t scrollMax, int32_t size, bool ctrl)
{
    if (!IsDigitPos(caretPos))
        return {TopDigitPos, 0};
    const TextPlace p = PlaceOf(caretPos);
    const int L = p.line;
    const int c = p.column;
    const int32_t viewSize = ViewSize(size);
    const bool atTop = topLine <= 0;
    const bool atBottom = topLine >= scrollMax;
    switch (keyCode) {
    case KeyLeft:
        if (c > FirstHexColumn)
            return {IsHighDigit(caretPos) ? caretPos - 2 : caretPos - 1, 0};
        if (L > 0)
            return {PosOf(L - 1, LastHexColumn - 1), 0};
        if (atTop)
            return {caretPos, 0};
        return {TopDigitPos, -1};
    case KeyRight:
        if (c < LastHexColumn - 1)
            return {IsHighDigit(caretPos) ? caretPos + 1 : caretPos + 2, 0};
        if (L < LineCount - 1)
            return {PosOf(L + 1, FirstHexColumn), 0};
        if (atBottom || (topLine + LineCount) * BytesPerLine >= viewSize)
            return {caretPos, 0};
        return {BottomDigitPos, +1};
    case KeyUp:
        if (L > 0)
            return {caretPos - LineLength, 0};
        if (atTop)
            return {caretPos, 0};
        return {caretPos, -1};
    case KeyDown:
        if (L < LineCount - 1)
            return {caretPos + LineLength, 0};
        if (atBottom || (topLine + LineCount) * BytesPerLine + (c - FirstHexColumn) / 3 >= viewSize)
            return {caretPos, 0};
        return {caretPos, +1};
    case KeyPageUp:
        return PageMove(-LineCount, caretPos, topLine, scrollMax, viewSize);
    case KeyPageDown:
        return PageMove(LineCount, caretPos, topLine, scrollMax, viewSize);
    case KeyHome:
        return ctrl ? CaretMove{TopDigitPos, -topLine} : CaretMove{caretPos, 0};
    case KeyEnd: {
        if (!ctrl || viewSize <= 0)
            return {caretPos, 0};
        const int32_t top = std::max(scrollMax, 0);
        const int32_t last = std::min(viewSize, (top + LineCount) * BytesPerLine) - 1;
        const int row = std::clamp(last / BytesPerLine - top, 0, LineCount - 1);
        return {PosOf(row, FirstHexColumn + 3 * (last % BytesPerLine)), top - topLine};
    }
    default:
        return {caretPos, 0};
    }
}

QList<TextRange> MarkedRanges(int32_t first, int32_t length, int32_t topLine)
{
    QList<TextRange> ranges;
    const int64_t end = int64_t(first) + std::max(length, 0);  // one past the last byte
    for (int line = 0; line < LineCount; ++line) {
        const int64_t lineStart = int64_t(topLine + line) * BytesPerLine;
        const int64_t lo = std::max<int64_t>(first, lineStart);
        const int64_t hi = std::min<int64_t>(end, lineStart + BytesPerLine) - 1;
        if (lo > hi)
            continue;
        const int from = PosOf(line, FirstHexColumn + 3 * int(lo - lineStart));
        const int to = PosOf(line, FirstHexColumn + 3 * int(hi - lineStart) + 1);
        ranges.append({from, to - from + 1});
    }
    return ranges;
}

uint8_t SetNibble(uint8_t b, bool high, int v)
{
    v &= 15;
    return high ? uint8_t((b & 0x0F) | (v << 4)) : uint8_t((b & 0xF0) | v);
}

}  // namespace BufferView
