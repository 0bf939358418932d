// Reading and writing the comma / line-break delimited text of the start
// directory files (quirra.cfg, quirra.dev, auto.cfg).
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>

// Reads values one after another from the text of one file.
//  - values are separated by a comma or a line break (CR LF, LF or CR);
//  - spaces and tabs before a value are skipped, and so are empty lines;
//  - a value that begins with a double quote runs to the next double quote
//    on the same line (the quotes are dropped; commas between them belong to
//    the value); anything between the closing quote and the next delimiter
//    is ignored. A quote left open at the end of its line makes the value
//    malformed, so that it cannot swallow the values after it;
//  - an unquoted value runs to the next comma or line break, trailing
//    spaces included (a number ignores them).
class DelimitedReader {
public:
    explicit DelimitedReader(QByteArray text, QString fileName = {});

    // The next raw value, or nullopt when the text has no more values.
    // unclosed() tells whether it was a quoted value left open.
    std::optional<QByteArray> nextValue();
    bool unclosed() const { return unclosed_; }

    // `what` names the value in messages ("the name").

    // The next value as text (UTF-8, or Latin-1 when it is not valid UTF-8).
    // On failure returns false and sets error().
    bool readText(QString& out, const QString& what = QStringLiteral("the value"));

    // The next value as a decimal number (digits, optional leading minus) in
    // [min, max]. On failure returns false, leaves out alone and sets error().
    bool readNumber(int64_t min, int64_t max, int64_t& out, const QString& what = QStringLiteral("the value"));
    bool readInt16(int16_t& out, const QString& what = QStringLiteral("the value"));
    bool readInt32(int32_t& out, const QString& what = QStringLiteral("the value"));

    // 1-based line on which the last value read (or missed) stands.
    int line() const { return line_; }
    // "<file>, line <n>: <what is wrong>" for the last failure.
    const QString& error() const { return error_; }

private:
    void fail(const QString& what);
    // The next value for readText / readNumber; false (error() set) when
    // the text ends or the value is an open quote.
    bool take(QByteArray& value, const QString& what, const QString& missing);

    QByteArray text_;
    QString fileName_;
    qsizetype pos_ = 0;
    int currentLine_ = 1;  // line at pos_
    int line_ = 1;
    bool unclosed_ = false;
    QString error_;
};

// Parses a whole value as a decimal number: optional '-', then digits only.
std::optional<int64_t> ParseDecimal(const QByteArray& value);

// A value as a message quotes it: cut to a few dozen characters, so that
// a damaged file cannot make a message of megabytes.
QString MessageValue(const QByteArray& value);

// Writes numbers one per line, each ended by CR LF.
class DelimitedWriter {
public:
    DelimitedWriter& number(int64_t v);
    const QByteArray& bytes() const { return out_; }

private:
    QByteArray out_;
};
