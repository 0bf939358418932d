// A long production run: quirra-cli auto --repeat on four unpaced emulators
// at once (64 KiB, Erase, Blank, Program, Verify), with Enter for every
// round. Prints each port process's memory (VmRSS) and open files at chip
// 10 and at the last chip (goal: growth under 1 MiB, open files constant).
// Usage: bench_soak [CHIPS]   (default 12; 1000 for the full soak)
#include "core/modFunc.h"
#include "support/SimLink.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <cstdio>
#include <map>

using modFunc::WriteWholeFile;

namespace {

struct Figures {
    qint64 rssKiB = 0;
    int files = 0;
};

// The port processes of the run in here, by pid.
std::map<qint64, Figures> Children(const QString& here)
{
    std::map<qint64, Figures> out;
    for (const qint64 pid : WorkerProcesses(here)) {
        const QString name = QString::number(pid);
        Figures f;
        QFile status(QStringLiteral("/proc/%1/status").arg(name));
        if (status.open(QIODevice::ReadOnly))
            for (const QByteArray& line : status.readAll().split('\n'))
                if (line.startsWith("VmRSS:"))
                    f.rssKiB = line.mid(6).trimmed().split(' ').value(0).toLongLong();
        f.files = int(QDir(QStringLiteral("/proc/%1/fd").arg(name)).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).size());
        out[pid] = f;
    }
    return out;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int chips = std::max(11, app.arguments().value(1, QStringLiteral("12")).toInt());
    QTemporaryDir dir;
    QString error;
    WriteWholeFile(dir.filePath(QStringLiteral("quirra.cfg")), "1\r\n1\r\n1\r\n", &error);
    WriteWholeFile(dir.filePath(QStringLiteral("quirra.dev")), "\"64 KiB test part\",1,65536\r\n", &error);
    WriteWholeFile(dir.filePath(QStringLiteral("auto.cfg")), "4\r\n1\r\n2\r\n3\r\n4\r\n", &error);
    WriteWholeFile(dir.filePath(QStringLiteral("image.bin")), RandomImage(65536, 3), &error);
    std::vector<std::unique_ptr<SimHarness>> sims;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    QStringList args{QStringLiteral("--json"), QStringLiteral("auto"), QStringLiteral("image.bin"),
                     QStringLiteral("--repeat"), QStringLiteral("--log"), QStringLiteral("chips.log")};
    if (!StartSimPorts(4, sims, env, args))
        return 1;
    QProcess p;
    p.setWorkingDirectory(dir.path());
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(QUIRRA_CLI_PATH), args);
    if (!p.waitForStarted(10000))
        return 1;
    QByteArray out;
    std::map<qint64, Figures> atTen;
    for (int chip = 1; chip <= chips; ++chip) {
        while (out.count("\"chip\":") < 4 * chip && p.state() == QProcess::Running) {
            p.waitForReadyRead(60000);
            out += p.readAllStandardOutput();
        }
        if (chip == 10 || chip == chips) {
            const auto now = Children(QFileInfo(dir.path()).canonicalFilePath());
            if (now.empty())
                std::printf("chip %d: no port processes found under %lld\n", chip, qint64(p.processId()));
            for (const auto& [pid, f] : now) {
                if (chip == 10)
                    atTen[pid] = f;
                else
                    std::printf("process %lld: chip 10 %lld KiB, %d files; chip %d %lld KiB, %d files; "
                                "growth %+lld KiB (goal under 1024), files %+d (goal 0)\n",
                                pid, atTen[pid].rssKiB, atTen[pid].files, chip, f.rssKiB, f.files,
                                f.rssKiB - atTen[pid].rssKiB, f.files - atTen[pid].files);
            }
            std::fflush(stdout);
        }
        p.write(chip == chips ? "q\n" : "\n");
    }
    p.closeWriteChannel();
    p.waitForFinished(60000);
    std::printf("%d chips on 4 ports, exit %d\n", chips, p.exitCode());
    return p.exitCode();
}
