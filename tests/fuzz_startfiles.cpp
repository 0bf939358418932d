// libFuzzer target for the start-up files. The input is split at NUL bytes
// into quirra.cfg, quirra.dev, auto.cfg and ports.cfg, which are read from a
// start directory as the program reads them. Whatever they hold, the shared state must
// stay inside its bounds, every problem must be a short text, and what the
// program writes back must read back the same without a problem.
#include "core/PortMap.h"
#include "core/modFunc.h"
#include "options/AutoFile.h"
#include "support/FuzzSupport.h"

#include <QFile>
#include <QTemporaryDir>

using namespace modFunc;

namespace {
void CheckState(const QStringList& problems)
{
    for (const QString& p : problems)
        FUZZ_REQUIRE(!p.isEmpty() && p.size() < 1000);  // a damaged file makes no message of megabytes
    FUZZ_REQUIRE(DeviceCount >= 0 && DeviceCount <= MaxDeviceCount);
    FUZZ_REQUIRE(DeviceIndex >= 0 && DeviceIndex <= MaxDeviceCount);
    for (int i = DeviceCount + 1; i < DeviceSlots; ++i)
        FUZZ_REQUIRE(DeviceTable[size_t(i)].Name.isEmpty() && DeviceTable[size_t(i)].Size == 0);
    FUZZ_REQUIRE(AutoCount >= 0 && AutoCount <= MaxAutoSteps);
    for (auto it = PortPaths.cbegin(); it != PortPaths.cend(); ++it)
        FUZZ_REQUIRE(it.key() >= 1 && it.key() <= MaxPortNumber && PortPathStorable(it.value()));
}

// What the program writes back reads back the same.
void CheckRoundTrips()
{
    const int16_t port = ComPort, count = DeviceCount, index = DeviceIndex;
    FUZZ_REQUIRE(SaveConfig());
    FUZZ_REQUIRE(LoadConfig().isEmpty() && ComPort == port && DeviceCount == count && DeviceIndex == index);
    const auto steps = AutoList;
    const int16_t stepCount = AutoCount;
    FUZZ_REQUIRE(ParseAuto(AutoFileText()).isEmpty() && AutoCount == stepCount);
    for (int i = 1; i <= AutoCount; ++i)
        FUZZ_REQUIRE(AutoList[size_t(i)] == steps[size_t(i)]);
    PortMap again;
    FUZZ_REQUIRE(ParsePortMap(PortMapText(PortPaths), again).isEmpty() && again == PortPaths);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzApplication();
    static QTemporaryDir dir;
    const QByteArray all(reinterpret_cast<const char*>(data), qsizetype(size));
    const QList<QByteArray> parts = all.split('\0');
    const QString names[] = {ConfigFileName, CatalogueFileName, AutoFileName, PortMapFileName};
    for (int i = 0; i < 4; ++i) {
        QFile::remove(dir.filePath(names[i]));
        if (i < parts.size()) {
            QFile f(dir.filePath(names[i]));
            FUZZ_REQUIRE(f.open(QIODevice::WriteOnly) && f.write(parts[i]) == parts[i].size());
        }
    }
    ResetGlobals();
    CheckState(ReadStartFiles(dir.path()));
    CheckRoundTrips();
    return 0;
}
