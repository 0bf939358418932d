#include "files/FileFormats.h"
#include "files/RecordText.h"

#include "core/HexText.h"

#include <algorithm>
#include <cstring>

namespace modFunc {
std::array<HexLine, MaxHexRecords + 1> HexLines;
int16_t HexLineCount = 0;
}  // namespace modFunc

namespace FileFormats {

namespace {

enum RecordType { DataRecord = 0, EndRecord = 1, SegmentRecord = 2, StartSegmentRecord = 3,
                  LinearRecord = 4, StartLinearRecord = 5 };

// Byte count, two address bytes, type, up to 255 data bytes, checksum.
constexpr int MaxLineBytes = 5 + 255;

LoadResult Fail(const QString& why, bool checksum = false)
{
    modFunc::HexLineCount = 0;
    return {why, checksum};
}

LoadResult NotARecord(int line)
{
    return Fail(QStringLiteral("Line %1 is not a valid Intel HEX record.").arg(line));
}

using RecordText::PutByte;

}  // namespace

QString OutsideBufferMessage(const QString& where, int64_t index)
{
    return QStringLiteral("The byte at %1 lands at index %2, outside the Buffer (0 to %3). "
                          "The bytes before it were loaded.")
        .arg(where, HexText::Hex(index), HexText::Hex(modFunc::BufferLast));
}

LoadResult ReadHexRecords(QByteArrayView text)
{
    using namespace modFunc;
    RecordText::Lines lines(text);
    const char* b = nullptr;
    const char* e = nullptr;
    int count = 0;
    uint32_t base = 0;
    uint8_t rec[MaxLineBytes];
    while (lines.Next(b, e)) {
        const int line = lines.number();
        if (b == e)
            continue;

        const ptrdiff_t digits = e - b - 1;
        if (*b != ':' || digits < 10 || digits % 2 != 0 || digits > 2 * MaxLineBytes)
            return NotARecord(line);
        const int n = int(digits / 2);
        uint8_t sum = 0;
        for (int k = 0; k < n; ++k) {
            const int hi = HexText::DigitValues[uint8_t(b[1 + 2 * k])];
            const int lo = HexText::DigitValues[uint8_t(b[2 + 2 * k])];
            if ((hi | lo) < 0)
                return NotARecord(line);
            rec[k] = uint8_t(hi << 4 | lo);
            sum = uint8_t(sum + rec[k]);
        }
        const int byteCount = rec[0];
        if (n != byteCount + 5)
            return NotARecord(line);
        if (byteCount > MaxHexRecordBytes)
            return Fail(QStringLiteral("Line %1 is a record with %2 data bytes; a record may hold at most %3.")
                            .arg(line)
                            .arg(byteCount)
                            .arg(MaxHexRecordBytes));
        const int type = rec[3];
        if (type == EndRecord)
            break;
        if (type == StartSegmentRecord || type == StartLinearRecord)
            continue;
        if (type != DataRecord && type != SegmentRecord && type != LinearRecord)
            return Fail(QStringLiteral("Line %1 is a record of type %2, which Quirra does not know.")
                            .arg(line)
                            .arg(HexText::Hex(type).rightJustified(2, QLatin1Char('0'))));
        if (sum != 0)
            return Fail(ChecksumMessage, true);
        if (type != DataRecord) {
            if (byteCount != 2)
                return NotARecord(line);
            const uint32_t value = uint32_t(rec[4]) << 8 | rec[5];
            base = type == LinearRecord ? value << 16 : value << 4;
            continue;
        }
        if (count == MaxHexRecords)
            return Fail(QStringLiteral("The file holds more than %1 data records.").arg(MaxHexRecords));
        HexLine& h = HexLines[size_t(++count)];
        h.LineNumber = line;
        h.ByteCount = int16_t(byteCount);
        h.Address = int32_t(rec[1]) << 8 | rec[2];
        h.RecordType = int16_t(type);
        std::memcpy(h.Data.data(), rec + 4, size_t(byteCount));
        h.ChecksumByte = rec[n - 1];
        h.Base = base;
    }
    HexLineCount = int16_t(count);
    return {};
}

LoadResult CopyHexRecords(Image& buffer, uint32_t fileAddress, uint32_t bufferAddress)
{
    using namespace modFunc;
    const int count = std::clamp<int>(HexLineCount, 0, MaxHexRecords);
    for (int i = 1; i <= count; ++i) {
        const HexLine& h = HexLines[size_t(i)];
        const int64_t first = int64_t(h.Base) + h.Address;
        const int bytes = std::clamp<int>(h.ByteCount, 0, MaxHexRecordBytes);
        for (int j = 0; j < bytes; ++j) {
            const int64_t a = first + j;
            if (a < fileAddress)
                continue;
            const int64_t index = a + bufferAddress;
            if (index > BufferLast)
                return {OutsideBufferMessage(QStringLiteral("address %1 (line %2)").arg(HexText::Hex(a)).arg(h.LineNumber),
                                             index),
                        false, a, h.LineNumber, index};
            buffer[size_t(index)] = h.Data[size_t(j)];
        }
    }
    return {};
}

LoadResult LoadHex(QByteArrayView text, Image& buffer, uint32_t fileAddress, uint32_t bufferAddress)
{
    LoadResult r = ReadHexRecords(text);
    if (!r.ok())
        return r;
    return CopyHexRecords(buffer, fileAddress, bufferAddress);
}

QByteArray HexImage(const Image& buffer, int32_t size)
{
    static constexpr char EndLine[] = ":00000001FF\r\n";
    constexpr int LineLength = 1 + 2 * (5 + 16) + 2;
    size = std::clamp<int32_t>(size, 0, modFunc::MaxDeviceSize);
    const int records = (size + 15) / 16;
    QByteArray out(qsizetype(records) * LineLength + qsizetype(sizeof EndLine - 1), Qt::Uninitialized);
    char* o = out.data();
    for (int r = 0; r < records; ++r) {
        const int a = r * 16;
        *o++ = ':';
        o = PutByte(o, 0x10);
        o = PutByte(o, uint8_t(a >> 8));
        o = PutByte(o, uint8_t(a));
        o = PutByte(o, 0x00);
        uint8_t sum = uint8_t(0x10 + (a >> 8) + a);
        for (int j = 0; j < 16; ++j) {
            const uint8_t b = buffer[size_t(a + j)];
            o = PutByte(o, b);
            sum = uint8_t(sum + b);
        }
        o = PutByte(o, uint8_t(-sum));
        *o++ = '\r';
        *o++ = '\n';
    }
    std::memcpy(o, EndLine, sizeof EndLine - 1);
    return out;
}

}  // namespace FileFormats
