// ResetGlobals: each mutable global of the program, changed as the program
// changes it, goes back to the value it has at start-up. (What a row makes
// lives on: the globals no longer point at it.)
#include "buffer/BufferCommands.h"
#include "buffer/BufferView.h"
#include "buffer/FillRoutines.h"
#include "buffer/UndoStore.h"
#include "core/PortMap.h"
#include "core/SerialLink.h"
#include "core/mdiMain.h"
#include "device/DeviceProtocol.h"
#include "files/FileFormats.h"
#include "support/WindowSupport.h"

#include <QMdiArea>
#include <QTimer>
#include <QtTest>
#include <functional>

using namespace modFunc;

namespace {
struct Global {
    std::function<void()> change;
    std::function<bool()> atStart;
};
}  // namespace
Q_DECLARE_METATYPE(Global)

class TestGlobals : public QObject {
    Q_OBJECT
private slots:
    void resetsToStart_data()
    {
        QTest::addColumn<Global>("g");
        auto row = [](const char* name, std::function<void()> change, std::function<bool()> atStart) {
            QTest::newRow(name) << Global{std::move(change), std::move(atStart)};
        };
        row("Buffer", [] { Buffer[70000] = 0; }, [] { return std::all_of(Buffer.begin(), Buffer.end(), [](uint8_t b) { return b == 0xFF; }); });
        row("DeviceTable", [] { DeviceTable[50] = {QStringLiteral("x"), 1, 2}; }, [] { return DeviceTable[50].Name.isEmpty() && !DeviceTable[50].TypeCode && !DeviceTable[50].Size; });
        row("DeviceCount", [] { DeviceCount = 3; }, [] { return DeviceCount == 0; });
        row("DeviceIndex", [] { DeviceIndex = 3; }, [] { return DeviceIndex == 0; });
        row("AppPath", [] { AppPath = QStringLiteral("/x"); }, [] { return AppPath.isEmpty(); });
        row("ComPort", [] { ComPort = 7; }, [] { return ComPort == 1; });
        row("TimeOutFlag", [] { TimeOutFlag = true; }, [] { return !TimeOutFlag; });
        row("RxExpected", [] { RxExpected = 17; }, [] { return RxExpected == 0; });
        row("RxData", [] { RxData = "x"; }, [] { return RxData.isEmpty(); });
        row("DeviceFound", [] { DeviceFound = true; }, [] { return !DeviceFound; });
        row("AutoCount", [] { AutoCount = 2; }, [] { return AutoCount == 0; });
        row("AutoList", [] { AutoList[20] = 5; }, [] { return AutoList[20] == 0; });
        row("cm", [] { cm = new SerialPort; }, [] { return cm == nullptr; });
        row("totmr", [] { totmr = new QTimer; }, [] { return totmr == nullptr; });
        row("LetTimePass", [] { LetTimePass = [] {}; }, [] { return LetTimePass == WaitForEvents; });
        row("PortPaths", [] { PortPaths[3] = QStringLiteral("/dev/x"); }, [] { return PortPaths.isEmpty(); });
        row("HexFormat", [] { HexFormat = true; }, [] { return !HexFormat; });
        row("SRecFormat", [] { SRecFormat = true; }, [] { return !SRecFormat; });
        row("FileCancelled", [] { FileCancelled = true; }, [] { return !FileCancelled; });
        row("FileAddress", [] { FileAddress = 5; }, [] { return FileAddress == 0; });
        row("BufferAddress", [] { BufferAddress = 5; }, [] { return BufferAddress == 0; });
        row("HexLines", [] { HexLines[10000].Data[50] = 1; }, [] { return HexLines[10000].Data[50] == 0; });
        row("HexLineCount", [] { HexLineCount = 9; }, [] { return HexLineCount == 0; });
        row("CheckSum", [] { CheckSum = 9; }, [] { return CheckSum == 0; });
        row("BufferHistory", [] { BufferHistory.Begin(Buffer); Buffer[0] = 1; BufferHistory.Commit(Buffer, UndoStore::Update, {QStringLiteral("Fill"), {}}); },
            [] { return !BufferHistory.CanUndo() && !BufferHistory.CanRedo() && BufferHistory.MemoryUsed() == 0; });
        row("FillOk", [] { FillOk = true; }, [] { return !FillOk; });
        row("FillValue", [] { FillValue = 0; }, [] { return FillValue == 0xFF; });
        row("FillStart", [] { FillStart = 4; }, [] { return FillStart == 0; });
        row("FillLength", [] { FillLength = 4; }, [] { return FillLength == 0; });
        row("TxFrame", [] { DeviceProtocol::AssembleBlockWrite(0, Buffer.data()); }, [] { return DeviceProtocol::TxFrame.isEmpty(); });
        // The hex view and its tool windows, and what Find looked for.
        row("BufferCommands", [] { BufferCommands::SetHost(new QMdiArea); BufferCommands::BufferEdit(); BufferCommands::BufferFind(); },
            [] { BufferCommands::BufferEdit(); return !BufferCommands::BufferWindow() && !BufferCommands::FindWindow(); });
    }
    void resetsToStart()
    {
        QFETCH(Global, g);
        QVERIFY(g.atStart());
        g.change();
        QVERIFY(!g.atStart());
        ResetGlobals();
        QVERIFY(g.atStart());
    }
};

QTEST_MAIN(TestGlobals)
#include "tst_globals.moc"
