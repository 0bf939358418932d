// Hexadecimal text, read and written: the one place for its digits. Each
// reader of a typed or stored number says how lenient it is with a HexForm.
#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <optional>

namespace HexText {

// Upper-case digit of the low four bits of v.
constexpr char Digit(int v) { return "0123456789ABCDEF"[v & 15]; }

constexpr std::array<int8_t, 256> MakeDigitTable()
{
    std::array<int8_t, 256> t{};
    for (int c = 0; c < 256; ++c)
        t[size_t(c)] = -1;
    for (int d = 0; d < 10; ++d)
        t[size_t('0' + d)] = int8_t(d);
    for (int d = 0; d < 6; ++d) {
        t[size_t('A' + d)] = int8_t(10 + d);
        t[size_t('a' + d)] = int8_t(10 + d);
    }
    return t;
}
// The value of a digit byte, -1 for any other byte.
inline constexpr std::array<int8_t, 256> DigitValues = MakeDigitTable();
// The value of a digit, either case; -1 for anything else.
inline int DigitValue(QChar c) { return c.unicode() < 256 ? DigitValues[c.unicode()] : -1; }

// How a reader takes a text.
struct HexForm {
    // Reads the leading digits and ignores the rest ("1FZ" is 1F, "" is 0);
    // otherwise the whole text must be digits, at least one and at most
    // maxDigits of them, leading zeros counted.
    bool leadingDigits = false;
    int maxDigits = 8;
    // A value past 32 bits: reading stops before the digit that would
    // overflow; otherwise the text is refused.
    bool stopAtOverflow = false;
    // Blanks around, a "0x" in front and an "H" behind are allowed.
    bool decorated = false;
};

// The value, or nothing when the form refuses the text.
std::optional<uint32_t> Parse(const QString& text, const HexForm& form);

// Two digits.
QString Hex2(uint8_t b);
// At least four digits for 0 to FFF, as many as needed above, and the 32-bit
// two's complement for negative values.
QString Hex4(int32_t v);
// As many digits as needed.
QString Hex(int64_t v);
// Exactly eight digits.
QString Hex8(uint32_t v);

}  // namespace HexText
