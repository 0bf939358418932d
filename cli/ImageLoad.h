// Image files for the terminal program: loading a file (or standard input)
// into an image through the program's readers in the format its content
// shows, which bytes a file fills and whether they fit the device, whether
// an output can be written, and the figures "info" shows.
#pragma once

#include "core/ImageHash.h"
#include "files/FileFormats.h"

#include <QList>
#include <QString>

namespace cli {

using FileFormats::ImageFormat;

// The format `format` names ("hex", "srec", "bin"); when it is empty the one
// the output's name says: a name ending in "hex" or "HEX" is Intel HEX, one
// ending in .s19, .s28, .s37, .srec or .mot S-records, any other (and "-",
// standard output) binary.
ImageFormat OutputFormat(const QString& path, const QString& format);
// "Intel HEX", "S-records", "binary"; and "hex", "srec", "bin".
QString FormatName(ImageFormat format);
QString FormatKey(ImageFormat format);

// Which Buffer indices a file fills.
struct FilledRange {
    int32_t first = -1;  // -1 when the file fills nothing
    int32_t last = -1;
    int32_t bytes = 0;
};

// The image a FILE argument gives; "-" is standard input.
struct LoadedImage {
    QString error;    // empty when the whole file was taken
    ImageFormat format = ImageFormat::Binary;
    QString warning;  // a format that the content contradicts
    FilledRange range;
    QByteArray header;  // an S-record file's S0 header data
};
// Reads the file once and loads it into image (over 0xFF) with the given
// offsets. The format is `format` ("hex", "srec" or "bin") when given,
// otherwise the one the content shows. The filled range comes from a second
// load over 0x00: an index that reads the same in both was written.
LoadedImage LoadImage(const QString& path, const QString& format, uint32_t fileAddress, uint32_t bufferAddress,
                      FileFormats::Image& image);

// How a FILE argument is named in messages: "standard input" for "-".
QString InputName(const QString& path);

// Why an image that fills `range` does not fit the device ("image.hex fills
// 0000-7FFF; 27C64 EPROM 8K holds 0000-1FFF"); empty when it fits.
QString RangeProblem(const QString& path, const FilledRange& range, const modFunc::DeviceRecord& device);

// Why the file at path cannot be written (its directory is missing or not
// writable, or the file is read-only or a directory); empty when it can,
// and for "-" (standard output).
QString OutputProblem(const QString& path);
// Writes data to path as a whole, or to standard output for "-". On failure
// returns false and sets *error.
bool WriteOutput(const QString& path, const QByteArray& data, QString* error);

using ImageHash::Crc32;
// The checksum (as the hex view shows it), the CRC-32, SHA-1 and SHA-256 of
// image[0 .. size-1], in hexadecimal, as info and read print them and the
// chip log records them.
using ImageFigures = ImageHash::Digests;
ImageFigures FiguresOf(const FileFormats::Image& image, int32_t size);

// Contiguous runs of addresses, from addresses given in increasing order.
struct AddressRun {
    int32_t start;
    int32_t end;
    int32_t bytes() const { return end - start + 1; }
};
class RunCollector {
public:
    void add(int32_t address);
    const QList<AddressRun>& runs() const { return runs_; }

private:
    QList<AddressRun> runs_;
};

}  // namespace cli
