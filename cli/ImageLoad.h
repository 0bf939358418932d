// Image files for the terminal program: the format a name implies, loading
// a file into an image through the program's readers, which bytes a file
// fills, and the figures "info" shows.
#pragma once

#include "files/FileFormats.h"

#include <QList>
#include <QString>

namespace cli {

using FileFormats::ImageFormat;

// The format `format` names ("hex", "srec", "bin"), or when it is empty the
// one the name says: a name ending in "hex" or "HEX" is Intel HEX, one
// ending in .s19, .s28, .s37, .srec or .mot S-records, any other binary.
ImageFormat OutputFormat(const QString& path, const QString& format);
// As OutputFormat, and an existing file that the name does not make Intel
// HEX or S-records is S-records when its first bytes are.
ImageFormat InputFormat(const QString& path, const QString& format);
// "Intel HEX", "S-records", "binary"; and "hex", "srec", "bin".
QString FormatName(ImageFormat format);
QString FormatKey(ImageFormat format);

// Reads the file at path into image with the given offsets (and an
// S-record file's header into *header). Returns the error text, empty on
// success.
QString LoadImageFile(const QString& path, ImageFormat format, uint32_t fileAddress, uint32_t bufferAddress,
                      FileFormats::Image& image, QByteArray* header = nullptr);

// Which Buffer indices a file fills: loads it twice, over 0x00 and over
// 0xFF; an index that reads the same in both was written. image gets the
// load over 0xFF.
struct FilledRange {
    int32_t first = -1;  // -1 when the file fills nothing
    int32_t last = -1;
    int32_t bytes = 0;
};
QString LoadAndMeasure(const QString& path, ImageFormat format, uint32_t fileAddress, uint32_t bufferAddress,
                       FileFormats::Image& image, FilledRange& range, QByteArray* header = nullptr);

// CRC-32 (IEEE 802.3, as zip and PNG use it).
uint32_t Crc32(const uint8_t* data, size_t size);

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
