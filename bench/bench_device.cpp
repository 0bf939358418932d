// Full 64 KiB Program, Verify and Read through the function window against
// quirra-sim, offscreen. Prints, per function: wall time, time per block, and
// the CPU time this process used (our own cost, the emulator not counted;
// user time apart, as the system part holds the kernel's wake-ups).
//   unpaced     the emulator answers at once: the software cost per block
//   paced       the emulator keeps to 57600 baud: stop-and-wait moves 24
//               bytes of 10 bits per block, so 4096 blocks need 17.07 s;
//               the turnaround is the median gap between a reply's last byte
//               and the next frame's first byte on the emulated line
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
#include <algorithm>
#include <cstdio>
#include <vector>
#include <sys/resource.h>

using namespace modFunc;

namespace {
constexpr int Blocks = 4096;

// CPU time of this process so far, user and system together, and user alone.
std::pair<double, double> CpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    const double user = double(u.ru_utime.tv_sec) + double(u.ru_utime.tv_usec) / 1e6;
    return {user + double(u.ru_stime.tv_sec) + double(u.ru_stime.tv_usec) / 1e6, user};
}

// From the emulator's wire log of a paced run: the median time from the last
// byte of a reply to the first byte of the next frame, as the emulator's line
// saw them. It holds the emulator's wake-ups as well as ours.
double MedianTurnaround(const QVector<TraceFrame>& trace, int baud)
{
    const double byteTime = 10.0 / baud;
    std::vector<double> gaps;
    for (qsizetype i = 0; i + 1 < trace.size(); ++i) {
        if (trace[i].fromPc || !trace[i + 1].fromPc)
            continue;
        const double replyEnd = trace[i].time + double(trace[i].bytes.size() - 1) * byteTime;
        gaps.push_back(trace[i + 1].time - double(trace[i + 1].bytes.size()) * byteTime - replyEnd);
    }
    if (gaps.empty())
        return 0;
    std::nth_element(gaps.begin(), gaps.begin() + qsizetype(gaps.size() / 2), gaps.end());
    return gaps[gaps.size() / 2];
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
        const auto [cpu0, user0] = CpuSeconds();
        wall.start();
        w.cmdRun->click();
        const double seconds = wall.nsecsElapsed() / 1e9;
        const double cpu = CpuSeconds().first - cpu0, user = CpuSeconds().second - user0;
        const QString name = DeviceFunctions::Names()[f];
        std::printf("%-8s %-8s %7.3f s wall, %6.1f us/block; CPU %6.3f s = %5.1f us/block (user %5.1f) = %4.1f %% of one core",
                    label, qPrintable(name), seconds, seconds / Blocks * 1e6, cpu, cpu / Blocks * 1e6,
                    user / Blocks * 1e6, 100.0 * cpu / seconds);
        if (simArgs.contains(QStringLiteral("--pace")))
            std::printf("; line limit %.2f s, %+.1f %%; turnaround %.0f us", lineLimit,
                        100.0 * (seconds - lineLimit) / lineLimit, MedianTurnaround(sim.trace(), 57600) * 1e6);
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
