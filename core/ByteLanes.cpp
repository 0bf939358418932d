#include "core/ByteLanes.h"

#include <QRegularExpression>
#include <algorithm>

namespace ByteLanes {

std::optional<Lane> Parse(const QString& text)
{
    static const QRegularExpression form(QStringLiteral("^([0-3])/([24])$"));
    const QRegularExpressionMatch m = form.match(text.trimmed());
    if (!m.hasMatch())
        return std::nullopt;
    const Lane lane{m.captured(1).toInt(), m.captured(2).toInt()};
    if (lane.index >= lane.count)
        return std::nullopt;
    return lane;
}

QString Text(Lane lane) { return QStringLiteral("%1/%2").arg(lane.index).arg(lane.count); }

QByteArray Take(QByteArrayView wide, Lane lane)
{
    if (lane.all())
        return wide.toByteArray();
    QByteArray narrow;
    narrow.reserve(wide.size() / lane.count + 1);
    for (qsizetype i = lane.index; i < wide.size(); i += lane.count)
        narrow.append(wide[i]);
    return narrow;
}

void Put(QByteArray& wide, QByteArrayView narrow, Lane lane)
{
    const int n = std::max(lane.count, 1);
    const qsizetype need = narrow.isEmpty() ? 0 : (narrow.size() - 1) * n + lane.index + 1;
    if (wide.size() < need)
        wide.append(need - wide.size(), char(0xFF));
    for (qsizetype i = 0; i < narrow.size(); ++i)
        wide[i * n + lane.index] = narrow[i];
}

QList<QByteArray> Split(QByteArrayView wide, int count)
{
    QList<QByteArray> lanes;
    for (int k = 0; k < count; ++k)
        lanes << Take(wide, {k, count});
    return lanes;
}

QByteArray Merge(const QList<QByteArray>& lanes)
{
    QByteArray wide;
    for (int k = 0; k < lanes.size(); ++k)
        Put(wide, lanes[k], {k, int(lanes.size())});
    return wide;
}

}  // namespace ByteLanes
