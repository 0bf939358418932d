#include "core/HexText.h"

namespace HexText {

std::optional<uint32_t> Parse(const QString& text, const HexForm& form)
{
    QStringView s(text);
    if (form.decorated) {
        s = s.trimmed();
        if (s.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
            s = s.mid(2);
        if (s.endsWith(QLatin1Char('h'), Qt::CaseInsensitive))
            s.chop(1);
    }
    uint64_t v = 0;
    int digits = 0;
    for (QChar c : s) {
        const int d = DigitValue(c);
        if (d < 0) {
            if (form.leadingDigits)
                break;
            return std::nullopt;
        }
        if (!form.leadingDigits && ++digits > form.maxDigits)
            return std::nullopt;
        const uint64_t next = v << 4 | uint64_t(d);
        if (next > 0xFFFFFFFFu) {
            if (form.stopAtOverflow)
                break;
            return std::nullopt;
        }
        v = next;
    }
    if (!form.leadingDigits && digits == 0)
        return std::nullopt;
    return uint32_t(v);
}

QString Hex2(uint8_t b)
{
    const QChar s[2] = {QLatin1Char(Digit(b >> 4)), QLatin1Char(Digit(b))};
    return QString(s, 2);
}

QString Hex4(int32_t v)
{
    QString h = QString::number(static_cast<uint32_t>(v), 16).toUpper();
    if (v >= 0 && v <= 4095)
        h = h.rightJustified(4, QLatin1Char('0'));
    return h;
}

QString Hex(int64_t v) { return QString::number(v, 16).toUpper(); }

QString Hex8(uint32_t v) { return QStringLiteral("%1").arg(v, 8, 16, QLatin1Char('0')).toUpper(); }

}  // namespace HexText
