// Image files for the terminal program: the format a name implies, loading
// a file into an image through the program's readers, which bytes a file
// fills, and the figures "info" shows.
#pragma once

#include "files/FileFormats.h"

#include <QList>
#include <QString>

namespace cli {

// Intel HEX when format is "hex", binary when "bin", otherwise by the name
// as the file options window preselects: a name ending in "hex" or "HEX".
bool IsHexFile(const QString& path, const QString& format);

// Reads the file at path into image with the given offsets. Returns the
// error text, empty on success.
QString LoadImageFile(const QString& path, bool hex, uint32_t fileAddress, uint32_t bufferAddress,
                      FileFormats::Image& image);

// Which Buffer indices a file fills: places it twice, over 0x00 and over
// 0xFF, reading and parsing it once; an index that reads the same in both
// was written. image gets the load over 0xFF.
struct FilledRange {
    int32_t first = -1;  // -1 when the file fills nothing
    int32_t last = -1;
    int32_t bytes = 0;
};
QString LoadAndMeasure(const QString& path, bool hex, uint32_t fileAddress, uint32_t bufferAddress,
                       FileFormats::Image& image, FilledRange& range);

// CRC-32 (IEEE 802.3, as zip and PNG use it).
uint32_t Crc32(const uint8_t* data, size_t size);
// The checksum (as the hex view shows it) and the CRC-32 of image[0 ..
// size-1], in hexadecimal, as info prints them and the chip log records them.
struct ImageFigures {
    QString checksum;
    QString crc;
};
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
