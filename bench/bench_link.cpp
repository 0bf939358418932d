// Serial link figures: CPU used by a receive wait that times out, and the
// round trip of one block request over the emulator's pty.
#include "core/ProgrammerLink.h"
#include "core/SerialLink.h"
#include "core/modFunc.h"
#include "platform/SerialPort.h"
#include "support/SimHarness.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <sys/resource.h>
#include <vector>

using namespace modFunc;

static double CpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(10, atoi(argv[1])) : 2000;
    SimHarness sim;
    if (!sim.start()) {
        std::fprintf(stderr, "quirra-sim did not start\n");
        return 1;
    }
    sim.exportAs(1);
    ComPort = 1;
    ProgrammerLink link;
    SerialPort& port = link.port;
    if (!link.Open()) {
        std::fprintf(stderr, "port: %s\n", qPrintable(port.ErrorDescription()));
        return 1;
    }

    // 1. A wait with nothing arriving.
    RxExpected = 17;
    QElapsedTimer wall;
    wall.start();
    const double cpu0 = CpuSeconds();
    WaitForBytes();
    const double cpu = CpuSeconds() - cpu0;
    const double seconds = double(wall.nsecsElapsed()) / 1e9;
    std::printf("WaitForBytes time-out: %.3f s wall, %.2f ms CPU = %.3f %% of one core (goal < 1 %%), TimeOutFlag %s\n",
                seconds, cpu * 1e3, 100.0 * cpu / seconds, TimeOutFlag ? "true" : "false");

    // 2. Block request round trips, unpaced.
    const QByteArray request("\x01R\x04\x00\x00\x00\x01", 7);
    std::vector<double> us;
    us.reserve(size_t(rounds));
    for (int i = 0; i < rounds; ++i) {
        QElapsedTimer t;
        t.start();
        port.Output(request);
        RxExpected = 17;
        WaitForBytes();
        const QByteArray reply = port.Input();
        us.push_back(double(t.nsecsElapsed()) / 1e3);
        if (TimeOutFlag || reply.size() != 17) {
            std::fprintf(stderr, "round %d: reply of %lld bytes\n", i, static_cast<long long>(reply.size()));
            return 1;
        }
    }
    std::sort(us.begin(), us.end());
    std::printf("Block request round trip over the pty (%d rounds): median %.1f us, 99th percentile %.1f us, "
                "worst %.1f us (goal: median < 100 us)\n",
                rounds, us[us.size() / 2], us[size_t(double(us.size()) * 0.99)], us.back());
    return 0;
}
