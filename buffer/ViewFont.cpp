#include "buffer/ViewFont.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <cmath>

namespace ViewFont {

namespace {
QFont Styled(QFont f)
{
    f.setStyleHint(QFont::TypeWriter);
    f.setFixedPitch(true);
    f.setPointSizeF(9.75);
    f.setBold(true);
    // Plain ASCII: no text shaping needed, which makes layout and painting cheaper.
    f.setStyleStrategy(QFont::PreferNoShaping);
    return f;
}
}  // namespace

bool EvenAdvances(const QFont& font)
{
    const QFontMetricsF m(font);
    const qreal w = m.horizontalAdvance(QLatin1Char('0'));
    if (!(w > 0))
        return false;
    QString row;
    for (char16_t c = 0x20; c <= 0x7F; ++c) {
        if (std::abs(m.horizontalAdvance(QChar(c)) - w) > 0.01)
            return false;
        row += QChar(c);
    }
    // Kerning would shift the columns of a whole line.
    return std::abs(m.horizontalAdvance(row) - row.size() * w) < 0.5;
}

QFont Choose()
{
    const QFont system = Styled(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    for (const char* family : {"Courier New", "Courier", "", "DejaVu Sans Mono", "Liberation Mono", "Noto Mono",
                               "Noto Sans Mono", "Monospace"}) {
        const QFont f = *family ? Styled(QFont(QString::fromLatin1(family))) : system;
        if (EvenAdvances(f))
            return f;
    }
    return system;
}

}  // namespace ViewFont
