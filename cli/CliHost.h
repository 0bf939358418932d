// The device functions' surroundings in a terminal: each step, as the
// functions announce it, becomes a ChipStep and a printed line (its message
// line as the window would show it, once the step is over), the percentage
// drives the progress display, the time-out box becomes an error on
// standard error, and the pause is a timer wait.
#pragma once

#include "cli/ChipLog.h"
#include "cli/Console.h"
#include "cli/Progress.h"
#include "device/DeviceFunctions.h"
#include "device/FunctionHost.h"

#include <array>
#include <optional>

namespace cli {

class CliHost : public FunctionHost {
public:
    CliHost(Console& out, ProgressDisplay& progress) : out_(out), progress_(progress) {}

    void StepStarted(const StepStart& step) override;
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

    Console& out_;
    ProgressDisplay& progress_;
    std::array<QString, DeviceFunctions::MessageLines> lines_;  // as the window shows them
    std::optional<StepStart> open_;  // the step that runs, or ran last and is not yet printed
    StepOutcome outcome_;            // how it ended
    QList<ChipStep> steps_;
};

// quirra-cli's exit code after a run whose steps ended so: a chip that
// failed or a device refused, else no answer, else (for a single function,
// not in an Auto sequence) a function the device does not offer, else 0.
int ExitCodeFor(const QList<ChipStep>& steps, bool sequence);

}  // namespace cli
