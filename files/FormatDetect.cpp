#include "files/FileFormats.h"

#include "core/HexText.h"

#include <QFile>
#include <QFileInfo>

namespace FileFormats {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

int HexDigit(char c) { return HexText::DigitValues[uint8_t(c)]; }

bool IsHexRecord(QByteArrayView line)
{
    // ":" LL AAAA TT data... CC
    if (line.size() < 11 || line[0] != ':')
        return false;
    for (qsizetype i = 1; i < line.size(); ++i)
        if (HexDigit(line[i]) < 0)
            return false;
    const int count = HexDigit(line[1]) * 16 + HexDigit(line[2]);
    const int type = HexDigit(line[7]) * 16 + HexDigit(line[8]);
    return line.size() == 11 + 2 * count && type <= 5;
}

// "S" (or "s"), the type digit, then the byte count and that many bytes
// (address, data, checksum).
bool IsSRecord(QByteArrayView line)
{
    if (line.size() < 10 || (line[0] != 'S' && line[0] != 's') || line[1] < '0' || line[1] > '9')
        return false;
    for (qsizetype i = 2; i < line.size(); ++i)
        if (HexDigit(line[i]) < 0)
            return false;
    const int count = HexDigit(line[2]) * 16 + HexDigit(line[3]);
    return line.size() == 4 + 2 * count;
}

}  // namespace

ImageFormat FormatOfContent(QByteArrayView head)
{
    if (IsElf(head))
        return ImageFormat::Elf;
    if (head.startsWith("\xEF\xBB\xBF"))  // a byte-order mark some editors write
        head = head.sliced(3);
    qsizetype start = 0;
    while (start < head.size() && IsBlank(head[start]))
        ++start;
    qsizetype end = start;
    // A line ends at LF or CR, as the reader takes it.
    while (end < head.size() && head[end] != '\n' && head[end] != '\r')
        ++end;
    while (end > start && IsBlank(head[end - 1]))
        --end;
    const QByteArrayView line = head.sliced(start, end - start);
    if (IsHexRecord(line))
        return ImageFormat::IntelHex;
    return IsSRecord(line) ? ImageFormat::SRecord : ImageFormat::Binary;
}

ImageFormat FormatOfFile(const QString& path)
{
    // Only a plain file: opening a pipe would wait for its writer.
    QFile f(path);
    if (!QFileInfo(path).isFile() || !f.open(QIODevice::ReadOnly))
        return ImageFormat::Binary;
    return FormatOfContent(f.read(FormatProbeBytes));
}

}  // namespace FileFormats
