#include "cli/ChipLog.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace cli {

QJsonArray StepsJson(const QList<ChipStep>& list)
{
    QJsonArray steps;
    for (const ChipStep& s : list) {
        QJsonObject o{{QStringLiteral("step"), s.step},
                      {QStringLiteral("result"), s.result},
                      {QStringLiteral("message"), s.message}};
        if (!s.error.isEmpty())
            o.insert(QStringLiteral("error"), s.error);
        steps.append(o);
    }
    return steps;
}

QByteArray ChipLogLine(const ChipRecord& r)
{
    const QJsonArray steps = StepsJson(r.steps);
    QJsonObject o{
        {QStringLiteral("time"), r.time.toUTC().toString(Qt::ISODateWithMs)},
        {QStringLiteral("chip"), r.chip},
        {QStringLiteral("device"), r.device},
        {QStringLiteral("steps"), steps},
        {QStringLiteral("checksum"), r.checksum},
        {QStringLiteral("crc32"), r.crc32},
        {QStringLiteral("result"), r.exitCode == 0 ? QStringLiteral("pass") : QStringLiteral("fail")},
        {QStringLiteral("exit"), r.exitCode},
    };
    if (!r.port.isEmpty())
        o.insert(QStringLiteral("port"), r.port);
    if (r.serial) {
        o.insert(QStringLiteral("serial"), qint64(*r.serial));
        // A number, once drawn, is never given to another chip.
        if (r.exitCode != 0)
            o.insert(QStringLiteral("serial_note"), QStringLiteral("not reused"));
    }
    if (r.interrupted)
        o.insert(QStringLiteral("interrupted"), true);
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
