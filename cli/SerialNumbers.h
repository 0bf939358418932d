// Serial numbers for a production run: where and how each chip's number is
// written into the image, and the state file that hands out the numbers so
// that no two chips ever get the same one, even from several programmers at
// once or after a run that was killed.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>

namespace cli {

struct SerialField {
    enum class Format { Le2, Le4, Be2, Be4, Ascii8 };
    uint32_t address = 0;
    uint64_t start = 0;
    uint64_t step = 1;
    Format format = Format::Le4;
};

// "ADDR:START[:STEP][:FORMAT]": ADDR hexadecimal, START and STEP decimal
// (STEP at least 1), FORMAT le2, le4, be2, be4 or ascii8 (le4 when left
// out). On an error returns nothing and sets *error.
std::optional<SerialField> ParseSerialField(const QString& text, QString* error);

// How many bytes the format writes.
int SerialWidth(SerialField::Format format);
// The largest number the format holds.
uint64_t SerialLimit(SerialField::Format format);
// The bytes of number n in the format; n must not exceed SerialLimit.
QByteArray SerialBytes(uint64_t n, SerialField::Format format);

// Why the field cannot go into an image of deviceSize bytes: it runs past
// the device, or (unless overwrite) the image sets one of its bytes to
// something other than FF. Empty when it can.
QString SerialFieldProblem(const SerialField& field, const uint8_t* image, int32_t deviceSize, bool overwrite);

// The number the state file would hand out next (field.start without one);
// nothing when it cannot be read or the number does not fit the format.
std::optional<uint64_t> NextSerial(const QString& path, const SerialField& field, QString* error);

// Takes the next serial number from the state file at path and stores the
// one after it (number + step), before the number is used: a chip that
// fails or a run that dies can skip a number, never give it twice. Without
// a state file the numbers begin at field.start. The file is locked while it
// is read and replaced, so that several processes draw from it in turn.
// On failure returns nothing and sets *error.
std::optional<uint64_t> TakeSerial(const QString& path, const SerialField& field, QString* error);

}  // namespace cli
