#include "cli/CliHost.h"

#include "core/modFunc.h"
#include "options/AutoFile.h"

#include <QCoreApplication>
#include <QTimer>

namespace cli {

void CliHost::attach(const DeviceFunctions* functions, const QString& stepName)
{
    functions_ = functions;
    stepName_ = stepName;
}

QString CliHost::currentStepName() const
{
    if (stepName_ == QLatin1String("Auto") && functions_ && functions_->AutoStep >= 1
        && functions_->AutoStep <= modFunc::MaxAutoSteps)
        return modFunc::AutoLabel(modFunc::AutoList[size_t(functions_->AutoStep)]);
    return stepName_;
}

void CliHost::SetMessage(int line, const QString& text)
{
    if (text.isEmpty())
        return;  // the lines cleared before a run: nothing to print
    const int step = functions_ ? functions_->AutoStep : 0;
    if (!pending_.isEmpty() && (line != pendingLine_ || step != pendingStep_))
        flush();
    if (pending_.isEmpty()) {
        pendingName_ = currentStepName();
        progress_.begin(text.endsWith(QLatin1String(" ...")) ? text.chopped(4) : text);
    }
    pending_ = text;  // a start text, or the fault that replaces it
    pendingLine_ = line;
    pendingStep_ = step;
}

void CliHost::MarkMessage(int, const QString& word)
{
    pending_ += QStringLiteral("   ") + word;
}

void CliHost::ShowProgress(int percent) { progress_.show(percent); }

void CliHost::Pause()
{
    bool done = false;
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, [&done] { done = true; });
    timer.start(1000);
    while (!done)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

QString TimeOutText(const QString& function, int blockAddress)
{
    return blockAddress < 0
               ? QStringLiteral("Communication Error! (%1, no reply)").arg(function)
               : QStringLiteral("Communication Error! (%1, no reply for block at %2)").arg(function, modFunc::Hex4(blockAddress));
}

void CliHost::ShowTimeOut()
{
    progress_.end();
    timedOut_ = true;
    pendingError_ = TimeOutText(currentStepName(), functions_ ? functions_->NoReplyAddress : -1);
    std::fprintf(stderr, "quirra-cli: Device Error: %s\n", qPrintable(pendingError_));
}

void CliHost::ReadDone(bool) { readDone_ = true; }

QString CliHost::ResultOf(const QString& line)
{
    if (line.endsWith(QLatin1String("   OK!")))
        return QStringLiteral("ok");
    if (line.endsWith(QLatin1String("   Device Fault!")))
        return QStringLiteral("no answer");
    if (line == QLatin1String("Function Not Available!"))
        return QStringLiteral("not available");
    return QStringLiteral("failed");
}

void CliHost::flush()
{
    progress_.end();
    if (pending_.isEmpty())
        return;
    out_.line(pending_);
    steps_.append({pendingName_, ResultOf(pending_), pending_, pendingError_});
    pending_.clear();
    pendingError_.clear();
}

QList<ChipStep> CliHost::takeSteps()
{
    flush();
    QList<ChipStep> steps;
    steps.swap(steps_);
    return steps;
}

}  // namespace cli
