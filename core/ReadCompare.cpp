#include "core/ReadCompare.h"

#include "core/HexText.h"

#include <QStringList>
#include <algorithm>

namespace ReadCompare {

namespace {

// Extends the last run by `address` when it follows on, else starts one.
void AddTo(QList<Run>& runs, int32_t address)
{
    if (!runs.isEmpty() && runs.back().last + 1 == address)
        runs.back().last = address;
    else
        runs.append({address, address});
}

QString HexBytes(const QByteArray& bytes, int maxBytes)
{
    const QByteArray shown = bytes.left(maxBytes).toHex().toUpper();
    return QString::fromLatin1(shown) + (bytes.size() > maxBytes ? QStringLiteral("...") : QString());
}

}  // namespace

Comparison Compare(const QList<QByteArray>& reads)
{
    Comparison c;
    if (reads.isEmpty())
        return c;
    c.voted = reads.first();
    qsizetype size = 0;
    for (const QByteArray& r : reads)
        size = std::max(size, r.size());
    c.voted.resize(size, '\xFF');
    if (std::all_of(reads.begin(), reads.end(), [&](const QByteArray& r) { return r == reads.first(); }))
        return c;

    QList<Run> differing;
    for (qsizetype a = 0; a < size; ++a) {
        const QByteArray& read0 = reads.first();
        bool same = read0.size() > a;
        const char first = same ? read0[a] : '\xFF';
        for (qsizetype k = 1; same && k < reads.size(); ++k)
            same = reads[k].size() > a && reads[k][a] == first;
        if (same)
            continue;
        AddTo(differing, int32_t(a));
        // The byte most reads gave; a tie between the most frequent leaves
        // the address undecided.
        int best = 0, bestCount = 0;
        bool tie = false;
        for (qsizetype k = 0; k < reads.size(); ++k) {
            if (reads[k].size() <= a)
                continue;
            const uint8_t v = uint8_t(reads[k][a]);
            const auto count = std::count_if(reads.begin(), reads.end(),
                                             [&](const QByteArray& r) { return r.size() > a && uint8_t(r[a]) == v; });
            if (count > bestCount) {
                best = v;
                bestCount = int(count);
                tie = false;
            } else if (count == bestCount && v != best) {
                tie = true;
            }
        }
        c.voted[a] = char(best);
        AddTo(tie ? c.undecided : c.decided, int32_t(a));
    }
    for (const Run& run : differing) {
        Difference d{run, {}};
        for (const QByteArray& r : reads)
            d.values << r.mid(run.first, run.bytes());
        c.differences << d;
        c.differingBytes += run.bytes();
    }
    return c;
}

QString RunText(const Run& run)
{
    return run.first == run.last ? HexText::Hex4(run.first)
                                 : QStringLiteral("%1-%2").arg(HexText::Hex4(run.first), HexText::Hex4(run.last));
}

QString DifferenceText(const Difference& difference, int maxBytes)
{
    QStringList values;
    for (const QByteArray& v : difference.values)
        values << HexBytes(v, maxBytes);
    return RunText(difference.run) + QStringLiteral(": ") + values.join(QLatin1Char(' '));
}

QString VotedText(const Comparison& comparison, const Run& run, int maxBytes)
{
    return RunText(run) + QStringLiteral(": ") + HexBytes(comparison.voted.mid(run.first, run.bytes()), maxBytes);
}

}  // namespace ReadCompare
