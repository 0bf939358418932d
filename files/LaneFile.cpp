#include "files/FileFormats.h"

#include <QFileInfo>
#include <memory>

namespace modFunc {
ByteLanes::Lane FileLane;
}

namespace FileFormats {

LoadResult LoadImageLane(QByteArrayView data, ImageFormat format, Image& image, uint32_t fileAddress,
                         uint32_t bufferAddress, ByteLanes::Lane lane)
{
    if (lane.all())
        return LoadImage(data, format, image, fileAddress, bufferAddress);
    // The wide image holds the lane's present bytes, so that a byte the file
    // does not give keeps its value.
    const auto wide = std::make_unique<Image>();
    wide->fill(0xFF);
    const auto n = size_t(lane.count);
    for (size_t i = 0; i * n + size_t(lane.index) < wide->size(); ++i)
        (*wide)[i * n + size_t(lane.index)] = image[i];
    const LoadResult r = LoadImage(data, format, *wide, fileAddress, bufferAddress);
    for (size_t i = 0; i * n + size_t(lane.index) < wide->size(); ++i)
        image[i] = (*wide)[i * n + size_t(lane.index)];
    return r;
}

LaneSave LaneIntoFile(const QString& path, QByteArrayView narrow, ByteLanes::Lane lane, ImageFormat format)
{
    LaneSave out;
    if (format == ImageFormat::Elf) {
        out.error = SaveProblem({}, format);
        return out;
    }
    QByteArray wide;
    if (QFileInfo(path).isFile()) {
        const ImageFormat present = FormatOfFile(path);
        const FileRead file = ReadImageFile(path, present != ImageFormat::Binary, 0, 0);
        if (file.failure != FileRead::None) {
            out.error = QStringLiteral("The file cannot be read to keep its other lanes: %1.")
                            .arg(file.reason.isEmpty() ? QStringLiteral("it is too large") : file.reason);
            return out;
        }
        // Loaded over 0x00 and over 0xFF: where both agree the file has a byte.
        const auto low = std::make_unique<Image>(), high = std::make_unique<Image>();
        low->fill(0x00);
        high->fill(0xFF);
        LoadResult r = LoadImage(file.data, present, *low, 0, 0);
        if (r.ok())
            r = LoadImage(file.data, present, *high, 0, 0);
        if (!r.ok()) {
            out.error = QStringLiteral("The file's other lanes cannot be kept: %1").arg(r.error);
            return out;
        }
        qsizetype end = 0;
        for (qsizetype i = 0; i < qsizetype(high->size()); ++i)
            if ((*low)[size_t(i)] == (*high)[size_t(i)])
                end = i + 1;
        wide = QByteArray(reinterpret_cast<const char*>(high->data()), end);
    }
    ByteLanes::Put(wide, narrow, lane);
    const int32_t limit = format == ImageFormat::IntelHex ? modFunc::MaxDeviceSize : modFunc::BufferSize;
    if (wide.size() > limit) {
        out.error = QStringLiteral("With lane %1 the image is %2 bytes; a file of this type is written for up to "
                                   "%3 bytes. Nothing was written.")
                        .arg(ByteLanes::Text(lane))
                        .arg(wide.size())
                        .arg(limit);
        return out;
    }
    const auto image = std::make_unique<Image>();
    image->fill(0xFF);
    std::copy(wide.begin(), wide.end(), image->begin());
    out.data = SaveImage(*image, int32_t(wide.size()), format);
    return out;
}

}  // namespace FileFormats
