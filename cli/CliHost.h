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

// The terminal's time-out text: the window's, with the function and the
// address of the block that got no reply (blockAddress -1: none).
QString TimeOutText(const QString& function, int blockAddress);

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

    // Prints the step still open and returns the steps since the last call.
    QList<ChipStep> takeSteps();
    bool timedOut() const { return timedOut_; }
    bool readDone() const { return readDone_; }
    void clearOutcome() { timedOut_ = readDone_ = false; }

    // "ok", "no answer", "not available" or "failed", from a finished line.
    static QString ResultOf(const QString& line);

private:
    void flush();
    QString currentStepName() const;

    Console& out_;
    ProgressDisplay& progress_;
    const DeviceFunctions* functions_ = nullptr;
    QString stepName_;
    QString pending_;      // the line of the step that runs
    QString pendingName_;  // and its step
    QString pendingError_;  // and its time-out
    int pendingLine_ = -1;
    int pendingStep_ = -1;
    QList<ChipStep> steps_;
    bool timedOut_ = false;
    bool readDone_ = false;
};

}  // namespace cli
