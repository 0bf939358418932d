// What the Intel HEX and S-record readers and writers share: upper-case
// hex bytes and the lines of a file with the blanks
// around them cut off.
#pragma once

#include "core/HexText.h"

#include <QByteArrayView>
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

namespace FileFormats::RecordText {

using HexText::DigitValues;

// Two upper-case hex digits at o; returns the place after them.
inline char* PutByte(char* o, uint8_t b)
{
    o[0] = HexText::Digit(b >> 4);
    o[1] = HexText::Digit(b);
    return o + 2;
}

// Lines of a text ended by CR LF, LF or CR alone (as in the start files),
// a byte-order mark at the start skipped.
class Lines {
public:
    explicit Lines(QByteArrayView text) : p_(text.data()), end_(text.data() + text.size())
    {
        if (text.startsWith("\xEF\xBB\xBF"))  // a byte-order mark some editors write
            p_ += 3;
    }
    // The next line without the spaces and tabs around it in [b, e);
    // false at the end of the text. number() counts the lines from 1.
    bool Next(const char*& b, const char*& e)
    {
        if (p_ >= end_)
            return false;
        b = p_;
        e = std::find_if(p_, end_, [](char c) { return c == '\n' || c == '\r'; });
        p_ = e;
        if (p_ < end_ && *p_++ == '\r' && p_ < end_ && *p_ == '\n')
            ++p_;
        ++number_;
        while (b < e && (*b == ' ' || *b == '\t'))
            ++b;
        while (e > b && (e[-1] == ' ' || e[-1] == '\t'))
            --e;
        return true;
    }
    int number() const { return number_; }

private:
    const char* p_;
    const char* end_;
    int number_ = 0;
};

}  // namespace FileFormats::RecordText
