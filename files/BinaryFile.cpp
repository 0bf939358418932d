#include "files/FileFormats.h"

#include "core/HexText.h"

#include <algorithm>
#include <cstring>

namespace FileFormats {

namespace {
// Buffer index of the first byte a binary load takes.
int64_t FirstIndex(uint32_t fileAddress, uint32_t bufferAddress)
{
    return int64_t(fileAddress) + int64_t(bufferAddress);
}
}  // namespace

qint64 BinaryReadLength(uint32_t fileAddress, uint32_t bufferAddress)
{
    return std::max<int64_t>(0, modFunc::BufferSize - FirstIndex(fileAddress, bufferAddress)) + 1;
}

LoadResult PlaceBinary(QByteArrayView tail, Image& buffer, uint32_t fileAddress, uint32_t bufferAddress)
{
    const int64_t first = FirstIndex(fileAddress, bufferAddress);
    const int64_t fit = std::clamp<int64_t>(modFunc::BufferSize - first, 0, tail.size());
    if (fit > 0)
        std::memcpy(buffer.data() + first, tail.data(), size_t(fit));
    if (fit == tail.size())
        return {};
    const int64_t at = int64_t(fileAddress) + fit;
    return {OutsideBufferMessage(QStringLiteral("file offset %1").arg(HexText::Hex(at)), first + fit),
            false, at, 0, first + fit};
}

QByteArray BinaryImage(const Image& buffer, int32_t size)
{
    size = std::clamp<int32_t>(size, 0, modFunc::BufferSize);
    return QByteArray(reinterpret_cast<const char*>(buffer.data()), size);
}

}  // namespace FileFormats
