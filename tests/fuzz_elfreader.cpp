// libFuzzer target for the ELF reader, as fuzz_hexreader is for the Intel
// HEX one: the first two input bytes pick the load offsets, the rest is the
// file. Whatever the file, the reader must not crash or write outside the
// Buffer, and a file it refuses must leave the Buffer as it was.
#include "files/FileFormats.h"

#include <cstdlib>
#include <cstring>

using namespace FileFormats;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static Image buffer, before;
    if (size < 2)
        return 0;
    const uint32_t fileAddress = uint32_t(data[0]) << 8;
    const uint32_t bufferAddress = data[1] == 0xFF ? 0xFFFFFFFFu : uint32_t(data[1]) << 9;
    const QByteArrayView file(reinterpret_cast<const char*>(data) + 2, qsizetype(size - 2));

    buffer.fill(0xA5);
    before = buffer;
    FormatOfContent(file);
    if (!LoadElf(file, buffer, fileAddress, bufferAddress).ok() && std::memcmp(buffer.data(), before.data(), sizeof buffer) != 0)
        std::abort();
    return 0;
}
