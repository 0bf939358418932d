// Several reads of one chip side by side: where they differ, with the bytes
// each read gave, and the image the majority of reads gives. An old chip in
// a worn socket can return another byte on another read; one read cannot
// show it.
#pragma once

#include "buffer/BufferSearch.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <cstdint>

namespace ReadCompare {

// A run of addresses, first to last.
using Run = BufferSearch::Range;

// A run of addresses at which the reads differ, with the bytes of the run
// as each read gave them (one entry per read, in read order).
struct Difference {
    Run run;
    QList<QByteArray> values;
};

struct Comparison {
    QList<Difference> differences;  // in address order; empty when all agree
    int32_t differingBytes = 0;
    // The first read, with every differing address set to the byte most
    // reads gave there.
    QByteArray voted;
    QList<Run> decided;    // differing addresses one byte won
    QList<Run> undecided;  // differing addresses where two bytes tie
    bool agree() const { return differences.isEmpty(); }
};

// Compares reads of the same length (a shorter read counts as differing
// wherever it has no byte; there it gives nothing to the vote). Fewer than
// two reads agree.
Comparison Compare(const QList<QByteArray>& reads);

// "0A30: 3F 3F 7F" for one address; "0A30-0A31: 3F00 3F00 7F01" for a
// run, each read's bytes as one group, cut after maxBytes bytes with "...".
QString DifferenceText(const Difference& difference, int maxBytes = 16);
// "0A30", "0A30-0A31".
QString RunText(const Run& run);
// "0A30: 3F", "0A30-0A31: 3F00": the bytes the vote chose, cut as above.
QString VotedText(const Comparison& comparison, const Run& run, int maxBytes = 16);

}  // namespace ReadCompare
