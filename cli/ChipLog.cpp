#include "cli/ChipLog.h"

#include "core/HexText.h"
#include "device/DeviceFunctions.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace cli {

QString ResultWord(StepResult result)
{
    switch (result) {
    case StepResult::Ok: return QStringLiteral("ok");
    case StepResult::NoAnswer: return QStringLiteral("no answer");
    case StepResult::NotOffered: return QStringLiteral("not available");
    case StepResult::Stopped: return QStringLiteral("stopped");
    case StepResult::ChipError:
    case StepResult::Refused: break;
    }
    return QStringLiteral("failed");
}

QString TimeOutText(const StepOutcome& outcome)
{
    if (outcome.result != StepResult::NoAnswer)
        return {};
    const QString function = DeviceFunctions::Names().value(outcome.function);
    return outcome.address < 0
               ? QStringLiteral("Communication Error! (%1, no reply)").arg(function)
               : QStringLiteral("Communication Error! (%1, no reply for block at %2)")
                     .arg(function, HexText::Hex4(outcome.address));
}

QJsonArray StepsJson(const QList<ChipStep>& steps)
{
    QJsonArray list;
    for (const ChipStep& s : steps) {
        QJsonObject o{{QStringLiteral("step"), s.step},
                      {QStringLiteral("result"), ResultWord(s.outcome.result)},
                      {QStringLiteral("message"), s.message}};
        if (const QString error = TimeOutText(s.outcome); !error.isEmpty())
            o.insert(QStringLiteral("error"), error);
        list.append(o);
    }
    return list;
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
    if (!r.sha1.isEmpty())
        o.insert(QStringLiteral("sha1"), r.sha1);
    if (!r.sha256.isEmpty())
        o.insert(QStringLiteral("sha256"), r.sha256);
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
