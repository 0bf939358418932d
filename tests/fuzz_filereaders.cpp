// libFuzzer targets for the file readers, one per reader: FUZZ_READER 1 is
// Intel HEX, 2 S-records, 3 ELF. The first two input bytes pick the two load
// offsets, the rest is the file. Whatever the file, a reader must not crash
// or touch memory outside its arrays; an Intel HEX or S-record file it
// accepts must read back the same after our writer has written it out
// again, and an ELF file it refuses must leave the Buffer as it was.
#include "files/FileFormats.h"
#include "support/FuzzSupport.h"

#include <cstring>

using namespace FileFormats;

namespace {

Image buffer, again;

void Check(QByteArrayView file, uint32_t fileAddress, uint32_t bufferAddress)
{
#if FUZZ_READER == 1
    buffer.fill(0xFF);
    PlaceBinary(file, buffer, fileAddress, bufferAddress);
    if (!LoadHex(file, buffer, fileAddress, bufferAddress).ok())
        return;
    FUZZ_REQUIRE(modFunc::HexLineCount >= 0 && modFunc::HexLineCount <= modFunc::MaxHexRecords);
    if (modFunc::HexLineCount == 0)
        return;
    again.fill(0);
    FUZZ_REQUIRE(LoadHex(HexImage(buffer, modFunc::MaxDeviceSize), again, 0, 0).ok());
    FUZZ_REQUIRE(std::memcmp(buffer.data(), again.data(), size_t(modFunc::MaxDeviceSize)) == 0);
#elif FUZZ_READER == 2
    buffer.fill(0xFF);
    if (!LoadSRecords(file, buffer, fileAddress, bufferAddress).ok())
        return;
    again.fill(0);
    QByteArray header;
    FUZZ_REQUIRE(LoadSRecords(SRecordImage(buffer, modFunc::BufferSize), again, 0, 0, &header).ok() && header == "Quirra");
    FUZZ_REQUIRE(buffer == again);
#else
    buffer.fill(0xA5);
    again = buffer;
    if (!LoadElf(file, buffer, fileAddress, bufferAddress).ok())
        FUZZ_REQUIRE(buffer == again);
#endif
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    const uint32_t fileAddress = uint32_t(data[0]) << 8;
    const uint32_t bufferAddress = data[1] == 0xFF ? 0xFFFFFFFFu : uint32_t(data[1]) << 9;
    const QByteArrayView file(reinterpret_cast<const char*>(data) + 2, qsizetype(size - 2));
    FormatOfContent(file);
    Check(file, fileAddress, bufferAddress);
    return 0;
}
