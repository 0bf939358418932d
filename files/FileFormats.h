// Intel HEX, Motorola S-record and binary image files: plain functions from
// file bytes to the Buffer and from the Buffer to file bytes, and the shared
// state of the File commands. No window is needed here; the File menu and
// the terminal program both call these.
#pragma once

#include "core/modFunc.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QFile>
#include <QString>
#include <array>
#include <cstdint>
#include <optional>

namespace modFunc {

// The options window's answer to the File commands.
extern bool HexFormat;          // "Intel Hex" chosen
extern bool SRecFormat;         // "Motorola S-Record" chosen (neither: "Binary")
extern bool FileCancelled;      // the options window was not left with OK
extern uint32_t FileAddress;    // lowest file address (offset) a load takes
extern uint32_t BufferAddress;  // added to a file address to give the Buffer index

// One data record of an Intel HEX file.
constexpr int MaxHexRecordBytes = 51;
constexpr int MaxHexRecords = 10000;
struct HexLine {
    int32_t LineNumber = 0;     // line of the file, from 1
    int16_t ByteCount = 0;
    int32_t Address = 0;        // the record's own 16-bit address
    int16_t RecordType = 0;
    std::array<uint8_t, MaxHexRecordBytes> Data{};
    int16_t ChecksumByte = 0;
    uint32_t Base = 0;          // set by the last extended address record before it
};
// Entries 1 to HexLineCount hold the data records of the last file read.
extern std::array<HexLine, MaxHexRecords + 1> HexLines;
extern int16_t HexLineCount;

}  // namespace modFunc

namespace FileFormats {

using Image = std::array<uint8_t, modFunc::BufferSize>;

// The three kinds of image file.
enum class ImageFormat { Binary, IntelHex, SRecord };

struct LoadResult {
    QString error;               // empty when the whole file was taken
    bool checksumError = false;  // error is the checksum message
    // A load that ended at a byte outside the Buffer: that byte's address
    // (Intel HEX) or file offset (binary), the line of its record (0 for a
    // binary file) and the index it would have gone to; -1 otherwise.
    int64_t outsideAt = -1;
    int32_t outsideLine = 0;
    int64_t outsideIndex = -1;
    bool ok() const { return error.isEmpty(); }
};

inline const QString ChecksumMessage = QStringLiteral("Checksum Error in hex file!");

// ---- Intel HEX -----------------------------------------------------------
// First pass: every line of `text` parsed, each data record and extended
// address record checksum-tested, the data records stored in HexLines. The
// end-of-file record ends the file; a file without one ends at its last line.
// Lines end at CR LF, LF or CR alone; blank lines and spaces around a line
// are skipped. Nothing is written to any Buffer.
LoadResult ReadHexRecords(QByteArrayView text);
// Second pass: the bytes of HexLines 1 to HexLineCount into `buffer`. A byte
// at full address a is skipped when a < fileAddress, else stored at index
// a + bufferAddress; the first byte whose index lies outside the Buffer ends
// the copy with an error, the bytes stored before it staying.
LoadResult CopyHexRecords(Image& buffer, uint32_t fileAddress, uint32_t bufferAddress);
// Both passes; `buffer` is untouched unless the first pass succeeds.
LoadResult LoadHex(QByteArrayView text, Image& buffer, uint32_t fileAddress, uint32_t bufferAddress);

// Indices 0 to size - 1 rounded up to whole 16-byte records, CR LF after
// each line, then ":00000001FF". `size` must be 0 to 0x10000 (see SaveProblem).
QByteArray HexImage(const Image& buffer, int32_t size);

// ---- Motorola S-records --------------------------------------------------
// S0 header (its data in *header when given), S1/S2/S3 data with 16-, 24- and
// 32-bit addresses, S5/S6 record counts that must match, S7/S8/S9 ending the
// file. Every record is tested first; `buffer` is untouched unless all are
// good. The offsets and the end at a byte outside the Buffer are as for
// Intel HEX. Errors name the line.
LoadResult LoadSRecords(QByteArrayView text, Image& buffer, uint32_t fileAddress, uint32_t bufferAddress,
                        QByteArray* header = nullptr);
// Indices 0 to size - 1 (size 0 to 70001): an S0 header naming the program,
// S1 records of 16 bytes (S2 from address 10000 on), an S5 count and an S9
// end, each line ended by CR LF.
QByteArray SRecordImage(const Image& buffer, int32_t size);
// Whether a name ends in .s19, .s28, .s37, .srec or .mot, in either case.
bool NameSaysSRecords(const QString& name);

// ---- binary --------------------------------------------------------------
// How many bytes, from file offset fileAddress on, a binary load needs to
// read: all that fit in the Buffer and one more to notice a file that does
// not fit.
qint64 BinaryReadLength(uint32_t fileAddress, uint32_t bufferAddress);
// `tail` holds the file's bytes from offset fileAddress on (empty when the
// file is no longer). File byte p goes to index p + bufferAddress; the first
// byte outside the Buffer ends the load with an error, the bytes before it
// staying.
LoadResult PlaceBinary(QByteArrayView tail, Image& buffer, uint32_t fileAddress, uint32_t bufferAddress);
// Exactly `size` bytes from index 0; `size` must be 0 to 70001.
QByteArray BinaryImage(const Image& buffer, int32_t size);

// The message for a load that ended at a byte outside the Buffer; `where`
// says which byte ("file offset 11171").
QString OutsideBufferMessage(const QString& where, int64_t index);

// ---- reading a file --------------------------------------------------------
// Far more than any Intel HEX file for the Buffer needs (10000 records of at
// most 51 bytes); a larger file is refused.
constexpr qint64 HexFileLimit = 64 * 1024 * 1024;

// What a load of a file needs from it: the whole file for Intel HEX and
// S-records (`text`), or for a binary file the bytes from offset fileAddress
// on that the Buffer can take and one more. Each front end words a failure itself.
struct FileRead {
    enum Failure { None, CannotOpen, CannotRead, TooLarge };
    QByteArray data;
    Failure failure = None;
    QString reason;  // the system's words for CannotOpen and CannotRead
};
FileRead ReadImageFile(const QString& path, bool text, uint32_t fileAddress, uint32_t bufferAddress);
// The same from a file already open for reading (standard input, say), from
// where it stands.
FileRead ReadImageFrom(QFile& f, bool text, uint32_t fileAddress, uint32_t bufferAddress);

// Whether a file name asks for Intel HEX: it ends in "HEX" or "hex" exactly.
bool NameSaysHex(const QString& name);

// ---- options ---------------------------------------------------------------
// Why the device cannot be saved in the chosen format; empty when it can.
QString SaveProblem(const modFunc::DeviceRecord& device, ImageFormat format);
// The file bytes of the device's range in the chosen format.
QByteArray SaveImage(const Image& buffer, int32_t size, ImageFormat format);
// Loads the file bytes `data` (for binary: from offset fileAddress on) in the
// chosen format; an S-record file's S0 header data goes to *header.
LoadResult LoadImage(QByteArrayView data, ImageFormat format, Image& buffer, uint32_t fileAddress,
                     uint32_t bufferAddress, QByteArray* header = nullptr);
// The hex digits (either case) from the start of `text` up to the first other
// character, 0 when there is none ("12G4" gives 0x12); empty when the value
// does not fit in 32 bits.
std::optional<uint32_t> ReadHexOffset(const QString& text);

// ---- the format a file's content shows ---------------------------------------
// How many bytes from the start of a file FormatOfContent looks at.
constexpr qint64 FormatProbeBytes = 4096;
// Intel HEX when the first line that is not blank is an Intel HEX record (a
// colon, then hex digits whose count matches the record's byte count, and a
// record type from 0 to 5), S-records when it is an S-record ("S" or "s", a
// type digit, then hex digits whose count matches the record's byte count);
// the checksum is the reader's business. Binary otherwise. `head` is the
// file's beginning, FormatProbeBytes or all of it.
ImageFormat FormatOfContent(QByteArrayView head);
// The format of the file at `path` from its first bytes; binary when it
// cannot be read or is not a plain file (a pipe is not opened, as that would
// wait for its writer).
ImageFormat FormatOfFile(const QString& path);

}  // namespace FileFormats
