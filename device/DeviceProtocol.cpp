#include "device/DeviceProtocol.h"

#include "core/SerialLink.h"
#include "platform/SerialPort.h"

#include <algorithm>

namespace DeviceProtocol {

using namespace modFunc;

QByteArray TxFrame;

int BlockCount(int32_t size)
{
    if (size <= 0)
        return 0;
    return int(RoundHalfEven(size / double(BlockBytes)));
}

QString FunctionProblem(int16_t deviceIndex, const DeviceRecord& device)
{
    if (deviceIndex <= 0 || deviceIndex >= DeviceSlots)
        return QStringLiteral("No device selected!");
    if (device.Size <= 0 || !DeviceProblem(device).isEmpty())
        return QStringLiteral("Device size out of range!");
    if (BlockCount(device.Size) == 0)
        return QStringLiteral("Device too small!");
    return {};
}

QString FunctionProblem() { return FunctionProblem(DeviceIndex, SelectedDevice()); }

QString CommandProblem(int16_t deviceIndex, const DeviceRecord& device)
{
    if (deviceIndex <= 0 || deviceIndex >= DeviceSlots)
        return QStringLiteral("No device selected!");
    return TypeLetterProblem(device.TypeCode);
}

int TypeLetter(int typeCode)
{
    return typeCode >= 1 && typeCode <= MaxTypeCode ? 0x61 + typeCode - 1 : -1;
}

QString TypeLetterProblem(int typeCode)
{
    if (TypeLetter(typeCode) >= 0)
        return {};
    return QStringLiteral("Type code %1 has no type letter!").arg(typeCode);
}

bool EraseOffered(int typeCode) { return typeCode <= 9 || typeCode >= 12; }

bool LockOffered(int typeCode) { return typeCode <= 9; }

int BlockPercent(int block, int count) { return count > 0 ? int(int64_t(block) * 100 / count) : 0; }

int ReplyDataCount(const QByteArray& reply)
{
    if (reply.isEmpty())
        return 0;
    const int n = uint8_t(reply[0]) - 1;
    return std::max(0, std::min({n, int(reply.size()) - 1, BlockBytes}));
}

QByteArray CommandFrame(uint8_t letter)
{
    const char frame[2] = {0x01, char(letter)};
    return QByteArray(frame, 2);
}

QByteArray BlockRequestFrame(int block)
{
    const int a = block * BlockBytes;
    const char frame[5] = {0x04, char(a >> 8), char(a & 0xFF), 0x00, 0x01};
    return QByteArray(frame, 5);
}

void AssembleBlockWrite(int block, const uint8_t* buffer)
{
    const int a = block * BlockBytes;
    TxFrame.resize(5 + BlockBytes);
    char* f = TxFrame.data();
    f[0] = 0x14;
    f[1] = char(a >> 8);
    f[2] = char(a & 0xFF);
    f[3] = 0x00;
    f[4] = 0x10;
    std::copy_n(buffer + a, BlockBytes, f + 5);
}

namespace {
bool Output(const QByteArray& frame) { return cm && cm->Output(frame); }
}  // namespace

bool SendCommand(uint8_t letter) { return Output(CommandFrame(letter)); }

bool SendBlockRequest(int block) { return Output(BlockRequestFrame(block)); }

bool SendBlockWrite(int block)
{
    if (block < 0 || block >= MaxBlocks)
        return false;
    AssembleBlockWrite(block, Buffer.data());
    return Output(TxFrame);
}

bool AwaitReply(int count)
{
    RxExpected = int16_t(count);
    if (cm)
        cm->SetReceiveWake(count);  // one wake-up for the whole reply
    WaitForBytes();
    if (TimeOutFlag || !cm)
        return false;
    RxData = cm->Input();
    return RxData.size() >= count;
}

ReplyWaits::~ReplyWaits()
{
    if (cm)
        cm->SetReceiveWake(1);
}

void DiscardStaleInput()
{
    if (cm)
        cm->DiscardInput();
}

}  // namespace DeviceProtocol
