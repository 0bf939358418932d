// libFuzzer target for the Intel HEX reader. The first two input bytes pick
// the two load offsets, the rest is the file. Whatever the file, the reader
// must not crash or touch memory outside its arrays; a file it accepts must
// read back the same after our writer has written it out again.
#include "files/FileFormats.h"

#include <cstdlib>
#include <cstring>

using namespace FileFormats;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static Image buffer, again;
    if (size < 2)
        return 0;
    const uint32_t fileAddress = uint32_t(data[0]) << 8;
    const uint32_t bufferAddress = data[1] == 0xFF ? 0xFFFFFFFFu : uint32_t(data[1]) << 9;
    const QByteArrayView text(reinterpret_cast<const char*>(data) + 2, qsizetype(size - 2));

    buffer.fill(0xFF);
    PlaceBinary(text, buffer, fileAddress, bufferAddress);
    FormatOfContent(text);
    if (!LoadHex(text, buffer, fileAddress, bufferAddress).ok())
        return 0;
    if (modFunc::HexLineCount < 0 || modFunc::HexLineCount > modFunc::MaxHexRecords)
        std::abort();
    if (modFunc::HexLineCount == 0)
        return 0;
    again.fill(0);
    if (!LoadHex(HexImage(buffer, modFunc::MaxDeviceSize), again, 0, 0).ok() ||
        std::memcmp(buffer.data(), again.data(), size_t(modFunc::MaxDeviceSize)) != 0)
        std::abort();
    return 0;
}
