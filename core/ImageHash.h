// What identifies an image: the 16-bit sum the hex view shows, the CRC-32
// that dump archives and zip list, and the SHA-1 and SHA-256 digests.
#pragma once

#include "core/modFunc.h"

#include <QString>
#include <array>
#include <cstddef>
#include <cstdint>

namespace ImageHash {

// CRC-32 (IEEE 802.3, as zip, PNG and the crc32 tool compute it).
uint32_t Crc32(const uint8_t* data, size_t size);

struct Digests {
    QString checksum;  // four upper-case hex digits, as the hex view shows it
    QString crc32;     // eight upper-case hex digits
    QString sha1;      // lower-case hex, as sha1sum prints it
    QString sha256;    // lower-case hex, as sha256sum prints it
};
// Over image[first .. end-1]; the range is cut to the image, and is empty
// when end is not above first.
Digests Over(const std::array<uint8_t, modFunc::BufferSize>& image, int32_t first, int32_t end);

}  // namespace ImageHash
