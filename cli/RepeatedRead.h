// "read --reads N": the chip read several times and the reads compared, so
// that a byte an old chip returns differently on another read is seen
// before its image is kept.
#pragma once

#include "cli/ChipLog.h"
#include "cli/CliHost.h"
#include "cli/Console.h"
#include "device/DeviceFunctions.h"

namespace cli {

struct RepeatedReadEnd {
    QList<ChipStep> steps;  // every Read, in order
    int code = 0;           // ExitOk when every read agreed
    bool save = false;      // Buffer holds an image to save
};

// Runs Read `count` times, each over an erased Buffer, and compares the
// reads over the device's first `size` bytes. Says what they show in out
// (text and JSON): "3 reads agree", or each differing range with the bytes
// each read gave; with `vote`, also the addresses the vote decided and
// those where two bytes tie. A read that gets no answer ends the run there.
// Buffer ends holding what is to be saved: the reads' image when they
// agree, with `vote` the byte most reads gave wherever one did.
RepeatedReadEnd ReadRepeatedly(DeviceFunctions& functions, CliHost& host, Console& out, int count, bool vote,
                               int32_t size);

}  // namespace cli
