// Full 64 KiB Program, Verify and Read through the function window against
// quirra-sim, offscreen. Prints, per function: wall time, time per block, and
// the CPU time this process used (our own cost, the emulator not counted).
//   unpaced     the emulator answers at once: the software cost per block
//   paced       the emulator keeps to 57600 baud: stop-and-wait moves 24
//               bytes of 10 bits per block, so 4096 blocks need 17.07 s
// Usage: bench_device [--unpaced-only | --paced-only]
#include "buffer/BufferCommands.h"
#include "core/modFunc.h"
#include "device/frmFunction.h"
#include "support/SimLink.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QListWidget>
#include <QMdiArea>
#include <QPushButton>
#include <cstdio>
#include <sys/resource.h>

using namespace modFunc;

namespace {
constexpr int Blocks = 4096;

double CpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

bool RunSet(const char* label, const QStringList& simArgs, std::initializer_list<DeviceFunctions::Index> functions)
{
    SimHarness sim(simArgs + QStringList{QStringLiteral("--size"), QStringLiteral("65536")});
    SimLink link;
    if (!link.openOn(sim)) {
        std::printf("%s: the emulator did not start\n", label);
        return false;
    }
    const double lineLimit = Blocks * 24 * 10 / 57600.0;
    for (DeviceFunctions::Index f : functions) {
        frmFunction w;  // a fresh window each time, as the menu opens it
        w.show();
        w.listFunction->setCurrentRow(f);
        QElapsedTimer wall;
        const double cpu0 = CpuSeconds();
        wall.start();
        w.cmdRun->click();
        const double seconds = wall.nsecsElapsed() / 1e9;
        const double cpu = CpuSeconds() - cpu0;
        const QString name = DeviceFunctions::Names()[f];
        std::printf("%-8s %-8s %7.3f s wall, %6.1f us/block; CPU %6.3f s = %5.1f us/block = %4.1f %% of one core",
                    label, qPrintable(name), seconds, seconds / Blocks * 1e6, cpu, cpu / Blocks * 1e6,
                    100.0 * cpu / seconds);
        if (simArgs.contains(QStringLiteral("--pace")))
            std::printf("; line limit %.2f s, %+.1f %%", lineLimit, 100.0 * (seconds - lineLimit) / lineLimit);
        std::printf("   [%s]\n", qPrintable(w.lblMsg[0]->text()));
        std::fflush(stdout);
    }
    return true;
}
}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const bool paced = !app.arguments().contains(QStringLiteral("--unpaced-only"));
    const bool unpaced = !app.arguments().contains(QStringLiteral("--paced-only"));

    DeviceTable[1] = {QStringLiteral("64 KiB test part"), 1, 65536};
    DeviceCount = 1;
    DeviceIndex = 1;
    DeviceFound = true;
    QMdiArea area;  // the buffer view reopens here after a Read
    BufferCommands::SetHost(&area);
    const QByteArray image = RandomImage(65536, 7);
    std::copy(image.begin(), image.end(), Buffer.begin());

    bool ok = !unpaced || RunSet("unpaced", {}, {DeviceFunctions::Program, DeviceFunctions::Verify, DeviceFunctions::Read});
    if (paced)
        ok = RunSet("paced", {QStringLiteral("--pace"), QStringLiteral("57600")},
                    {DeviceFunctions::Read, DeviceFunctions::Program})
            && ok;
    BufferCommands::SetHost(nullptr);
    return ok ? 0 : 1;
}
