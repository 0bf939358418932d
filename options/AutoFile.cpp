#include "options/AutoFile.h"

#include "core/DelimitedText.h"
#include "core/modFunc.h"

namespace modFunc {

QString AutoLabel(int code)
{
    if (code < Step::Read || code >= Step::Auto)
        return {};
    return StepNames()[code];
}

int AutoCodeOf(const QString& label)
{
    const int code = int(StepNames().indexOf(label));
    return code < Step::Auto ? code : -1;
}

QString ParseAuto(const QByteArray& text)
{
    AutoCount = 0;
    DelimitedReader in(text, AutoFileName);
    int16_t count = 0;
    if (!in.readInt16(count))
        return in.error() + QStringLiteral("; the Auto sequence is empty.");

    QString problem;
    if (count > MaxAutoSteps) {
        problem = QStringLiteral("%1, line %2: %3 steps are more than %4; only the first %4 are used.")
                      .arg(AutoFileName).arg(in.line()).arg(count).arg(MaxAutoSteps);
        count = MaxAutoSteps;
    }
    for (int i = 1; i <= count; ++i) {
        int16_t code = 0;
        if (!in.readInt16(code)) {
            const QString early = in.error() + QStringLiteral("; %1 of %2 Auto steps were read.").arg(i - 1).arg(count);
            return problem.isEmpty() ? early : problem + QLatin1Char('\n') + early;
        }
        AutoList[i] = code;
        AutoCount = static_cast<int16_t>(i);
    }
    return problem;
}

QStringList LoadAuto()
{
    QByteArray text;
    bool exists = false;
    QString error;
    if (!ReadWholeFile(AppFile(AutoFileName), text, &exists, &error)) {
        AutoCount = 0;
        if (!exists)
            return {};
        return {QStringLiteral("%1 cannot be read: %2; the Auto sequence is empty.").arg(AutoFileName, error)};
    }
    const QString problem = ParseAuto(text);
    if (problem.isEmpty())
        return {};
    return {problem};
}

QByteArray AutoFileText()
{
    const int count = std::clamp<int>(AutoCount, 0, MaxAutoSteps);
    DelimitedWriter out;
    out.number(count);
    for (int i = 1; i <= count; ++i)
        out.number(AutoList[i]);
    return out.bytes();
}

bool SaveAuto(QString* error)
{
    return WriteWholeFile(AppFile(AutoFileName), AutoFileText(), error);
}

}  // namespace modFunc
