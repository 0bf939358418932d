// The hex view's tools without a window: what Find looks for and where it
// finds it, the address Go To takes, and the ranges in which two images
// differ.
#pragma once

#include "core/modFunc.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

namespace BufferSearch {

using Image = std::array<uint8_t, modFunc::BufferSize>;

// The bytes of a Find text: hexadecimal byte pairs with spaces anywhere
// between them ("DE AD BEEF"), or a text in double quotes ("\"boot\"",
// taken as Latin-1). Empty for anything else or for nothing to look for.
std::optional<QByteArray> ParsePattern(const QString& text);

// The first address from `from` on at which `pattern` stands wholly inside
// indices 0 to size - 1, wrapping once to 0; -1 when there is none.
int32_t FindBytes(const Image& image, int32_t size, int32_t from, QByteArrayView pattern);

// One to eight hexadecimal digits in either case, spaces around them
// allowed; empty for anything else.
std::optional<int32_t> ParseAddress(const QString& text);

// A run of addresses, first to last.
struct Range {
    int32_t first;
    int32_t last;
    int32_t bytes() const { return last - first + 1; }
};
// The runs of indices 0 to size - 1 at which the two images differ.
QList<Range> DiffRanges(const Image& a, const Image& b, int32_t size);
// "0200-020F: 16 bytes differ", "0200: 1 byte differs".
QString RangeText(const Range& run);
// What a comparison of `what` ("file", "chip") with the Buffer over the
// device's `size` bytes found, as one sentence: that they are identical, or
// how many bytes in how many ranges differ.
QString DiffSummary(const QString& what, int32_t size, const QList<Range>& runs);

}  // namespace BufferSearch
