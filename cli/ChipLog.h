// The production log of "auto --repeat --log FILE": one JSON object per
// chip, one line each, appended as each chip is done.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QJsonArray>
#include <QList>
#include <QString>
#include <optional>

namespace cli {

struct ChipStep {
    QString step;     // "Erase", "Program", ...
    QString result;   // "ok", "failed", "no answer" or "not available"
    QString message;  // the function's message line ("Programming ...   OK!")
    QString error;    // what went wrong on the link ("Communication Error! (...)")
};

// The steps as JSON objects (step, result, message and, when set, error).
QJsonArray StepsJson(const QList<ChipStep>& steps);

struct ChipRecord {
    QDateTime time;
    int chip = 0;          // 1 for the first chip of the run
    QString device;
    QList<ChipStep> steps;
    QString checksum;      // the hex view's 16-bit checksum, four digits
    QString crc32;         // eight hex digits
    int exitCode = 0;      // what a single run would have ended with
    QString port;          // the port it was programmed on
    std::optional<uint64_t> serial;  // the serial number written into it
    bool interrupted = false;  // the run was stopped before its last step
};

// The record as one line of compact JSON, ended by "\n".
QByteArray ChipLogLine(const ChipRecord& record);

// Appends one line to the log, creating it when needed. On failure returns
// false and sets *error.
bool AppendToLog(const QString& path, const QByteArray& line, QString* error);

}  // namespace cli
