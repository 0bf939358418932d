#include "cli/ImageLoad.h"

#include "buffer/BufferView.h"
#include "core/HexText.h"

#include <algorithm>
#include <array>

namespace cli {

bool IsHexFile(const QString& path, const QString& format)
{
    if (!format.isEmpty())
        return format == QLatin1String("hex");
    return FileFormats::NameSaysHex(path);
}

namespace {
// Reads the file once and places it in each of images in turn; an Intel HEX
// file is parsed once. Stops at the first image the file does not fit.
QString LoadInto(const QString& path, bool hex, uint32_t fileAddress, uint32_t bufferAddress,
                 std::initializer_list<FileFormats::Image*> images)
{
    const FileFormats::FileRead file = FileFormats::ReadImageFile(path, hex, fileAddress, bufferAddress);
    switch (file.failure) {
    case FileFormats::FileRead::None: break;
    case FileFormats::FileRead::CannotOpen: return QStringLiteral("%1 cannot be opened: %2").arg(path, file.reason);
    case FileFormats::FileRead::CannotRead: return QStringLiteral("%1 cannot be read: %2").arg(path, file.reason);
    case FileFormats::FileRead::TooLarge:
        return QStringLiteral("%1 is larger than %2 MiB, far too large for an Intel HEX file")
            .arg(path)
            .arg(FileFormats::HexFileLimit >> 20);
    }
    FileFormats::LoadResult r = hex ? FileFormats::ReadHexRecords(file.data) : FileFormats::LoadResult{};
    for (FileFormats::Image* image : images) {
        if (!r.ok())
            break;
        r = hex ? FileFormats::CopyHexRecords(*image, fileAddress, bufferAddress)
                : FileFormats::PlaceBinary(file.data, *image, fileAddress, bufferAddress);
    }
    return r.ok() ? QString() : QStringLiteral("%1: %2").arg(path, r.error);
}
}  // namespace

QString LoadImageFile(const QString& path, bool hex, uint32_t fileAddress, uint32_t bufferAddress,
                      FileFormats::Image& image)
{
    return LoadInto(path, hex, fileAddress, bufferAddress, {&image});
}

QString LoadAndMeasure(const QString& path, bool hex, uint32_t fileAddress, uint32_t bufferAddress,
                       FileFormats::Image& image, FilledRange& range)
{
    static FileFormats::Image zeros;
    zeros.fill(0x00);
    image.fill(0xFF);
    const QString error = LoadInto(path, hex, fileAddress, bufferAddress, {&zeros, &image});
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

ImageFigures FiguresOf(const FileFormats::Image& image, int32_t size)
{
    size = std::clamp<int32_t>(size, 0, int32_t(image.size()));
    return {HexText::Hex4(BufferView::ComputeCheckSum(image, size)), HexText::Hex8(Crc32(image.data(), size_t(size)))};
}

void RunCollector::add(int32_t address)
{
    if (!runs_.isEmpty() && runs_.back().end + 1 == address)
        runs_.back().end = address;
    else
        runs_.append({address, address});
}

}  // namespace cli
