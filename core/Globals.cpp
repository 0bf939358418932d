// ResetGlobals: every mutable global of the program back to the value it
// has when the program starts.
#include "core/modFunc.h"

#include "buffer/BufferView.h"
#include "buffer/FillRoutines.h"
#include "buffer/UndoStore.h"
#include "core/PortMap.h"
#include "core/SerialLink.h"
#include "device/DeviceProtocol.h"
#include "files/FileFormats.h"

#include <vector>

namespace modFunc {

namespace {
std::vector<void (*)()>& LayerResets()
{
    static std::vector<void (*)()> resets;
    return resets;
}
}  // namespace

bool OnResetGlobals(void (*reset)())
{
    LayerResets().push_back(reset);
    return true;
}

void ResetGlobals()
{
    Buffer.fill(0xFF);
    DeviceTable.fill(DeviceRecord{});
    DeviceCount = 0;
    DeviceIndex = 0;
    AppPath.clear();
    ComPort = 1;
    TimeOutFlag = false;
    RxExpected = 0;
    RxData.clear();
    DeviceFound = false;
    AutoCount = 0;
    AutoList.fill(0);
    cm = nullptr;
    totmr = nullptr;
    LetTimePass = WaitForEvents;
    PortPaths.clear();
    HexFormat = false;
    SRecFormat = false;
    FileCancelled = false;
    FileAddress = 0;
    BufferAddress = 0;
    HexLines.fill(HexLine{});
    HexLineCount = 0;
    CheckSum = 0;
    BufferHistory = UndoStore{};
    FillOk = false;
    FillValue = 0xFF;
    FillStart = 0;
    FillLength = 0;
    DeviceProtocol::TxFrame.clear();
    for (void (*reset)() : LayerResets())
        reset();
}

}  // namespace modFunc
