#include "buffer/BufferSearch.h"

#include "core/HexText.h"

#include <algorithm>
#include <cstring>
#include <functional>

namespace BufferSearch {

std::optional<QByteArray> ParsePattern(const QString& text)
{
    const QString t = text.trimmed();
    if (t.size() >= 2 && t.startsWith(QLatin1Char('"')) && t.endsWith(QLatin1Char('"'))) {
        const QString inner = t.mid(1, t.size() - 2);
        if (inner.isEmpty() || std::any_of(inner.begin(), inner.end(), [](QChar c) { return c.unicode() > 0xFF; }))
            return std::nullopt;
        return inner.toLatin1();
    }
    QByteArray bytes;
    int high = -1;
    for (QChar c : t) {
        if (c == QLatin1Char(' '))
            continue;
        const int d = HexText::DigitValue(c);
        if (d < 0)
            return std::nullopt;
        if (high < 0) {
            high = d;
        } else {
            bytes.append(char(high << 4 | d));
            high = -1;
        }
    }
    if (high >= 0 || bytes.isEmpty())
        return std::nullopt;
    return bytes;
}

int32_t FindBytes(const Image& image, int32_t size, int32_t from, QByteArrayView pattern)
{
    size = std::clamp<int32_t>(size, 0, modFunc::BufferSize);
    if (pattern.isEmpty() || pattern.size() > size)
        return -1;
    from = std::clamp<int32_t>(from, 0, size);
    const auto* begin = reinterpret_cast<const char*>(image.data());
    const std::boyer_moore_horspool_searcher searcher(pattern.begin(), pattern.end());
    // From `from` to the end, then from 0 to the last start before `from`.
    const char* hit = std::search(begin + from, begin + size, searcher);
    if (hit != begin + size)
        return int32_t(hit - begin);
    const char* wrapEnd = begin + std::min<qsizetype>(size, from + pattern.size() - 1);
    hit = std::search(begin, wrapEnd, searcher);
    return hit != wrapEnd ? int32_t(hit - begin) : -1;
}

std::optional<int32_t> ParseAddress(const QString& text)
{
    const std::optional<uint32_t> v = HexText::Parse(text.trimmed(), {.maxDigits = 8});
    return v && *v <= uint32_t(INT32_MAX) ? std::optional<int32_t>(int32_t(*v)) : std::nullopt;
}

QList<Range> DiffRanges(const Image& a, const Image& b, int32_t size)
{
    size = std::clamp<int32_t>(size, 0, modFunc::BufferSize);
    QList<Range> ranges;
    const uint8_t* const pa = a.data();
    const uint8_t* const pb = b.data();
    const uint8_t* p = pa;
    while (true) {
        // The next differing byte, then the next equal one after it.
        p = std::mismatch(p, pa + size, pb + (p - pa)).first;
        if (p == pa + size)
            break;
        const uint8_t* q = p + 1;
        while (q < pa + size && *q != pb[q - pa])
            ++q;
        ranges.append({int32_t(p - pa), int32_t(q - pa - 1)});
        p = q;
    }
    return ranges;
}

QString RangeText(const Range& run)
{
    if (run.bytes() == 1)
        return QStringLiteral("%1: 1 byte differs").arg(modFunc::Hex4(run.first));
    return QStringLiteral("%1-%2: %3 bytes differ").arg(modFunc::Hex4(run.first), modFunc::Hex4(run.last)).arg(run.bytes());
}

QString DiffSummary(const QString& what, int32_t size, const QList<Range>& runs)
{
    using modFunc::Hex4;
    const QString range = size > 0 ? QStringLiteral("0000-%1").arg(Hex4(size - 1)) : QStringLiteral("no bytes");
    int64_t bytes = 0;
    for (const Range& r : runs)
        bytes += r.bytes();
    return runs.isEmpty()
               ? QStringLiteral("The %1 and the Buffer are identical over the device's range (%2).").arg(what, range)
               : QStringLiteral("%1 bytes in %2 ranges of the device's range (%3) differ from the Buffer; "
                                "Enter or a double-click on a range shows it.")
                     .arg(bytes)
                     .arg(runs.size())
                     .arg(range);
}

}  // namespace BufferSearch
