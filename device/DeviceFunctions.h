// The six device functions and the Auto runner. They drive the programmer
// through DeviceProtocol on modFunc::cm and report through a FunctionHost;
// they need no window.
#pragma once

#include "core/modFunc.h"
#include "device/FunctionHost.h"

#include <QStringList>
#include <cstdint>
#include <functional>

class DeviceFunctions {
public:
    // The function list, in order: modFunc::Step, whose first six codes are
    // also the Auto step codes.
    using Index = modFunc::Step::Code;
    using enum modFunc::Step::Code;
    static const QStringList& Names() { return modFunc::StepNames(); }
    static constexpr int MessageLines = 6;

    explicit DeviceFunctions(FunctionHost& host);

    // What a function does, as its message line and progress name it:
    // "Reading", "Blank Checking"; empty for Auto and unknown codes.
    static QString Activity(int function);

    // The Run button's part: progress 0, the six lines cleared, line 0,
    // Failed cleared, then the function at index (nothing for any other).
    void Run(int index);

    void RunRead();
    // The Run button's part for a Read into `image` instead of Buffer (no
    // ReadDone): the chip compared with the Buffer. Ends before the next
    // block, the line marked "Stopped!", once StopReading is set. Returns
    // whether the whole chip is in `image`.
    bool ReadInto(std::array<uint8_t, modFunc::BufferSize>& image);
    void RunErase();
    void RunBlankCheck();
    void RunProgram();
    void RunVerify();
    void RunLock();
    void RunAuto();
    // Verify that goes on past a difference: every differing address is
    // handed to `difference` in address order, and the line and Failed end
    // as Verify's would for the first of them.
    void RunVerifyAll(const std::function<void(int address)>& difference);

    int16_t Percent = 0;      // the percentage shown last
    int16_t MessageLine = 0;  // the line the running function writes
    bool Failed = false;      // a fault in the data, or a device it cannot serve
    int16_t AutoStep = 0;     // the Auto step being run, from 1

    // Which blocks Program sends: every one (the window's way), or none that
    // is FF throughout, either always (the chip is known to be erased) or
    // inside an Auto sequence once its Blank step has passed and no Program
    // step has run since.
    enum class ErasedBlocks { WriteAll, Skip, SkipAfterBlankCheck };
    ErasedBlocks ErasedBlockWrites = ErasedBlocks::WriteAll;
    int BlocksWritten = 0;  // the block writes the last Program sent
    // Set while a function runs (from the event loop): an Auto sequence
    // ends after the step that runs.
    bool StopRequested = false;
    // Set while ReadInto runs (from the event loop): it ends before the
    // next block.
    bool StopReading = false;

private:
    enum class CycleEnd { Done, TimedOut, Fault, Stopped };

    void Prepare();  // progress 0, the lines cleared, line 0, Failed cleared
    void RunFunction(int index);  // Read to Lock; nothing for other codes
    CycleEnd ReadIntoImage(std::array<uint8_t, modFunc::BufferSize>& image);
    bool Refused(Index function);
    void Start();
    void SetPercent(int percent);
    void End(StepResult result, int address = -1);
    // address: the block that got no answer, -1 for none.
    void ReportTimeOut(int address);
    void Succeed();
    // OK for Done, faultText and the address for Fault; nothing after a
    // time-out, which has ended the step.
    void EndCycle(CycleEnd end, const QString& faultText, int address);
    void Fault(const QString& text, int address);
    void RunSingleCommand(Index function, uint8_t letter, bool offered);
    // Reads every block; step(address, byte) returns false to report a
    // fault at that address, which ends the cycle. A time-out is reported
    // here; the caller ends the step of a cycle that is Done or Fault.
    template <typename Step>
    CycleEnd BlockReadCycle(Step step, int& faultAddress);

    FunctionHost& host_;
    int blockCount_ = 0;
    Index function_ = Read;  // the function that runs
    bool inAuto_ = false;
    bool blankPassed_ = false;  // in this Auto sequence, since its last Program
};
