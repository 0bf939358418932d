// A 64 KiB Program, Verify and Read from the terminal (quirra-cli as a
// process) beside the same through the function window, in one run, against
// quirra-sim. Prints per function the time the function took (from
// quirra-cli's JSON result, without start-up and probe), per block, and the
// whole command's wall time.
//   unpaced   the emulator answers at once: the software cost per block
//   paced     the emulator keeps to 57600 baud: 4096 blocks of 24 bytes of
//             10 bits cannot take less than 17.07 s
// Usage: bench_cli [--unpaced-only]
#include "core/modFunc.h"
#include "device/frmFunction.h"
#include "support/SimLink.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <cstdio>

using namespace modFunc;

namespace {
constexpr int Blocks = 4096;
const double LineLimit = Blocks * 24 * 10 / 57600.0;

void Print(const char* front, const char* label, const QString& name, double seconds, double wall,
           const QString& message, bool paced)
{
    std::printf("%-8s %-7s %-8s %7.3f s, %6.1f us/block (command %6.3f s)", front, label, qPrintable(name), seconds,
                seconds / Blocks * 1e6, wall);
    if (paced)
        std::printf("; line limit %.2f s, %+.1f %%", LineLimit, 100.0 * (seconds - LineLimit) / LineLimit);
    std::printf("   [%s]\n", qPrintable(message));
    std::fflush(stdout);
}

bool Terminal(const char* label, const QStringList& simArgs, const QString& dir)
{
    SimHarness sim(simArgs);
    if (!sim.start())
        return false;
    for (const char* command : {"program", "verify", "read"}) {
        QProcess p;
        p.setWorkingDirectory(dir);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QUIRRA_COM1"), sim.linkPath());
        p.setProcessEnvironment(env);
        QElapsedTimer wall;
        wall.start();
        const QString file = QString::fromLatin1(command) == QLatin1String("read") ? QStringLiteral("back.bin")
                                                                                   : QStringLiteral("image.bin");
        p.start(QStringLiteral(QUIRRA_CLI_PATH), {QStringLiteral("--json"), QString::fromLatin1(command), file});
        p.waitForFinished(120000);
        const QJsonObject o = QJsonDocument::fromJson(p.readAllStandardOutput()).object();
        Print("terminal", label, QString::fromLatin1(command), o.value(QStringLiteral("seconds")).toDouble(),
              wall.nsecsElapsed() / 1e9, o.value(QStringLiteral("messages")).toVariant().toStringList().join(' '),
              simArgs.contains(QStringLiteral("--pace")));
    }
    return true;
}

bool Window(const char* label, const QStringList& simArgs)
{
    SimHarness sim(simArgs);
    SimLink link;
    if (!link.openOn(sim))
        return false;
    for (DeviceFunctions::Index f : {DeviceFunctions::Program, DeviceFunctions::Verify, DeviceFunctions::Read}) {
        frmFunction w;
        w.show();
        w.listFunction->setCurrentRow(f);
        QElapsedTimer wall;
        wall.start();
        w.cmdRun->click();
        const double seconds = wall.nsecsElapsed() / 1e9;
        Print("window", label, DeviceFunctions::Names()[f], seconds, seconds, w.lblMsg[0]->text(),
              simArgs.contains(QStringLiteral("--pace")));
    }
    return true;
}
}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const bool pacedToo = !app.arguments().contains(QStringLiteral("--unpaced-only"));

    // A start directory with one 64 KiB part and a random image.
    QTemporaryDir dir;
    const QByteArray image = RandomImage(65536, 7);
    QString error;
    WriteWholeFile(dir.filePath(QStringLiteral("quirra.cfg")), "1\r\n1\r\n1\r\n", &error);
    WriteWholeFile(dir.filePath(QStringLiteral("quirra.dev")), "\"64 KiB test part\",1,65536\r\n", &error);
    WriteWholeFile(dir.filePath(QStringLiteral("image.bin")), image, &error);

    // The window's side: the same part and image, the programmer found.
    DeviceTable[1] = {QStringLiteral("64 KiB test part"), 1, 65536};
    DeviceCount = 1;
    DeviceIndex = 1;
    DeviceFound = true;
    std::copy(image.begin(), image.end(), Buffer.begin());

    bool ok = Terminal("unpaced", {}, dir.path()) && Window("unpaced", {});
    if (pacedToo) {
        const QStringList paced = {QStringLiteral("--pace"), QStringLiteral("57600")};
        ok = Terminal("paced", paced, dir.path()) && Window("paced", paced) && ok;
    }
    return ok ? 0 : 1;
}
