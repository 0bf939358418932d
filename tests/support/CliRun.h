// A program run as a process for a test: in a start directory, with the
// user's own start files out of the way and COM1 on an emulator when given.
#pragma once

#include "support/SimHarness.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QProcess>

struct CliRun {
    int code = -1;  // -1 when it did not run to its end
    QString out;
    QString err;
    QByteArray bytes;  // standard output as it came
};

// The environment of a run in dir: COM1 on sim when given, then env ("NAME=value").
inline QProcessEnvironment RunEnvironment(const QString& dir, const SimHarness* sim = nullptr,
                                          const QStringList& env = {})
{
    QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
    e.insert(QStringLiteral("XDG_CONFIG_HOME"), dir + QStringLiteral("/no-config"));
    if (sim)
        e.insert(QStringLiteral("QUIRRA_COM1"), sim->linkPath());
    for (const QString& kv : env)
        e.insert(kv.section(QLatin1Char('='), 0, 0), kv.section(QLatin1Char('='), 1));
    return e;
}

// Runs command (the program, then its arguments) to its end, with input on its standard input.
inline CliRun RunCommand(const QString& dir, const QStringList& command, const SimHarness* sim = nullptr,
                         const QStringList& env = {}, const QByteArray& input = {})
{
    QProcess p;
    p.setWorkingDirectory(dir);
    p.setProcessEnvironment(RunEnvironment(dir, sim, env));
    p.start(command.first(), command.mid(1));
    p.write(input);
    p.closeWriteChannel();
    CliRun r;
    if (!p.waitForFinished(60000))
        return r;
    r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.bytes = p.readAllStandardOutput();
    r.out = QString::fromLocal8Bit(r.bytes);
    r.err = QString::fromLocal8Bit(p.readAllStandardError());
    return r;
}

// The words of line as a command.
inline QStringList Words(const QString& line)
{
    return line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

#ifdef QUIRRA_CLI_PATH
// quirra-cli with the words of line.
inline CliRun RunCli(const QString& dir, const QString& line, const SimHarness* sim = nullptr,
                     const QStringList& env = {}, const QByteArray& input = {})
{
    return RunCommand(dir, QStringList{QStringLiteral(QUIRRA_CLI_PATH)} + Words(line), sim, env, input);
}

// A start directory of a programmer on COM1 whose device catalogue is dev (its
// first device chosen), holding files, and the emulator as COM1 started with
// simArgs, where DIR/ stands for the directory ("-": no emulator).
struct CliRig : TempAppDir {
    SimHarness sim;
    bool ok;
    explicit CliRig(const QByteArray& dev, const QList<QPair<QString, QByteArray>>& files = {},
                    const QString& simArgs = {})
        : sim(Words(fill(simArgs)))
    {
        write(QStringLiteral("quirra.cfg"), "1\r\n" + QByteArray::number(dev.count('\n')) + "\r\n1\r\n");
        write(QStringLiteral("quirra.dev"), dev);
        for (const auto& [name, bytes] : files) {
            QDir(path()).mkpath(QFileInfo(name).path());
            write(name, bytes);
        }
        ok = simArgs == QLatin1String("-") || sim.start();
    }
    QString fill(QString s) const { return s.replace(QStringLiteral("DIR/"), path() + QLatin1Char('/')); }
    CliRun run(const QString& line, const QStringList& env = {}, const QByteArray& input = {}) const
    {
        return RunCli(path(), line, &sim, env, input);
    }
};
#endif
