#include "cli/ImageLoad.h"

#include "core/HexText.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cstdio>

namespace cli {

ImageFormat OutputFormat(const QString& path, const QString& format)
{
    if (!format.isEmpty())
        return format == QLatin1String("hex") ? ImageFormat::IntelHex
               : format == QLatin1String("srec") ? ImageFormat::SRecord
                                                   : ImageFormat::Binary;
    if (path == QLatin1String("-"))
        return ImageFormat::Binary;
    if (FileFormats::NameSaysHex(path))
        return ImageFormat::IntelHex;
    return FileFormats::NameSaysSRecords(path) ? ImageFormat::SRecord : ImageFormat::Binary;
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

namespace {

// "0x11171": the terminal marks its hexadecimal addresses.
QString HexNumber(int64_t v) { return QStringLiteral("0x") + HexText::Hex(v); }

// The terminal's words for a load that failed; nothing is kept of it.
QString LoadError(const QString& name, const FileFormats::LoadResult& r)
{
    if (r.outsideIndex < 0)
        return QStringLiteral("%1: %2").arg(name, r.error);
    const QString where = r.outsideLine > 0
                              ? QStringLiteral("address %1 (line %2)").arg(HexNumber(r.outsideAt)).arg(r.outsideLine)
                              : QStringLiteral("file offset %1").arg(HexNumber(r.outsideAt));
    return QStringLiteral("%1: the byte at %2 would land at index %3, outside the image memory (0x0 to %4)")
        .arg(name, where, HexNumber(r.outsideIndex), HexNumber(modFunc::BufferLast));
}

}  // namespace

QString InputName(const QString& path)
{
    return path == QLatin1String("-") ? QStringLiteral("standard input") : path;
}

LoadedImage LoadImage(const QString& path, const QString& format, uint32_t fileAddress, uint32_t bufferAddress,
                      FileFormats::Image& image)
{
    using FileFormats::FileRead;
    LoadedImage result;
    const QString name = InputName(path);
    QFile f(path);
    const bool opened = path == QLatin1String("-") ? f.open(stdin, QIODevice::ReadOnly) : f.open(QIODevice::ReadOnly);
    if (!opened) {
        result.error = QStringLiteral("%1 cannot be opened: %2").arg(name, f.errorString());
        return result;
    }
    const ImageFormat content = FileFormats::FormatOfContent(f.peek(FileFormats::FormatProbeBytes));
    result.format = format.isEmpty() ? content : OutputFormat(path, format);
    if (content != ImageFormat::Binary && content != result.format)
        result.warning = QStringLiteral("%1 is %2 file; it is taken as %3, as --format %4 asks")
                             .arg(name,
                                  content == ImageFormat::IntelHex ? QStringLiteral("an Intel HEX")
                                                                   : QStringLiteral("an S-record"),
                                  result.format == ImageFormat::Binary ? QStringLiteral("a binary image")
                                                                       : FormatName(result.format),
                                  format);
    const bool text = result.format != ImageFormat::Binary;
    const FileRead file = FileFormats::ReadImageFrom(f, text, fileAddress, bufferAddress);
    switch (file.failure) {
    case FileRead::None: break;
    case FileRead::CannotOpen: result.error = QStringLiteral("%1 cannot be opened: %2").arg(name, file.reason); return result;
    case FileRead::CannotRead: result.error = QStringLiteral("%1 cannot be read: %2").arg(name, file.reason); return result;
    case FileRead::TooLarge:
        result.error = QStringLiteral("%1 is larger than %2 MiB, far too large for a file of %3")
                           .arg(name)
                           .arg(FileFormats::HexFileLimit >> 20)
                           .arg(FormatName(result.format));
        return result;
    }
    // An Intel HEX file is parsed once and its records placed in both
    // images; the other formats are placed by their loaders.
    const bool hex = result.format == ImageFormat::IntelHex;
    FileFormats::LoadResult r = hex ? FileFormats::ReadHexRecords(file.data) : FileFormats::LoadResult{};
    auto place = [&](FileFormats::Image& into, QByteArray* header) {
        return hex ? FileFormats::CopyHexRecords(into, fileAddress, bufferAddress)
                   : FileFormats::LoadImage(file.data, result.format, into, fileAddress, bufferAddress, header);
    };
    static FileFormats::Image zeros;
    zeros.fill(0x00);
    image.fill(0xFF);
    if (r.ok())
        r = place(zeros, nullptr);
    if (r.ok())
        r = place(image, &result.header);
    if (!r.ok()) {
        result.error = LoadError(name, r);
        return result;
    }
    FilledRange& range = result.range;
    for (int32_t i = 0; i < modFunc::BufferSize; ++i) {
        if (zeros[size_t(i)] != image[size_t(i)])
            continue;
        if (range.first < 0)
            range.first = i;
        range.last = i;
        ++range.bytes;
    }
    return result;
}

QString RangeProblem(const QString& path, const FilledRange& range, const modFunc::DeviceRecord& device)
{
    if (range.bytes == 0 || range.last < device.Size)
        return {};
    using modFunc::Hex4;
    return QStringLiteral("%1 fills %2-%3; %4 holds 0000-%5")
        .arg(InputName(path), Hex4(range.first), Hex4(range.last), device.Name, Hex4(device.Size - 1));
}

QString OutputProblem(const QString& path)
{
    if (path == QLatin1String("-"))
        return {};
    const QFileInfo file(path);
    const QFileInfo dir(file.absolutePath());
    QString why;
    if (file.isDir())
        why = QStringLiteral("it is a directory");
    else if (!dir.isDir())
        why = QStringLiteral("the directory %1 does not exist").arg(dir.filePath());
    else if (file.exists() && !file.isWritable())
        why = QStringLiteral("the file is read-only");
    else if (!dir.isWritable())
        why = QStringLiteral("the directory %1 is not writable").arg(dir.filePath());
    return why.isEmpty() ? QString() : QStringLiteral("%1 cannot be written: %2").arg(path, why);
}

bool WriteOutput(const QString& path, const QByteArray& data, QString* error)
{
    if (path != QLatin1String("-"))
        return modFunc::WriteWholeFile(path, data, error);
    if (std::fwrite(data.constData(), 1, size_t(data.size()), stdout) != size_t(data.size()) || std::fflush(stdout) != 0) {
        *error = QStringLiteral("standard output cannot be written");
        return false;
    }
    return true;
}

ImageFigures FiguresOf(const FileFormats::Image& image, int32_t size)
{
    return ImageHash::Over(image, 0, size);
}

void RunCollector::add(int32_t address)
{
    if (!runs_.isEmpty() && runs_.back().end + 1 == address)
        runs_.back().end = address;
    else
        runs_.append({address, address});
}

}  // namespace cli
