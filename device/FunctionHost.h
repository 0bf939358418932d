// What a device function needs from its surroundings. The function window
// implements it for the desktop; a terminal front end implements it to run
// single functions and whole Auto sequences without any window. Nothing here
// may need a widget.
//
// All calls come from the one thread that runs the function, in the order the
// function does things. A front end learns what happens from the values of
// StepStarted, ShowProgress and StepEnded; the message lines are only the
// words shown to the user.
//   StepStarted   a function (or Auto step) begins: which one, and the
//                 message line it writes. Comes before anything else of the
//                 step, even for one that is refused or not offered.
//   SetMessage    a message line (0 to 5, counted from the top) gets a new
//                 text: "Reading ...", "Verify Error at 0010", or "" when the
//                 Run button clears the six lines before a function starts.
//   MarkMessage   a message line gets "   " and a word added to the text it
//                 already holds: "OK!" or "Device Fault!".
//   ShowProgress  the percentage (0 to 100) of the running function; called
//                 before every block, so repeated values are common.
//   Pause         waits one second, letting the event loop run (timers, the
//                 serial port, repaints), then returns.
//   ShowTimeOut   the programmer did not answer within one second (or the
//                 port failed): tell the user ("Communication Error!", title
//                 "Device Error") and return once the user has seen it. The
//                 function then marks its line "Device Fault!" and ends.
//   StepEnded     a function (or Auto step) has ended, how: the value that
//                 the message line words for the user. Comes after the
//                 function's last message; once for each step.
//   ReadDone      a Read has filled Buffer from the whole device. inAuto is
//                 true when the Read was a step of an Auto sequence, which
//                 then goes on. The window renews the buffer view and, for a
//                 Read of its own, closes itself once the function returns.
#pragma once

#include <QString>

// How a device function ended.
enum class StepResult {
    Ok,          // done ("OK!")
    ChipError,   // the chip failed: not blank, program or verify error
    NoAnswer,    // the programmer did not answer or the port failed
    NotOffered,  // the device does not offer the function; nothing sent
    Refused,     // the selected device cannot be served; nothing sent
    Stopped,     // stopped by the user between two blocks ("Stopped!")
};

struct StepOutcome {
    StepResult result = StepResult::Ok;
    int function = -1;  // DeviceFunctions::Index of the function that ended
    // ChipError: the failing address; NoAnswer: the address of the block
    // that got no answer; -1 when there is none.
    int address = -1;
};

struct StepStart {
    int function = -1;  // DeviceFunctions::Index of the function that begins
    int line = 0;       // the message line it writes
};

class FunctionHost {
public:
    virtual ~FunctionHost() = default;

    virtual void StepStarted(const StepStart& step) = 0;
    virtual void SetMessage(int line, const QString& text) = 0;
    virtual void MarkMessage(int line, const QString& word) = 0;
    virtual void ShowProgress(int percent) = 0;
    virtual void Pause() = 0;
    virtual void ShowTimeOut() = 0;
    virtual void ReadDone(bool inAuto) = 0;
    virtual void StepEnded(int line, const StepOutcome& outcome) = 0;
};
