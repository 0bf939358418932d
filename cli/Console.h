// Where quirra-cli's words go: result lines on standard output, warnings
// and errors on standard error, or, with --json, one JSON object on
// standard output at the end of a command.
#pragma once

#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <cstdio>

namespace cli {

class Console {
public:
    Console(bool json, bool quiet) : json_(json), quiet_(quiet) {}

    // The result lines go to standard error: standard output carries data.
    void linesToStderr() { lineStream_ = stderr; }

    bool json() const { return json_; }
    bool quiet() const { return quiet_; }

    // A result or message line: printed in text mode unless quiet, kept in
    // "messages" for JSON.
    void line(const QString& text);
    // A warning on standard error, unless quiet.
    void warn(const QString& text);
    // An error on standard error (also "error" in JSON); returns code.
    int fail(int code, const QString& text);

    // Drops the lines kept for the JSON result so far.
    void forgetLines() { messages_.clear(); }

    // Fields of the JSON result.
    QJsonObject& result() { return result_; }
    // Prints the JSON result (with "exit") and starts a fresh one; returns
    // code. Text mode prints nothing more.
    int finish(int code);

private:
    bool json_;
    bool quiet_;
    FILE* lineStream_ = stdout;
    QStringList messages_;
    QJsonObject result_;
};

}  // namespace cli
