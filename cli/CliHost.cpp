#include "cli/CliHost.h"

#include "cli/CliOptions.h"

#include <QCoreApplication>
#include <QTimer>
#include <algorithm>
#include <cstdio>

namespace cli {

void CliHost::StepStarted(const StepStart& step)
{
    flush();
    open_ = step;
    outcome_ = {};
    progress_.begin(DeviceFunctions::Activity(step.function));
}

void CliHost::SetMessage(int line, const QString& text)
{
    if (line >= 0 && line < DeviceFunctions::MessageLines)
        lines_[size_t(line)] = text;
}

void CliHost::MarkMessage(int line, const QString& word)
{
    if (line >= 0 && line < DeviceFunctions::MessageLines)
        lines_[size_t(line)] += QStringLiteral("   ") + word;
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

// The time-out is told once the step's outcome names the function and the
// block.
void CliHost::ShowTimeOut() { progress_.end(); }

void CliHost::ReadDone(bool) {}

void CliHost::StepEnded(int, const StepOutcome& outcome)
{
    outcome_ = outcome;
    if (outcome.result == StepResult::NoAnswer)
        std::fprintf(stderr, "quirra-cli: Device Error: %s\n", qPrintable(TimeOutText(outcome)));
}

int ExitCodeFor(const QList<ChipStep>& steps, bool sequence)
{
    auto any = [&steps](std::initializer_list<StepResult> results) {
        return std::any_of(steps.begin(), steps.end(), [&](const ChipStep& s) {
            return std::find(results.begin(), results.end(), s.outcome.result) != results.end();
        });
    };
    if (any({StepResult::ChipError, StepResult::Refused}))
        return ExitChipFailed;
    if (any({StepResult::NoAnswer}))
        return ExitNoAnswer;
    if (!sequence && any({StepResult::NotOffered}))
        return ExitBadInput;
    return ExitOk;
}

void CliHost::flush()
{
    progress_.end();
    if (!open_)
        return;
    const QString& text = lines_[size_t(std::clamp(open_->line, 0, DeviceFunctions::MessageLines - 1))];
    out_.line(text);
    steps_.append({DeviceFunctions::Names().value(open_->function), outcome_, text});
    open_.reset();
}

QList<ChipStep> CliHost::takeSteps()
{
    flush();
    QList<ChipStep> steps;
    steps.swap(steps_);
    return steps;
}

}  // namespace cli
