// libFuzzer target for the S-record reader, as fuzz_hexreader is for the
// Intel HEX one: the first two input bytes pick the load offsets, the rest
// is the file. A file the reader accepts must read back the same after our
// writer has written the whole Buffer out again.
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
    FormatOfContent(text);
    if (!LoadSRecords(text, buffer, fileAddress, bufferAddress).ok())
        return 0;
    again.fill(0);
    QByteArray header;
    if (!LoadSRecords(SRecordImage(buffer, modFunc::BufferSize), again, 0, 0, &header).ok() || header != "Quirra" ||
        std::memcmp(buffer.data(), again.data(), sizeof buffer) != 0)
        std::abort();
    return 0;
}
