#include "core/HexText.h"
#include "files/FileFormats.h"

namespace modFunc {
bool HexFormat = false;
bool SRecFormat = false;
bool ElfFormat = false;
bool FileCancelled = false;
uint32_t FileAddress = 0;
uint32_t BufferAddress = 0;
}  // namespace modFunc

namespace FileFormats {

QString SaveProblem(const modFunc::DeviceRecord& device, ImageFormat format)
{
    if (format == ImageFormat::Elf)
        return QStringLiteral("Quirra reads ELF files but does not write them; choose Intel HEX, S-records or "
                              "binary. Nothing was written.");
    const bool hex = format == ImageFormat::IntelHex;
    const int32_t limit = hex ? modFunc::MaxDeviceSize : modFunc::BufferSize;
    if (device.Size >= 0 && device.Size <= limit)
        return {};
    return QStringLiteral("The device \"%1\" has a size of %2 bytes; %3 files can be saved for sizes "
                          "from 0 to %4 bytes only. Nothing was written.")
        .arg(device.Name)
        .arg(device.Size)
        .arg(hex ? QStringLiteral("Intel HEX") : format == ImageFormat::SRecord ? QStringLiteral("S-record")
                                                                                 : QStringLiteral("binary"))
        .arg(limit);
}

QByteArray SaveImage(const Image& buffer, int32_t size, ImageFormat format)
{
    switch (format) {
    case ImageFormat::IntelHex: return HexImage(buffer, size);
    case ImageFormat::SRecord: return SRecordImage(buffer, size);
    case ImageFormat::Elf:  // refused by SaveProblem
    case ImageFormat::Binary: break;
    }
    return BinaryImage(buffer, size);
}

LoadResult LoadImage(QByteArrayView data, ImageFormat format, Image& buffer, uint32_t fileAddress,
                     uint32_t bufferAddress, QByteArray* header)
{
    switch (format) {
    case ImageFormat::IntelHex: return LoadHex(data, buffer, fileAddress, bufferAddress);
    case ImageFormat::SRecord: return LoadSRecords(data, buffer, fileAddress, bufferAddress, header);
    case ImageFormat::Elf: return LoadElf(data, buffer, fileAddress, bufferAddress);
    case ImageFormat::Binary: break;
    }
    return PlaceBinary(data, buffer, fileAddress, bufferAddress);
}

std::optional<uint32_t> ReadHexOffset(const QString& text)
{
    return HexText::Parse(text, {.leadingDigits = true});
}

}  // namespace FileFormats
