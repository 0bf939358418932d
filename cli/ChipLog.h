// The production log of "auto --repeat --log FILE": one JSON object per
// chip, one line each, appended as each chip is done.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QJsonArray>
#include <QList>
#include <QString>
#include <optional>

#include "device/FunctionHost.h"

namespace cli {

struct ChipStep {
    QString step;         // "Erase", "Program", ...
    StepOutcome outcome;  // how it ended
    QString message;      // the function's message line ("Programming ...   OK!")
};

// The word for an outcome in JSON: "ok", "failed", "no answer" or "not
// available".
QString ResultWord(StepResult result);
// The terminal's time-out text for a step that got no answer: the window's,
// with the function and the address of the block that got no reply
// ("Communication Error! (Verify, no reply for block at 3A40)"); empty for
// any other outcome.
QString TimeOutText(const StepOutcome& outcome);
// The steps as a JSON array of {step, result, message} and, for a step that
// got no answer, its time-out text as error.
QJsonArray StepsJson(const QList<ChipStep>& steps);

struct ChipRecord {
    QDateTime time{};
    int chip = 0;          // 1 for the first chip of the run
    QString device{};
    QList<ChipStep> steps{};
    QString checksum{};    // the hex view's 16-bit checksum, four digits
    QString crc32{};       // eight hex digits
    int exitCode = 0;      // what a single run would have ended with
    QString port;          // the port it was programmed on
    std::optional<uint64_t> serial{};  // the serial number written into it
    bool interrupted = false;  // the run was stopped before its last step
    QString sha1{};        // lower-case hex; left out of the line when empty
    QString sha256{};
};

// The record as one line of compact JSON, ended by "\n".
QByteArray ChipLogLine(const ChipRecord& record);

// Appends one line to the log, creating it when needed. On failure returns
// false and sets *error.
bool AppendToLog(const QString& path, const QByteArray& line, QString* error);

}  // namespace cli
