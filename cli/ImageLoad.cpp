#include "cli/ImageLoad.h"

#include <array>

namespace cli {

ImageFormat OutputFormat(const QString& path, const QString& format)
{
    if (format == QLatin1String("hex") || (format.isEmpty() && FileFormats::NameSaysHex(path)))
        return ImageFormat::IntelHex;
    if (format == QLatin1String("srec") || (format.isEmpty() && FileFormats::NameSaysSRecords(path)))
        return ImageFormat::SRecord;
    return ImageFormat::Binary;
}

ImageFormat InputFormat(const QString& path, const QString& format)
{
    const ImageFormat byName = OutputFormat(path, format);
    if (format.isEmpty() && byName == ImageFormat::Binary && FileFormats::LooksLikeSRecords(FileFormats::FileHead(path)))
        return ImageFormat::SRecord;
    return byName;
}

QString FormatName(ImageFormat format)
{
    switch (format) {
    case ImageFormat::IntelHex: return QStringLiteral("Intel HEX");
    case ImageFormat::SRecord: return QStringLiteral("S-records");
    case ImageFormat::Binary: break;
    }
    return QStringLiteral("binary");
}

QString FormatKey(ImageFormat format)
{
    switch (format) {
    case ImageFormat::IntelHex: return QStringLiteral("hex");
    case ImageFormat::SRecord: return QStringLiteral("srec");
    case ImageFormat::Binary: break;
    }
    return QStringLiteral("bin");
}

QString LoadImageFile(const QString& path, ImageFormat format, uint32_t fileAddress, uint32_t bufferAddress,
                      FileFormats::Image& image, QByteArray* header)
{
    const bool text = format != ImageFormat::Binary;
    const FileFormats::FileRead file = FileFormats::ReadImageFile(path, text, fileAddress, bufferAddress);
    switch (file.failure) {
    case FileFormats::FileRead::None: break;
    case FileFormats::FileRead::CannotOpen: return QStringLiteral("%1 cannot be opened: %2").arg(path, file.reason);
    case FileFormats::FileRead::CannotRead: return QStringLiteral("%1 cannot be read: %2").arg(path, file.reason);
    case FileFormats::FileRead::TooLarge:
        return QStringLiteral("%1 is larger than %2 MiB, far too large for a file of %3")
            .arg(path)
            .arg(FileFormats::HexFileLimit >> 20)
            .arg(FormatName(format));
    }
    const FileFormats::LoadResult r = FileFormats::LoadImage(file.data, format, image, fileAddress, bufferAddress, header);
    return r.ok() ? QString() : QStringLiteral("%1: %2").arg(path, r.error);
}

QString LoadAndMeasure(const QString& path, ImageFormat format, uint32_t fileAddress, uint32_t bufferAddress,
                       FileFormats::Image& image, FilledRange& range, QByteArray* header)
{
    static FileFormats::Image zeros;
    zeros.fill(0x00);
    image.fill(0xFF);
    QString error = LoadImageFile(path, format, fileAddress, bufferAddress, zeros);
    if (error.isEmpty())
        error = LoadImageFile(path, format, fileAddress, bufferAddress, image, header);
    if (!error.isEmpty())
        return error;
    range = {};
    for (int32_t i = 0; i < modFunc::BufferSize; ++i) {
        if (zeros[i] != image[i])
            continue;
        if (range.first < 0)
            range.first = i;
        range.last = i;
        ++range.bytes;
    }
    return {};
}

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

void RunCollector::add(int32_t address)
{
    if (!runs_.isEmpty() && runs_.back().end + 1 == address)
        runs_.back().end = address;
    else
        runs_.append({address, address});
}

}  // namespace cli
