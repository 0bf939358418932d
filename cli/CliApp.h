// quirra-cli's commands over the program's library: the start files, the
// port and device chosen for this run, the programmer link and the command
// itself.
#pragma once

#include "cli/CliOptions.h"

namespace cli {

// Runs one parsed command line; returns the exit code. Needs a
// QCoreApplication for the port and its timer.
int Run(const Options& options);

}  // namespace cli
