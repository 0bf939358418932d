// libFuzzer target for the device functions on the wire. A stand-in port
// answers every frame that awaits a reply with bytes taken from the input,
// in up to two pieces; a wait that would go on gets its second ended at
// once. The input also picks the device, the function or Auto sequence and
// the Buffer. Whatever the replies, these must hold:
//  - only a Read changes the Buffer, and only inside the device's blocks;
//  - every frame sent is a command or names a block of the device;
//  - every function is announced and then ends with exactly one StepOutcome;
//  - a reply that fails its test (a byte that is not blank, a byte that
//    differs, a program status that is not 0, too few bytes) never ends
//    the step as Ok;
//  - nothing hangs: every wait ends.
#include "core/ProgrammerLink.h"
#include "core/SerialLink.h"
#include "device/DeviceFunctions.h"
#include "device/DeviceProtocol.h"
#include "support/FuzzSupport.h"

#include <QTimer>
#include <algorithm>
#include <utility>

using namespace modFunc;
using namespace DeviceProtocol;

namespace {
FuzzedDataProvider* input = nullptr;

// The programmer, played from the input.
struct ScriptedPort : SerialPort {
    QByteArray waiting, later;      // delivered now, and on the next pass of time
    QList<QByteArray> replies;      // every reply handed out, in order
    QList<QByteArray> frames;
    int waitsLeft = 100000;         // nothing may wait longer than this

    bool setPortOpen(bool) override { return true; }
    bool PortOpen() const override { return true; }
    int InBufferCount() const override { return int(waiting.size()); }
    QByteArray Input() override { return std::exchange(waiting, {}); }
    void DiscardInput() override { waiting.clear(); }
    void SetReceiveWake(int) override {}
    bool Output(const QByteArray& frame) override
    {
        frames << frame;
        const bool request = frame.startsWith('\x04'), write = frame.startsWith('\x14');
        if (request || write || frame == QByteArray("\x01T", 2))
            Answer(request ? BlockReplyBytes : write ? StatusReplyBytes : ProgrammerLink::ProbeReplyBytes);
        return true;
    }
    // Mostly a whole reply, sometimes a short or long one, in one or two pieces.
    void Answer(int expected)
    {
        const int kind = input->ConsumeIntegralInRange(0, 7);
        const int length = kind < 6 ? expected : input->ConsumeIntegralInRange(0, expected + 4);
        QByteArray reply = QByteArray::fromStdString(input->ConsumeBytesAsString(size_t(length)));
        replies << reply;
        const int split = kind == 5 ? input->ConsumeIntegralInRange(0, int(reply.size())) : int(reply.size());
        waiting += reply.left(split);
        later = reply.mid(split);
    }
} * port = nullptr;

void PassTime()
{
    FUZZ_REQUIRE(--port->waitsLeft > 0);
    if (!port->later.isEmpty())
        port->waiting += std::exchange(port->later, {});
    else
        totmr_Timer();  // the second is over
}

struct Host : FunctionHost {
    QList<StepOutcome> outcomes;
    QList<int> started, ended;  // the functions announced, and those that ended
    void StepStarted(const StepStart& s) override { started << s.function; }
    void SetMessage(int line, const QString&) override { FUZZ_REQUIRE(line >= 0 && line < 6); }
    void MarkMessage(int line, const QString&) override { FUZZ_REQUIRE(line >= 0 && line < 6); }
    void ShowProgress(int percent) override { FUZZ_REQUIRE(percent >= 0 && percent <= 100); }
    void Pause() override {}
    void ShowTimeOut() override {}
    void ReadDone(bool) override {}
    void StepEnded(int, const StepOutcome& o) override
    {
        FUZZ_REQUIRE(started.size() == ended.size() + 1);  // once, after it was announced
        outcomes << o, ended << o.function;
    }
};

// Whether the replies a function took (one for each block it read or
// wrote) pass its test: each whole, and for
// Blank, Verify and Program every byte they carry as the function wants it.
bool RepliesPass(int function, const QList<QByteArray>& replies, int blocks)
{
    if (function == DeviceFunctions::Erase || function == DeviceFunctions::Lock)
        return true;
    if (replies.size() != blocks)
        return false;
    const int want = function == DeviceFunctions::Program ? StatusReplyBytes : BlockReplyBytes;
    for (int b = 0; b < replies.size(); ++b) {
        const QByteArray& r = replies[b];
        if (r.size() < want)
            return false;
        if (function == DeviceFunctions::Program && r[1] != 0)
            return false;
        const int carried = std::clamp(uint8_t(r[0]) - 1, 0, BlockBytes);
        for (int i = 0; i < carried && function != DeviceFunctions::Program; ++i) {
            const uint8_t d = uint8_t(r[1 + i]);
            if ((function == DeviceFunctions::Blank && d != 0xFF)
                || (function == DeviceFunctions::Verify && d != Buffer[size_t(b * BlockBytes + i)]))
                return false;
        }
    }
    return true;
}

void RunOne(DeviceFunctions& functions, Host& host, int function)
{
    const auto before = Buffer;
    const qsizetype repliesBefore = port->replies.size(), outcomesBefore = host.outcomes.size();
    const qsizetype framesBefore = port->frames.size();
    functions.Run(function);
    FUZZ_REQUIRE(host.outcomes.size() == outcomesBefore + 1);
    const StepOutcome end = host.outcomes.back();
    FUZZ_REQUIRE(end.function == function && host.started == host.ended);
    const int blocks = std::min(BlockCount(SelectedDevice().Size), MaxBlocks);
    for (const QByteArray& f : port->frames.mid(framesBefore)) {  // commands, and blocks of the device only
        const int address = f.size() > 2 ? uint8_t(f[1]) * 256 + uint8_t(f[2]) : 0;
        FUZZ_REQUIRE((f.size() == 2 && f[0] == 1) || (f.size() == 5 && f[0] == 4 && address < blocks * BlockBytes)
                     || (f.size() == 21 && f[0] == 0x14 && address < blocks * BlockBytes));
    }
    const int reach = function == DeviceFunctions::Read ? blocks * BlockBytes : 0;
    FUZZ_REQUIRE(std::equal(before.begin() + reach, before.end(), Buffer.begin() + reach));
    if (end.result == StepResult::Ok)
        FUZZ_REQUIRE(RepliesPass(function, port->replies.mid(repliesBefore),
                                 function == DeviceFunctions::Program ? functions.BlocksWritten : blocks));
    if (end.result == StepResult::NoAnswer || (end.result == StepResult::ChipError && function != DeviceFunctions::Program))
        FUZZ_REQUIRE(end.address < blocks * BlockBytes);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzApplication();
    FuzzedDataProvider in(data, size);
    input = &in;
    ResetGlobals();
    ScriptedPort scripted;
    port = &scripted;
    QTimer timer;
    SetUpReceiveTimer(&timer);
    cm = &scripted;
    totmr = &timer;
    LetTimePass = PassTime;

    // The probe, with either wait.
    const ProbeResult probe = ProbePort(scripted, in.ConsumeBool() ? ProgrammerLink::WaitForCompleteReply
                                                                    : ProgrammerLink::WaitWholeSecond);
    const bool whole = scripted.replies.back().size() == ProgrammerLink::ProbeReplyBytes;
    FUZZ_REQUIRE((probe.outcome == ProbeResult::Outcome::Found) == DeviceFound);
    FUZZ_REQUIRE(!DeviceFound || whole);

    // A device: mostly small ones, so that the replies last.
    const int16_t type = in.ConsumeBool() ? in.ConsumeIntegral<int16_t>() : in.ConsumeIntegralInRange<int16_t>(1, 14);
    DeviceTable[1] = {QStringLiteral("Fuzz"), type,
                      in.ConsumeBool() ? in.ConsumeIntegralInRange(-16, 0x10010) : in.ConsumeIntegralInRange(0, 96)};
    DeviceIndex = in.ConsumeIntegralInRange<int16_t>(0, 2);
    const std::string image = in.ConsumeBytesAsString(in.ConsumeIntegralInRange(0, 96));
    std::copy(image.begin(), image.end(), Buffer.begin());
    Host host;
    DeviceFunctions functions(host);
    functions.ErasedBlockWrites = DeviceFunctions::ErasedBlocks(in.ConsumeIntegralInRange(0, 2));
    const int choice = in.ConsumeIntegralInRange(0, 6);
    if (choice < DeviceFunctions::Auto) {
        RunOne(functions, host, choice);
    } else {
        AutoCount = in.ConsumeIntegralInRange<int16_t>(-2, 24);
        for (auto& step : AutoList)
            step = in.ConsumeIntegralInRange<int16_t>(-1, 7);
        functions.Run(DeviceFunctions::Auto);
        FUZZ_REQUIRE(host.outcomes.size() <= std::max<int>(AutoCount, 0) && host.started == host.ended);
        for (int i = 0; i + 1 < host.outcomes.size(); ++i)  // a chip error or a refusal ends the sequence
            FUZZ_REQUIRE(host.outcomes[i].result != StepResult::ChipError && host.outcomes[i].result != StepResult::Refused);
    }
    cm = nullptr;
    totmr = nullptr;
    return 0;
}
