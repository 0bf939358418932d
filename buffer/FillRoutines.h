// Clear and Fill of the Buffer, and the reading of the Fill window's
// hexadecimal fields: plain functions that need no window.
#pragma once

#include "core/modFunc.h"

#include <QString>
#include <cstdint>
#include <optional>

namespace modFunc {
// The Fill window's answer to the Fill command.
extern bool FillOk;
extern uint8_t FillValue;
extern int32_t FillStart;
extern int32_t FillLength;
}  // namespace modFunc

namespace FillRoutines {

// Every Buffer byte, indices 0 to 70000, to 0xFF.
void ClearBuffer(std::array<uint8_t, modFunc::BufferSize>& buffer);

// Buffer[start] to Buffer[start + length - 1] to `value`, cut to the end
// of the Buffer; nothing for a length of 0 or below or a start outside
// the Buffer. Returns how many bytes were written.
int32_t FillRange(std::array<uint8_t, modFunc::BufferSize>& buffer, int32_t start, int32_t length, uint8_t value);

// The hex digits (either case) from the start of `text` up to the first
// other character; 0 when there is none ("7" 0x07, "a5" 0xA5, "zz" 0).
uint32_t LenientHex(const QString& text);

// `text` as an unsigned hexadecimal number of one to four digits (either
// case, nothing else); empty when it is not one.
std::optional<int32_t> StrictHex4(const QString& text);

}  // namespace FillRoutines
