#include "cli/RepeatedRead.h"

#include "cli/CliOptions.h"
#include "core/HexText.h"
#include "core/ReadCompare.h"
#include "core/modFunc.h"

#include <QJsonArray>
#include <algorithm>

namespace cli {

namespace {

QString Count(int n, const char* one, const char* many)
{
    return QStringLiteral("%1 %2").arg(n).arg(QLatin1String(n == 1 ? one : many));
}

QJsonObject RunJson(const ReadCompare::Run& run)
{
    return {{QStringLiteral("start"), HexText::Hex4(run.first)},
            {QStringLiteral("end"), HexText::Hex4(run.last)},
            {QStringLiteral("bytes"), run.bytes()}};
}

}  // namespace

RepeatedReadEnd ReadRepeatedly(DeviceFunctions& functions, CliHost& host, Console& out, int count, bool vote,
                               int32_t size)
{
    using modFunc::Buffer;
    size = std::clamp<int32_t>(size, 0, modFunc::BufferSize);
    RepeatedReadEnd end;
    QList<QByteArray> reads;
    for (int k = 0; k < count; ++k) {
        // Each read stands on its own: a short reply leaves no byte of the one before.
        Buffer.fill(0xFF);
        functions.Run(DeviceFunctions::Read);
        const QList<ChipStep> steps = host.takeSteps();
        end.steps += steps;
        end.code = ExitCodeFor(end.steps, false);
        if (end.code != ExitOk || steps.isEmpty() || steps.last().outcome.result != StepResult::Ok)
            return end;
        reads << QByteArray(reinterpret_cast<const char*>(Buffer.data()), size);
    }

    const ReadCompare::Comparison c = ReadCompare::Compare(reads);
    out.result().insert(QStringLiteral("reads"), count);
    out.result().insert(QStringLiteral("agree"), c.agree());
    if (c.agree()) {
        out.line(QStringLiteral("%1 reads agree").arg(count));
        end.save = true;
        return end;
    }
    end.code = ExitChipFailed;
    end.save = vote && c.undecided.isEmpty();
    out.line(QStringLiteral("%1 reads differ in %2 in %3%4")
                 .arg(count)
                 .arg(Count(c.differingBytes, "byte", "bytes"), Count(int(c.differences.size()), "range", "ranges"),
                      end.save ? QStringLiteral(":") : QStringLiteral("; nothing was written:")));
    QJsonArray differences;
    for (const ReadCompare::Difference& d : c.differences) {
        out.line(QStringLiteral("  ") + ReadCompare::DifferenceText(d));
        QJsonObject o = RunJson(d.run);
        QJsonArray values;
        for (const QByteArray& v : d.values)
            values.append(QString::fromLatin1(v.toHex().toUpper()));
        o.insert(QStringLiteral("values"), values);
        differences.append(o);
    }
    out.result().insert(QStringLiteral("differences"), differences);
    if (!vote)
        return end;

    QJsonArray decided, undecided;
    int decidedBytes = 0;
    for (const ReadCompare::Run& r : c.decided)
        decidedBytes += r.bytes();
    if (!c.decided.isEmpty())
        out.line(QStringLiteral("Decided by vote, %1:").arg(Count(decidedBytes, "byte", "bytes")));
    for (const ReadCompare::Run& r : c.decided) {
        out.line(QStringLiteral("  ") + ReadCompare::VotedText(c, r));
        QJsonObject o = RunJson(r);
        o.insert(QStringLiteral("value"), QString::fromLatin1(c.voted.mid(r.first, r.bytes()).toHex().toUpper()));
        decided.append(o);
    }
    if (!c.undecided.isEmpty())
        out.line(QStringLiteral("No byte won the vote at these addresses; nothing was written:"));
    for (const ReadCompare::Run& r : c.undecided) {
        out.line(QStringLiteral("  ") + ReadCompare::RunText(r));
        undecided.append(RunJson(r));
    }
    out.result().insert(QStringLiteral("decided"), decided);
    out.result().insert(QStringLiteral("undecided"), undecided);
    if (end.save)
        std::copy(c.voted.begin(), c.voted.end(), Buffer.begin());
    return end;
}

}  // namespace cli
