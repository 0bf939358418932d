// "auto --repeat" on several ports at once: one quirra-cli child process
// per port (a process keeps one port), each running the same sequence and
// image, with a combined status line on the terminal. Enter starts the next
// chip on every programmer that waits for one, q or the end of the input
// lets each finish its chip and end, Ctrl+C ends every child after the step
// it runs. The exit code is the worst of the children's.
#pragma once

#include "cli/CliOptions.h"

#include <QJsonObject>
#include <QString>

namespace cli {

// "OK" for a chip that passed, else the message of its first step that did
// not pass ("Verify Error at 0200"), or "stopped" when it was interrupted.
QString ChipStatus(const QJsonObject& chipLine);

// Runs one child per port of options.ports with the arguments args (the
// command line after the program name); returns the exit code.
int RunParallel(const Options& options, const QStringList& args);

}  // namespace cli
