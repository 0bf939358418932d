#include "cli/ChipLog.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace cli {

QByteArray ChipLogLine(const ChipRecord& r)
{
    QJsonArray steps;
    for (const ChipStep& s : r.steps)
        steps.append(QJsonObject{{QStringLiteral("step"), s.step},
                                 {QStringLiteral("result"), s.result},
                                 {QStringLiteral("message"), s.message}});
    const QJsonObject o{
        {QStringLiteral("time"), r.time.toUTC().toString(Qt::ISODateWithMs)},
        {QStringLiteral("chip"), r.chip},
        {QStringLiteral("device"), r.device},
        {QStringLiteral("steps"), steps},
        {QStringLiteral("checksum"), r.checksum},
        {QStringLiteral("crc32"), r.crc32},
        {QStringLiteral("result"), r.exitCode == 0 ? QStringLiteral("pass") : QStringLiteral("fail")},
        {QStringLiteral("exit"), r.exitCode},
    };
    return QJsonDocument(o).toJson(QJsonDocument::Compact) + '\n';
}

bool AppendToLog(const QString& path, const QByteArray& line, QString* error)
{
    QFile f(path);
    // One write of the whole line, so that a reader never sees half a record.
    if (!f.open(QIODevice::WriteOnly | QIODevice::Append) || f.write(line) != line.size() || !f.flush()) {
        *error = f.errorString();
        return false;
    }
    return true;
}

}  // namespace cli
