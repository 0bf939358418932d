#include "cli/CliHost.h"

#include "cli/CliOptions.h"
#include "core/modFunc.h"
#include "options/AutoFile.h"

#include <QCoreApplication>
#include <QTimer>
#include <algorithm>
#include <cstdio>

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
    if (pending_.isEmpty())
        pendingOutcome_ = {};
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

// The time-out is told once the step's outcome names the function and the
// block.
void CliHost::ShowTimeOut() { progress_.end(); }

void CliHost::ReadDone(bool) {}

// The last outcome of a step counts: Verify --all ends OK and then reports
// the first difference.
void CliHost::StepEnded(int, const StepOutcome& outcome)
{
    pendingOutcome_ = outcome;
    if (outcome.result == StepResult::NoAnswer || outcome.result == StepResult::PortGone)
        std::fprintf(stderr, "quirra-cli: %s: %s\n",
                     outcome.result == StepResult::PortGone ? "Communication Port Error" : "Device Error",
                     qPrintable(TimeOutText(outcome)));
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
    if (any({StepResult::NoAnswer, StepResult::PortGone}))
        return ExitNoAnswer;
    if (!sequence && any({StepResult::NotOffered}))
        return ExitBadInput;
    return ExitOk;
}

void CliHost::flush()
{
    progress_.end();
    if (pending_.isEmpty())
        return;
    out_.line(pending_);
    steps_.append({pendingName_, pendingOutcome_, pending_});
    pending_.clear();
}

QList<ChipStep> CliHost::takeSteps()
{
    flush();
    QList<ChipStep> steps;
    steps.swap(steps_);
    return steps;
}

}  // namespace cli
