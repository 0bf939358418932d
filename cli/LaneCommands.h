// Byte lanes from the terminal: convert --split and --merge, and the image
// of one lane that program, verify and read --lane work with.
#pragma once

#include "cli/CliOptions.h"
#include "cli/Console.h"
#include "cli/ImageLoad.h"
#include "core/ByteLanes.h"

namespace cli {

// convert --split N IMAGE: lane K into NAME.K.bin beside IMAGE (NAME is
// IMAGE's name without its last suffix).
int SplitImage(const Options& o, Console& out);
// convert --merge A B [C D] -o OUT: the lanes interleaved into OUT.
int MergeLanes(const Options& o, Console& out);

// `image`, loaded from a wide image file that fills `wide`, becomes its lane
// `lane` (0xFF past the lane's end); returns what the lane fills.
FilledRange NarrowToLane(FileFormats::Image& image, ByteLanes::Lane lane, const FilledRange& wide);
// The lane the --lane text names (checked when parsed); all bytes without one.
ByteLanes::Lane LaneOf(const Options& o);

}  // namespace cli
