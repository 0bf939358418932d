#include "core/DelimitedText.h"

#include <QStringDecoder>
#include <algorithm>
#include <limits>

namespace {
// Position of the line break (or, with `commas`, the comma) that ends the
// value starting at `from`; the text's size when there is none.
qsizetype DelimiterFrom(const QByteArray& text, qsizetype from, bool commas)
{
    qsizetype p = from;
    while (p < text.size() && text[p] != '\r' && text[p] != '\n' && !(commas && text[p] == ','))
        ++p;
    return p;
}
}  // namespace

DelimitedReader::DelimitedReader(QByteArray text, QString fileName)
    : text_(std::move(text)), fileName_(std::move(fileName)) {}

std::optional<QByteArray> DelimitedReader::nextValue()
{
    const qsizetype n = text_.size();
    // Skip spaces, tabs and empty lines before the value.
    while (pos_ < n) {
        const char c = text_[pos_];
        if (c == ' ' || c == '\t') {
            ++pos_;
        } else if (c == '\r' || c == '\n') {
            if (c == '\r' && pos_ + 1 < n && text_[pos_ + 1] == '\n')
                ++pos_;
            ++pos_;
            ++currentLine_;
        } else {
            break;
        }
    }
    line_ = currentLine_;  // where the value stands, or would stand
    if (pos_ >= n)
        return std::nullopt;

    QByteArray value;
    const bool quoted = text_[pos_] == '"';
    const qsizetype end = DelimiterFrom(text_, pos_, !quoted);
    unclosed_ = false;
    if (quoted) {
        const qsizetype close = text_.indexOf('"', pos_ + 1);
        unclosed_ = close < 0 || close >= end;
        value = text_.mid(pos_ + 1, (unclosed_ ? end : close) - pos_ - 1);
        // Anything between the closing quote and the delimiter is ignored.
        pos_ = unclosed_ ? end : DelimiterFrom(text_, close + 1, true);
    } else {
        value = text_.mid(pos_, end - pos_);
        pos_ = end;
    }
    // Consume the delimiter: a comma, or one line break.
    if (pos_ < n) {
        if (text_[pos_] == ',') {
            ++pos_;
        } else {
            if (text_[pos_] == '\r' && pos_ + 1 < n && text_[pos_ + 1] == '\n')
                ++pos_;
            ++pos_;
            ++currentLine_;
        }
    }
    return value;
}

void DelimitedReader::fail(const QString& what)
{
    error_ = QStringLiteral("%1, line %2: %3").arg(fileName_).arg(line_).arg(what);
}

bool DelimitedReader::take(QByteArray& value, const QString& what, const QString& missing)
{
    const auto v = nextValue();
    if (!v) {
        fail(missing);
        return false;
    }
    if (unclosed_) {
        fail(QStringLiteral("%1 has no closing quote").arg(what));
        return false;
    }
    value = *v;
    return true;
}

bool DelimitedReader::readText(QString& out, const QString& what)
{
    QByteArray v;
    if (!take(v, what, QStringLiteral("a value is missing (the file ends here)")))
        return false;
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString s = utf8(v);
    out = utf8.hasError() ? QString::fromLatin1(v) : s;
    return true;
}

std::optional<int64_t> ParseDecimal(const QByteArray& value)
{
    qsizetype i = 0;
    const bool negative = !value.isEmpty() && value[0] == '-';
    if (negative)
        i = 1;
    if (i >= value.size() || value.size() - i > 18)
        return std::nullopt;
    int64_t result = 0;
    for (; i < value.size(); ++i) {
        const char c = value[i];
        if (c < '0' || c > '9')
            return std::nullopt;
        result = result * 10 + (c - '0');
    }
    return negative ? -result : result;
}

QString MessageValue(const QByteArray& value)
{
    constexpr qsizetype Shown = 40;
    if (value.size() <= Shown)
        return QString::fromLatin1(value);
    return QString::fromLatin1(value.left(Shown)) + QStringLiteral("... (%1 characters)").arg(value.size());
}

bool DelimitedReader::readNumber(int64_t min, int64_t max, int64_t& out, const QString& what)
{
    QByteArray v;
    if (!take(v, what, QStringLiteral("a number is missing (the file ends here)")))
        return false;
    while (!v.isEmpty() && (v.back() == ' ' || v.back() == '\t'))
        v.chop(1);
    if (v.isEmpty()) {
        fail(QStringLiteral("a number is missing"));
        return false;
    }
    const auto number = ParseDecimal(v);
    if (!number) {
        // Over-long digit strings are numbers that do not fit, not words.
        const QByteArray digits = v.startsWith('-') ? v.mid(1) : v;
        const bool allDigits = !digits.isEmpty()
            && std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; });
        if (allDigits)
            fail(QStringLiteral("%1 is outside %2 to %3").arg(MessageValue(v)).arg(min).arg(max));
        else
            fail(QStringLiteral("\"%1\" is not a number").arg(MessageValue(v)));
        return false;
    }
    if (*number < min || *number > max) {
        fail(QStringLiteral("%1 is outside %2 to %3").arg(*number).arg(min).arg(max));
        return false;
    }
    out = *number;
    return true;
}

bool DelimitedReader::readInt16(int16_t& out, const QString& what)
{
    int64_t v = 0;
    if (!readNumber(std::numeric_limits<int16_t>::min(), std::numeric_limits<int16_t>::max(), v, what))
        return false;
    out = static_cast<int16_t>(v);
    return true;
}

bool DelimitedReader::readInt32(int32_t& out, const QString& what)
{
    int64_t v = 0;
    if (!readNumber(std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max(), v, what))
        return false;
    out = static_cast<int32_t>(v);
    return true;
}

DelimitedWriter& DelimitedWriter::number(int64_t v)
{
    out_ += QByteArray::number(static_cast<qlonglong>(v));
    out_ += "\r\n";
    return *this;
}
