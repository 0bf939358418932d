#include "support/SimHarness.h"

#include "core/PortMap.h"
#include "platform/SerialPort.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <csignal>
#include <sys/prctl.h>

SimHarness::SimHarness(const QStringList& extraArgs)
    : extraArgs_(extraArgs)
{
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // The emulator outlives the end of its stdin on purpose; this ends it
    // when a test dies without stopping it.
    process_.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    QObject::connect(&process_, &QProcess::readyReadStandardOutput, [this] {
        stdout_ += process_.readAllStandardOutput();
        if (!ready_ && stdout_.contains('\n'))
            ready_ = stdout_.startsWith("ready ");
    });
}

SimHarness::~SimHarness() { stop(); }

bool SimHarness::start()
{
#ifndef QUIRRA_SIM_PATH
#define QUIRRA_SIM_PATH "quirra-sim"
#endif
    if (process_.state() != QProcess::NotRunning || !dir_.isValid())
        return false;
    ready_ = false;
    stdout_.clear();
    QFile::remove(dir_.filePath(QStringLiteral("dump.bin")));
    process_.start(QStringLiteral(QUIRRA_SIM_PATH),
                   QStringList{QStringLiteral("--link"), linkPath(), QStringLiteral("--trace"),
                               dir_.filePath(QStringLiteral("trace.log")), QStringLiteral("--dump"),
                               dir_.filePath(QStringLiteral("dump.bin"))} + extraArgs_);
    (void)QTest::qWaitFor([this] { return process_.state() == QProcess::NotRunning || stdout_.contains('\n'); }, 5000);
    if (ready_)
        return true;
    qWarning("quirra-sim did not get ready: %s", stdout_.constData());
    stop();
    return false;
}

void SimHarness::stop()
{
    const auto ended = [this] { return process_.state() == QProcess::NotRunning; };
    if (ended())
        return;
    process_.write("quit\n");  // "quit" first; kill it when it does not end
    if (!QTest::qWaitFor(ended, 5000)) {
        process_.kill();
        (void)QTest::qWaitFor(ended, 5000);
    }
}

QString SimHarness::linkPath() const { return dir_.filePath(QStringLiteral("ttySIM")); }

// One wire log line; false when it is not one.
static bool ParseTraceLine(const QByteArray& line, TraceFrame& frame)
{
    const QList<QByteArray> parts = line.trimmed().split(' ');
    bool ok = parts.size() >= 3 && (parts[1] == "PC" || parts[1] == "DEV");
    frame.time = ok ? parts[0].toDouble(&ok) : 0;
    frame.fromPc = parts.size() > 1 && parts[1] == "PC";
    frame.bytes.clear();
    for (qsizetype i = 2; ok && i < parts.size(); ++i) {
        frame.bytes.append(char(parts[i].toUInt(&ok, 16)));
        ok = ok && parts[i].size() == 2;
    }
    return ok;
}

QVector<TraceFrame> SimHarness::trace() const
{
    QVector<TraceFrame> frames;
    QFile f(dir_.filePath(QStringLiteral("trace.log")));
    TraceFrame frame;
    if (f.open(QIODevice::ReadOnly))
        for (const QByteArray& line : f.readAll().split('\n'))
            if (ParseTraceLine(line, frame))
                frames.append(frame);
    return frames;
}

QVector<QByteArray> SimHarness::pcFrames() const
{
    QVector<QByteArray> frames;
    for (const TraceFrame& f : trace())
        if (f.fromPc)
            frames.append(f.bytes);
    return frames;
}

QByteArray SimHarness::dump()
{
    stop();
    QFile f(dir_.filePath(QStringLiteral("dump.bin")));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void SimHarness::exportAs(int n) const
{
    qputenv(QStringLiteral("QUIRRA_COM%1").arg(n).toLatin1().constData(), linkPath().toLocal8Bit());
}

bool SimHarness::openPort(SerialPort& port, int n) const
{
    exportAs(n);
    port.setCommPort(n, modFunc::ResolvePort(n).path);
    port.setSettings(QStringLiteral("57600,N,8,1"));
    port.setInputMode(SerialPort::InputModeKind::Binary);
    return port.setPortOpen(true);
}

bool StartSimPorts(int count, std::vector<std::unique_ptr<SimHarness>>& sims, QProcessEnvironment& env,
                   QStringList& args, const std::function<QStringList(int)>& simArgs)
{
    for (int n = 1; n <= count; ++n) {
        sims.push_back(std::make_unique<SimHarness>(simArgs ? simArgs(n) : QStringList()));
        if (!sims.back()->start())
            return false;
        env.insert(QStringLiteral("QUIRRA_COM%1").arg(n), sims.back()->linkPath());
        args << QStringLiteral("-p") << QStringLiteral("COM%1").arg(n);
    }
    return true;
}

QList<qint64> WorkerProcesses(const QString& dir)
{
    QList<qint64> pids;
    for (const QString& name : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(name));
        if (cmdline.open(QIODevice::ReadOnly) && cmdline.readAll().contains(QByteArray("--worker"))
            && QFileInfo(QStringLiteral("/proc/%1/cwd").arg(name)).symLinkTarget() == dir)
            pids << name.toLongLong();
    }
    return pids;
}

void WaitForInput(SerialPort& port, int count, int ms)
{
    (void)QTest::qWaitFor([&] { return port.InBufferCount() >= count; }, ms);
}
