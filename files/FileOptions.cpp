#include "core/HexText.h"
#include "files/FileFormats.h"

namespace modFunc {
bool HexFormat = false;
bool FileCancelled = false;
uint32_t FileAddress = 0;
uint32_t BufferAddress = 0;
}  // namespace modFunc

namespace FileFormats {

QString SaveProblem(const modFunc::DeviceRecord& device, bool hex)
{
    const int32_t limit = hex ? modFunc::MaxDeviceSize : modFunc::BufferSize;
    if (device.Size >= 0 && device.Size <= limit)
        return {};
    return QStringLiteral("The device \"%1\" has a size of %2 bytes; %3 files can be saved for sizes "
                          "from 0 to %4 bytes only. Nothing was written.")
        .arg(device.Name)
        .arg(device.Size)
        .arg(hex ? QStringLiteral("Intel HEX") : QStringLiteral("binary"))
        .arg(limit);
}

std::optional<uint32_t> ReadHexOffset(const QString& text)
{
    return HexText::Parse(text, {.leadingDigits = true});
}

}  // namespace FileFormats
