// The command line of quirra-cli: its options, its commands, its exit codes
// and its help text. Parsing is a plain function of the argument list.
#pragma once

#include "cli/SerialNumbers.h"

#include <QString>
#include <QStringList>
#include <optional>

namespace cli {

enum ExitCode {
    ExitOk = 0,
    ExitChipFailed = 1,  // program, verify or blank check error
    ExitNoAnswer = 2,    // probe failed, time-out, port lost, port not opened
    ExitBadInput = 3,    // usage, file, catalogue
};

struct Options {
    QString command;          // "probe", "read", ...; empty with --help/--version
    QStringList files;        // the command's file arguments
    QString dir;              // --dir: start directory, empty for the current one
    QString port;             // --port: COMn or a device path (the first)
    QStringList ports;        // every --port, in order: several run in parallel
    QString device;           // --device: catalogue name (or its first word)
    int record = 0;           // --record: catalogue record number, 0 none
    QString format;           // --format: "hex", "srec", "bin" or empty (by the content)
    QString to;               // --to (convert): the output's format, empty by its name
    std::optional<uint32_t> bufferAddress;
    std::optional<uint32_t> fileAddress;
    QString log;              // --log FILE (auto)
    std::optional<SerialField> serial;  // --serial ADDR:START[:STEP][:FORMAT] (auto, program)
    QString serialFile;       // --serial-file FILE
    bool serialOverwrite = false;  // --serial-overwrite
    bool skipErased = false;  // --skip-erased (program)
    bool writeAll = false;    // --write-all (auto)
    bool worker = false;      // --worker: one port of a run on several
    bool all = false;         // --all (verify)
    bool repeat = false;      // --repeat (auto)
    bool noVerify = false;    // --no-verify (program)
    bool allowTruncate = false;  // --allow-truncate
    int reads = 1;            // --reads N (read): how often the chip is read
    bool vote = false;        // --vote (read --reads): the majority's bytes
    bool verbose = false;     // --verbose: start directory and frame trace
    bool quiet = false;
    bool json = false;
    bool help = false;
    bool version = false;
};

// Parses the arguments after the program name: reads the words against the
// option table, applies them to options, then checks the command, its files
// and which options go together. On a usage error returns false with *error
// saying what is wrong. A new option is a field above, a row of the table
// (CliOptions.cpp), a rule among the combinations where it belongs to some
// commands only, and its line in UsageText.
bool ParseArguments(const QStringList& args, Options& options, QString* error);

// A hexadecimal address of one to eight digits ("8000", "ff", "0x1F0",
// "100H", blanks around allowed); false for anything else. Stricter than
// the file options window, which reads the leading digits only and so takes
// "0x1F0" as 0.
bool ParseHexAddress(const QString& text, uint32_t& value);

// The arguments of the child process that runs one port of a run on
// several: every --port (-p) left out, then "--port port --worker".
QStringList WorkerArguments(const QStringList& args, const QString& port);

// "COM3" (any case) gives 3; anything else gives 0 (a device path).
int ComNumber(const QString& port);

// The help text; startDir names the start directory this run would use.
QString UsageText(const QString& startDir = {});

}  // namespace cli
