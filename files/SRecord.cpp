#include "files/FileFormats.h"
#include "core/HexText.h"
#include "files/RecordText.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace FileFormats {

namespace {

using RecordText::PutByte;

int Digit(char c) { return RecordText::DigitValues[uint8_t(c)]; }

// Address bytes of each record type S0 to S9; 0 for the reserved S4.
constexpr int AddressBytes[10] = {2, 2, 3, 4, 0, 2, 3, 4, 3, 2};

// One data record of the file: where its bytes sit in the decoded bytes.
struct DataRecord {
    int line;
    uint32_t address;
    qsizetype first;
    int count;
};

LoadResult LineError(int line, const char* what)
{
    return {QStringLiteral("Line %1 %2").arg(line).arg(QLatin1String(what))};
}

}  // namespace

LoadResult LoadSRecords(QByteArrayView text, Image& buffer, uint32_t fileAddress, uint32_t bufferAddress,
                        QByteArray* header)
{
    RecordText::Lines lines(text);
    const char* b = nullptr;
    const char* e = nullptr;
    std::vector<DataRecord> records;
    QByteArray bytes;  // the data bytes of every data record, in file order
    QByteArray head;
    bytes.reserve(text.size() / 2);
    records.reserve(size_t(text.size() / 12));
    uint8_t rec[256];
    // First pass: every record tested; nothing is stored in the buffer.
    while (lines.Next(b, e)) {
        const int line = lines.number();
        if (b == e)
            continue;
        const ptrdiff_t digits = e - b - 2;
        if ((b[0] != 'S' && b[0] != 's') || digits < 4 || digits % 2 != 0 || digits > 2 * 256 ||
            b[1] < '0' || b[1] > '9')
            return LineError(line, "is not a valid Motorola S-record.");
        const int type = b[1] - '0';
        const int n = int(digits / 2);
        unsigned sum = 0;
        for (int k = 0; k < n; ++k) {
            const int hi = Digit(b[2 + 2 * k]), lo = Digit(b[3 + 2 * k]);
            if ((hi | lo) < 0)
                return LineError(line, "is not a valid Motorola S-record.");
            rec[k] = uint8_t(hi << 4 | lo);
            sum += rec[k];
        }
        const int addressBytes = AddressBytes[type];
        if (addressBytes == 0)
            return {QStringLiteral("Line %1 is a record of type S4, which Quirra does not know.").arg(line)};
        // The count covers the address, the data and the checksum.
        if (rec[0] != n - 1 || rec[0] < addressBytes + 1)
            return LineError(line, "is not a valid Motorola S-record: its byte count does not match its length.");
        if ((sum & 0xFF) != 0xFF)
            return LineError(line, "has a wrong checksum.");
        uint32_t address = 0;
        for (int k = 1; k <= addressBytes; ++k)
            address = address << 8 | rec[k];
        const int dataFirst = 1 + addressBytes;
        const int dataCount = n - 1 - dataFirst;
        if (type == 0) {
            head = QByteArray(reinterpret_cast<const char*>(rec + dataFirst), dataCount);
        } else if (type <= 3) {
            records.push_back({line, address, bytes.size(), dataCount});
            bytes.append(reinterpret_cast<const char*>(rec + dataFirst), dataCount);
        } else if (type <= 6) {
            if (dataCount != 0)
                return LineError(line, "is not a valid Motorola S-record: a count record holds no data.");
            if (address != records.size())
                return {QStringLiteral("Line %1 counts %2 data records, but the file has %3 before it.")
                            .arg(line)
                            .arg(address)
                            .arg(records.size())};
        } else {
            break;  // S7, S8, S9: the end of the file
        }
    }
    // Second pass: the data into the buffer; the first byte outside it ends
    // the load, the bytes before it staying.
    for (const DataRecord& r : records) {
        for (int j = 0; j < r.count; ++j) {
            const int64_t a = int64_t(r.address) + j;
            if (a < fileAddress)
                continue;
            const int64_t index = a + bufferAddress;
            if (index > modFunc::BufferLast)
                return {OutsideBufferMessage(QStringLiteral("address %1 (line %2)").arg(HexText::Hex(a)).arg(r.line), index),
                        false, a, r.line, index};
            buffer[size_t(index)] = uint8_t(bytes[r.first + j]);
        }
    }
    if (header)
        *header = head;
    return {};
}

QByteArray SRecordImage(const Image& buffer, int32_t size)
{
    size = std::clamp<int32_t>(size, 0, modFunc::BufferSize);
    QByteArray out;
    out.reserve(qsizetype(size / 16 + 4) * 48);
    char line[2 + 2 * 256 + 2];
    // One record: type, address of addressBytes bytes, data.
    auto put = [&](int type, int addressBytes, uint32_t address, const uint8_t* data, int count) {
        const int n = addressBytes + count + 1;
        char* o = line;
        *o++ = 'S';
        *o++ = char('0' + type);
        o = PutByte(o, uint8_t(n));
        unsigned sum = unsigned(n);
        for (int k = addressBytes - 1; k >= 0; --k) {
            const uint8_t b = uint8_t(address >> (8 * k));
            o = PutByte(o, b);
            sum += b;
        }
        for (int k = 0; k < count; ++k) {
            o = PutByte(o, data[k]);
            sum += data[k];
        }
        o = PutByte(o, uint8_t(~sum));
        *o++ = '\r';
        *o++ = '\n';
        out.append(line, o - line);
    };
    static constexpr char Name[] = "Quirra";
    put(0, 2, 0, reinterpret_cast<const uint8_t*>(Name), int(sizeof Name - 1));
    int records = 0;
    for (int32_t a = 0; a < size; a += 16, ++records) {
        const bool wide = a + 15 > 0xFFFF;
        put(wide ? 2 : 1, wide ? 3 : 2, uint32_t(a), buffer.data() + a, std::min(16, size - a));
    }
    put(5, 2, uint32_t(records), nullptr, 0);
    put(9, 2, 0, nullptr, 0);
    return out;
}

bool NameSaysSRecords(const QString& name)
{
    static const char* const endings[] = {".s19", ".s28", ".s37", ".srec", ".mot"};
    return std::any_of(std::begin(endings), std::end(endings),
                       [&](const char* e) { return name.endsWith(QLatin1String(e), Qt::CaseInsensitive); });
}

}  // namespace FileFormats
