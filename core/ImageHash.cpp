#include "core/ImageHash.h"

#include "core/HexText.h"

#include <QByteArrayView>
#include <QCryptographicHash>
#include <algorithm>
#include <numeric>

namespace ImageHash {

uint32_t Crc32(const uint8_t* data, size_t size)
{
    static const std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < size; ++i)
        crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

Digests Over(const std::array<uint8_t, modFunc::BufferSize>& image, int32_t first, int32_t end)
{
    first = std::clamp<int32_t>(first, 0, int32_t(image.size()));
    end = std::clamp<int32_t>(end, first, int32_t(image.size()));
    const uint8_t* data = image.data() + first;
    const QByteArrayView bytes(data, end - first);
    auto digest = [&bytes](QCryptographicHash::Algorithm a) {
        return QString::fromLatin1(QCryptographicHash::hash(bytes, a).toHex());
    };
    const uint32_t sum = std::accumulate(bytes.begin(), bytes.end(), 0u, [](uint32_t s, char b) { return s + uint8_t(b); });
    return {HexText::Hex4(int32_t(sum & 0xFFFF)), HexText::Hex8(Crc32(data, size_t(end - first))),
            digest(QCryptographicHash::Sha1), digest(QCryptographicHash::Sha256)};
}

}  // namespace ImageHash
