// A 64 KiB Program (with its Verify), Verify and Read from the terminal
// (quirra-cli as a process) beside the same through the function window, in
// one run, against quirra-sim. Prints the wall time of "quirra-cli probe"
// (goal: under 0.15 s), per function the time the function took (from
// quirra-cli's JSON result, without start-up and probe), per block, and the
// whole command's wall time; paced, program-with-verify's wall time as a
// ratio to twice the line limit (goal: at most 1.06).
//   unpaced   the emulator answers at once: the software cost per block
//   paced     the emulator keeps to 57600 baud: 4096 blocks of 24 bytes of
//             10 bits cannot take less than 17.07 s
// Skipping erased blocks: paced "program --no-verify" with and without
// --skip-erased, for the demo image and a 64 KiB image that is half FF;
// the time against the line time of the blocks actually written (goal:
// within 2 %).
// Reply latency: paced "program --no-verify" of 64 KiB with the emulator
// holding each reply as a USB adapter's latency timer of 0, 1, 4 and 16 ms
// does, beside the estimate quirra-cli's warning gives (goal: within 10 %;
// at 0 ms within 2 % of the line limit).
// The window's side comes from bench_device, run from here.
// Usage: bench_cli [--unpaced-only] [--skipping-only] [--latency-only]
#include "core/modFunc.h"
#include "device/LineTime.h"
#include "support/SimLink.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>

using namespace modFunc;

namespace {
constexpr int Blocks = 4096;
const double LineLimit = Blocks * 24 * 10 / 57600.0;

// quirra-cli in dir with COM1 on the emulator, not started yet.
void SetUpCli(QProcess& p, const QString& dir, const SimHarness& sim)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QUIRRA_COM1"), sim.linkPath());
    p.setWorkingDirectory(dir);
    p.setProcessEnvironment(env);
}

bool Terminal(const char* label, const QStringList& simArgs, const QString& dir)
{
    SimHarness sim(simArgs);
    if (!sim.start())
        return false;
    {
        QProcess p;
        SetUpCli(p, dir, sim);
        QElapsedTimer wall;
        wall.start();
        p.start(QStringLiteral(QUIRRA_CLI_PATH), {QStringLiteral("probe")});
        p.waitForFinished(10000);
        std::printf("terminal %-7s probe    wall %.3f s (goal under 0.15 s), exit %d\n", label,
                    double(wall.nsecsElapsed()) / 1e9, p.exitCode());
    }
    for (const char* command : {"program", "verify", "read"}) {
        QProcess p;
        SetUpCli(p, dir, sim);
        QElapsedTimer wall;
        wall.start();
        const QString file = QString::fromLatin1(command) == QLatin1String("read") ? QStringLiteral("back.bin")
                                                                                   : QStringLiteral("image.bin");
        p.start(QStringLiteral(QUIRRA_CLI_PATH), {QStringLiteral("--json"), QString::fromLatin1(command), file});
        p.waitForFinished(240000);
        const double wallSeconds = double(wall.nsecsElapsed()) / 1e9;
        const QJsonObject o = QJsonDocument::fromJson(p.readAllStandardOutput()).object();
        const double seconds = o.value(QStringLiteral("seconds")).toDouble();
        std::printf("terminal %-7s %-8s %7.3f s, %6.1f us/block (command %6.3f s)", label, command, seconds,
                    seconds / Blocks * 1e6, wallSeconds);
        const bool paced = simArgs.contains(QStringLiteral("--pace"));
        // Program verifies too: two passes over the line.
        const double limit = QString::fromLatin1(command) == QLatin1String("program") ? 2 * LineLimit : LineLimit;
        if (paced)
            std::printf("; line limit %.2f s, %+.1f %%", limit, 100.0 * (seconds - limit) / limit);
        if (paced && QString::fromLatin1(command) == QLatin1String("program"))
            std::printf("; wall / (2 x %.2f s) = %.3f (goal at most 1.06)", LineLimit, wallSeconds / (2 * LineLimit));
        std::printf("   [%s]\n", qPrintable(o.value(QStringLiteral("messages")).toVariant().toStringList().join(' ')));
        std::fflush(stdout);
    }
    return true;
}

// Paced program without verify, every block and only those not FF.
bool Skipping(const char* label, const QString& dir, const QString& file, const QStringList& extra)
{
    double everyBlockSeconds = 0;
    int everyBlocks = 0;
    for (const bool skip : {false, true}) {
        SimHarness sim({QStringLiteral("--pace"), QStringLiteral("57600")});
        if (!sim.start())
            return false;
        QProcess p;
        SetUpCli(p, dir, sim);
        QStringList args = extra + QStringList{QStringLiteral("--json"), QStringLiteral("program"),
                                               QStringLiteral("--no-verify"), file};
        if (skip)
            args << QStringLiteral("--skip-erased");
        p.start(QStringLiteral(QUIRRA_CLI_PATH), args);
        p.waitForFinished(240000);
        const QJsonObject o = QJsonDocument::fromJson(p.readAllStandardOutput()).object();
        const double seconds = o.value(QStringLiteral("seconds")).toDouble();
        const int blocks = o.value(QStringLiteral("blocks_written")).toInt();
        const double line = blocks * 24 * 10 / 57600.0;
        if (!skip) {
            everyBlockSeconds = seconds;
            everyBlocks = blocks;
        }
        // The every-block run's time per block, times the blocks written.
        const double share = everyBlocks > 0 ? everyBlockSeconds * blocks / everyBlocks : 0;
        std::printf("skipping %-13s %-13s %5d blocks %7.3f s; line time of those blocks %7.3f s, %+.2f %% "
                    "(goal within 2 %%); every block's time per block %+.2f %%, exit %d\n",
                    label, skip ? "--skip-erased" : "every block", blocks, seconds, line,
                    line > 0 ? 100.0 * (seconds - line) / line : 0.0,
                    share > 0 ? 100.0 * (seconds - share) / share : 0.0, o.value(QStringLiteral("exit")).toInt());
        std::fflush(stdout);
    }
    return true;
}

// Paced program without verify behind an adapter that holds each reply.
bool Latency(const QString& dir)
{
    for (const int ms : {0, 1, 4, 16}) {
        SimHarness sim({QStringLiteral("--pace"), QStringLiteral("57600"), QStringLiteral("--reply-latency"), QString::number(ms)});
        if (!sim.start())
            return false;
        QProcess p;
        SetUpCli(p, dir, sim);
        p.start(QStringLiteral(QUIRRA_CLI_PATH), {QStringLiteral("--json"), QStringLiteral("program"),
                                                  QStringLiteral("--no-verify"), QStringLiteral("image.bin")});
        p.waitForFinished(240000);
        const QJsonObject o = QJsonDocument::fromJson(p.readAllStandardOutput()).object();
        const double seconds = o.value(QStringLiteral("seconds")).toDouble();
        const double estimate = LineTime::FunctionSeconds(65536, ms);
        std::printf("latency %2d ms  program %7.3f s, estimate %7.3f s, %+5.1f %% (goal within 10 %%)", ms, seconds,
                    estimate, 100.0 * (seconds - estimate) / estimate);
        if (ms == 0)
            std::printf("; line limit %.2f s, %+.2f %% (goal within 2 %%)", LineLimit, 100.0 * (seconds - LineLimit) / LineLimit);
        std::printf(", exit %d\n", o.value(QStringLiteral("exit")).toInt());
        std::fflush(stdout);
    }
    return true;
}

// The window's figures, from the function window benchmark in the same run.
bool Window(bool pacedToo)
{
#ifndef QUIRRA_BENCH_DEVICE_PATH
    Q_UNUSED(pacedToo);
    std::printf("  (bench_device is not built)\n");
    return true;
#else
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedChannels);
    p.start(QStringLiteral(QUIRRA_BENCH_DEVICE_PATH), pacedToo ? QStringList() : QStringList{QStringLiteral("--unpaced-only")});
    return p.waitForFinished(600000) && p.exitCode() == 0;
#endif
}
}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QCoreApplication app(argc, argv);
    const bool pacedToo = !app.arguments().contains(QStringLiteral("--unpaced-only"));
    const bool skippingOnly = app.arguments().contains(QStringLiteral("--skipping-only"));
    const bool latencyOnly = app.arguments().contains(QStringLiteral("--latency-only"));

    // A start directory with one 64 KiB part and a random image.
    QTemporaryDir dir;
    const QByteArray image = RandomImage(65536, 7);
    QString error;
    WriteWholeFile(dir.filePath(QStringLiteral("quirra.cfg")), "1\r\n1\r\n1\r\n", &error);
    WriteWholeFile(dir.filePath(QStringLiteral("quirra.dev")), "\"64 KiB test part\",1,65536\r\n", &error);
    WriteWholeFile(dir.filePath(QStringLiteral("image.bin")), image, &error);

    if (latencyOnly)
        return Latency(dir.path()) ? 0 : 1;
    bool ok = skippingOnly || Terminal("unpaced", {}, dir.path());
    if (pacedToo) {
        if (!skippingOnly)
            ok = Terminal("paced", {QStringLiteral("--pace"), QStringLiteral("57600")}, dir.path()) && ok;
        QByteArray half = image;
        for (int block = 0; block < Blocks; block += 2)
            half.replace(block * 16, 16, QByteArray(16, '\xFF'));
        WriteWholeFile(dir.filePath(QStringLiteral("half.bin")), half, &error);
        ok = Skipping("demo image", QStringLiteral(QUIRRA_DEMO_DIR),
                      QStringLiteral(QUIRRA_DEMO_DIR "/image.hex"), {QStringLiteral("--dir"), QStringLiteral(QUIRRA_DEMO_DIR)})
             && ok;
        ok = Skipping("64 KiB half FF", dir.path(), QStringLiteral("half.bin"), {}) && ok;
        if (!skippingOnly)
            ok = Latency(dir.path()) && ok;
    }
    if (skippingOnly)
        return ok ? 0 : 1;
    std::printf("window (the function window benchmark, wall time; CPU is this process's):\n");
    std::fflush(stdout);
    return Window(pacedToo) && ok ? 0 : 1;
}
