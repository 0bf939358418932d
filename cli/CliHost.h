// The device functions' surroundings in a terminal: message lines become
// printed lines (one per function or Auto step, once it is finished), the
// percentage drives the progress display, the time-out box becomes an
// error on standard error, and the pause is a timer wait.
#pragma once

#include "cli/ChipLog.h"
#include "cli/Console.h"
#include "cli/Progress.h"
#include "device/DeviceFunctions.h"
#include "device/FunctionHost.h"

namespace cli {

class CliHost : public FunctionHost {
public:
    CliHost(Console& out, ProgressDisplay& progress) : out_(out), progress_(progress) {}

    // The functions whose Auto step names the steps; stepName names a single
    // function's step.
    void attach(const DeviceFunctions* functions, const QString& stepName);

    void SetMessage(int line, const QString& text) override;
    void MarkMessage(int line, const QString& word) override;
    void ShowProgress(int percent) override;
    void Pause() override;
    void ShowTimeOut() override;
    void ReadDone(bool inAuto) override;
    void StepEnded(int line, const StepOutcome& outcome) override;

    // Prints the step still open and returns the steps since the last call.
    QList<ChipStep> takeSteps();

private:
    void flush();
    QString currentStepName() const;

    Console& out_;
    ProgressDisplay& progress_;
    const DeviceFunctions* functions_ = nullptr;
    QString stepName_;
    QString pending_;      // the line of the step that runs
    QString pendingName_;  // and its step
    int pendingLine_ = -1;
    int pendingStep_ = -1;
    StepOutcome pendingOutcome_;
    QList<ChipStep> steps_;
};

// quirra-cli's exit code after a run whose steps ended so: a chip that
// failed or a device refused, else no answer, else (for a single function,
// not in an Auto sequence) a function the device does not offer, else 0.
int ExitCodeFor(const QList<ChipStep>& steps, bool sequence);

}  // namespace cli
