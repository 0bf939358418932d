#include "buffer/FillRoutines.h"

#include "buffer/BufferView.h"

namespace modFunc {
bool FillOk = false;
uint8_t FillValue = 0xFF;
int32_t FillStart = 0;
int32_t FillLength = 0;
}  // namespace modFunc

namespace FillRoutines {

void ClearBuffer(std::array<uint8_t, modFunc::BufferSize>& buffer) { buffer.fill(0xFF); }

int32_t FillRange(std::array<uint8_t, modFunc::BufferSize>& buffer, int32_t start, int32_t length, uint8_t value)
{
    if (length <= 0 || start < 0 || start >= modFunc::BufferSize)
        return 0;
    const int64_t end = std::min<int64_t>(int64_t(start) + length, modFunc::BufferSize);
    for (int64_t i = start; i < end; ++i)
        buffer[size_t(i)] = value;
    return int32_t(end - start);
}

uint32_t LenientHex(const QString& text)
{
    return *HexText::Parse(text, {.leadingDigits = true, .stopAtOverflow = true});
}

std::optional<int32_t> StrictHex4(const QString& text)
{
    const std::optional<uint32_t> v = HexText::Parse(text, {.maxDigits = 4});
    return v ? std::optional<int32_t>(int32_t(*v)) : std::nullopt;
}

}  // namespace FillRoutines
