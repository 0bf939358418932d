#include "device/DeviceFunctions.h"

#include "core/modFunc.h"
#include "device/DeviceProtocol.h"

#include <algorithm>
#include <vector>

using namespace DeviceProtocol;
using modFunc::Buffer;
using modFunc::RxData;

DeviceFunctions::DeviceFunctions(FunctionHost& host) : host_(host) {}

void DeviceFunctions::Prepare()
{
    SetPercent(0);
    for (int line = 0; line < MessageLines; ++line)
        host_.SetMessage(line, QString());
    MessageLine = 0;
    Failed = false;
}

void DeviceFunctions::Run(int index)
{
    Prepare();
    if (index == Auto)
        RunAuto();
    else
        RunFunction(index);
}

void DeviceFunctions::RunFunction(int index)
{
    switch (index) {
    case Read: RunRead(); break;
    case Erase: RunErase(); break;
    case Blank: RunBlankCheck(); break;
    case Program: RunProgram(); break;
    case Verify: RunVerify(); break;
    case Lock: RunLock(); break;
    default: break;  // unknown Auto codes run nothing but use up a line
    }
}

QString DeviceFunctions::Activity(int function)
{
    static const char* const words[] = {"Reading", "Erasing", "Blank Checking", "Programming", "Verifying", "Locking"};
    return function >= Read && function <= Lock ? QString::fromLatin1(words[function]) : QString();
}

// Every function begins here, with its announcement. A device the protocol
// cannot serve is refused before anything is sent, and counts as a fault so
// that an Auto sequence stops there.
bool DeviceFunctions::Refused(Index function)
{
    function_ = function;
    host_.StepStarted({function, MessageLine});
    // Erase and Lock send one command and use no size.
    const bool sizeless = function == Erase || function == Lock;
    const QString problem = sizeless ? CommandProblem(modFunc::DeviceIndex, modFunc::SelectedDevice())
                                     : FunctionProblem();
    if (problem.isEmpty()) {
        blockCount_ = std::min(BlockCount(modFunc::SelectedDevice().Size), MaxBlocks);
        return false;
    }
    host_.SetMessage(MessageLine, problem);
    Failed = true;
    End(StepResult::Refused);
    return true;
}

// Bytes still waiting from an earlier function (a late or partial reply)
// would be taken as the start of this function's replies.
void DeviceFunctions::Start()
{
    DiscardStaleInput();
    host_.SetMessage(MessageLine, Activity(function_) + QStringLiteral(" ..."));
}

void DeviceFunctions::SetPercent(int percent)
{
    Percent = int16_t(percent);
    host_.ShowProgress(percent);
}

void DeviceFunctions::End(StepResult result, int address)
{
    if (function_ == Blank)
        blankPassed_ = result == StepResult::Ok;
    host_.StepEnded(MessageLine, {result, function_, address});
}

void DeviceFunctions::ReportTimeOut(int address)
{
    host_.ShowTimeOut();
    host_.MarkMessage(MessageLine, QStringLiteral("Device Fault!"));
    End(StepResult::NoAnswer, address);
}

void DeviceFunctions::Succeed()
{
    SetPercent(100);
    host_.MarkMessage(MessageLine, QStringLiteral("OK!"));
    End(StepResult::Ok);
}

void DeviceFunctions::Fault(const QString& text, int address)
{
    host_.SetMessage(MessageLine, text + modFunc::Hex4(address));
    Failed = true;
    End(StepResult::ChipError, address);
}

void DeviceFunctions::EndCycle(CycleEnd end, const QString& faultText, int address)
{
    if (end == CycleEnd::Done)
        Succeed();
    else if (end == CycleEnd::Fault)
        Fault(faultText, address);
}

template <typename Step>
DeviceFunctions::CycleEnd DeviceFunctions::BlockReadCycle(Step step, int& faultAddress)
{
    const ReplyWaits waits;
    const int count = blockCount_;
    for (int b = 0; b < count; ++b) {
        if (StopReading) {
            SendCommand(LetterEnd);
            host_.MarkMessage(MessageLine, QStringLiteral("Stopped!"));
            End(StepResult::Stopped);
            return CycleEnd::Stopped;
        }
        SetPercent(BlockPercent(b, count));
        SendCommand(LetterRead);
        SendBlockRequest(b);
        if (!AwaitReply(BlockReplyBytes)) {
            ReportTimeOut(b * BlockBytes);
            return CycleEnd::TimedOut;
        }
        const int n = ReplyDataCount(RxData);
        const auto* data = reinterpret_cast<const uint8_t*>(RxData.constData()) + 1;
        const int base = b * BlockBytes;
        for (int i = 0; i < n; ++i) {
            if (!step(base + i, data[i])) {
                SendCommand(LetterEnd);
                faultAddress = base + i;
                return CycleEnd::Fault;
            }
        }
    }
    if (!SendCommand(LetterEnd)) {  // the port failed after the last reply
        ReportTimeOut(-1);
        return CycleEnd::TimedOut;
    }
    return CycleEnd::Done;
}

DeviceFunctions::CycleEnd DeviceFunctions::ReadIntoImage(std::array<uint8_t, modFunc::BufferSize>& image)
{
    if (Refused(Read))
        return CycleEnd::Fault;
    Start();
    int unused = 0;
    // Addresses stay below 16 * MaxBlocks, well inside the image.
    const CycleEnd end = BlockReadCycle(
        [&image](int a, uint8_t d) {
            image[size_t(a)] = d;
            return true;
        },
        unused);
    if (end == CycleEnd::Done)
        Succeed();
    return end;
}

void DeviceFunctions::RunRead()
{
    if (ReadIntoImage(Buffer) == CycleEnd::Done)
        host_.ReadDone(inAuto_);
}

bool DeviceFunctions::ReadInto(std::array<uint8_t, modFunc::BufferSize>& image)
{
    Prepare();
    const bool done = ReadIntoImage(image) == CycleEnd::Done;
    StopReading = false;
    return done;
}

void DeviceFunctions::RunVerify()
{
    if (Refused(Verify))
        return;
    Start();
    int address = 0;
    const CycleEnd end = BlockReadCycle([](int a, uint8_t d) { return Buffer[size_t(a)] == d; }, address);
    EndCycle(end, QStringLiteral("Verify Error at "), address);
}

void DeviceFunctions::RunVerifyAll(const std::function<void(int)>& difference)
{
    if (Refused(Verify))
        return;
    Start();
    int first = -1;
    int unused = 0;
    const CycleEnd end = BlockReadCycle(
        [&](int a, uint8_t d) {
            if (Buffer[size_t(a)] != d) {
                if (first < 0)
                    first = a;
                difference(a);
            }
            return true;
        },
        unused);
    // Every block was read: the step ends once, with the first difference.
    if (end == CycleEnd::Done && first >= 0)
        SetPercent(100);
    EndCycle(end == CycleEnd::Done && first >= 0 ? CycleEnd::Fault : end, QStringLiteral("Verify Error at "), first);
}

void DeviceFunctions::RunBlankCheck()
{
    if (Refused(Blank))
        return;
    Start();
    int address = 0;
    const CycleEnd end = BlockReadCycle([](int, uint8_t d) { return d == 0xFF; }, address);
    EndCycle(end, QStringLiteral("Device not blank at "), address);
}

void DeviceFunctions::RunProgram()
{
    BlocksWritten = 0;
    const bool skip = ErasedBlockWrites == ErasedBlocks::Skip
                      || (ErasedBlockWrites == ErasedBlocks::SkipAfterBlankCheck && inAuto_ && blankPassed_);
    blankPassed_ = false;  // whatever happens now, the chip may hold data
    if (Refused(Program))
        return;
    Start();
    // The blocks to send; the progress counts these only.
    std::vector<int> blocks;
    blocks.reserve(size_t(blockCount_));
    for (int b = 0; b < blockCount_; ++b) {
        const auto* first = Buffer.data() + size_t(b) * BlockBytes;
        if (!skip || std::any_of(first, first + BlockBytes, [](uint8_t d) { return d != 0xFF; }))
            blocks.push_back(b);
    }
    SendCommand(LetterWrite);
    const ReplyWaits waits;
    const int count = int(blocks.size());
    for (int i = 0; i < count; ++i) {
        const int b = blocks[size_t(i)];
        SetPercent(BlockPercent(i, count));
        SendBlockWrite(b);
        ++BlocksWritten;
        if (!AwaitReply(StatusReplyBytes)) {
            ReportTimeOut(b * BlockBytes);
            return;
        }
        if (RxData[1] != 0) {
            SendCommand(LetterWrite);
            SendCommand(LetterEnd);
            const int high = (b * BlockBytes) >> 8;
            Fault(QStringLiteral("Program Error at "), high * 256 + uint8_t(RxData[2]));
            return;
        }
    }
    if (!SendCommand(LetterWrite) || !SendCommand(LetterEnd)) {
        ReportTimeOut(-1);
        return;
    }
    Succeed();
}

void DeviceFunctions::RunSingleCommand(Index function, uint8_t letter, bool offered)
{
    if (Refused(function))
        return;
    if (!offered) {
        host_.SetMessage(MessageLine, QStringLiteral("Function Not Available!"));
        End(StepResult::NotOffered);
        return;
    }
    Start();
    if (!SendCommand(letter)) {
        ReportTimeOut(-1);
        return;
    }
    // The mark only says that the command went out: no reply comes.
    host_.MarkMessage(MessageLine, QStringLiteral("OK!"));
    End(StepResult::Ok);
    for (int p = 1; p <= 100; ++p)
        SetPercent(p);
    host_.Pause();
}

void DeviceFunctions::RunErase()
{
    RunSingleCommand(Erase, LetterErase, EraseOffered(modFunc::SelectedDevice().TypeCode));
}

void DeviceFunctions::RunLock()
{
    RunSingleCommand(Lock, LetterLock, LockOffered(modFunc::SelectedDevice().TypeCode));
}

void DeviceFunctions::RunAuto()
{
    inAuto_ = true;
    blankPassed_ = false;
    // AutoList holds 20 steps; a larger stored count runs those 20.
    const int steps = std::min<int>(modFunc::AutoCount, modFunc::MaxAutoSteps);
    for (AutoStep = 1; AutoStep <= steps; ++AutoStep) {
        const int code = modFunc::AutoList[size_t(AutoStep)];
        RunFunction(code);
        if (Failed || StopRequested)
            break;
        // Erase and Lock get a second pause inside a sequence.
        if (code == Erase || code == Lock)
            host_.Pause();
        MessageLine = int16_t(std::min(MessageLine + 1, MessageLines - 1));
    }
    inAuto_ = false;
}
