#include "cli/ParallelRun.h"

#include "cli/StopSignal.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QSocketNotifier>
#include <csignal>
#include <cstdio>
#include <memory>
#include <unistd.h>
#include <vector>

namespace cli {

QString ChipStatus(const QJsonObject& chip)
{
    for (const QJsonValue& v : chip.value(QStringLiteral("steps")).toArray()) {
        const QJsonObject step = v.toObject();
        if (step.value(QStringLiteral("result")).toString() != QLatin1String("ok"))
            return step.value(QStringLiteral("message")).toString();
    }
    if (chip.value(QStringLiteral("interrupted")).toBool())
        return QStringLiteral("stopped");
    return chip.value(QStringLiteral("result")).toString() == QLatin1String("pass") ? QStringLiteral("OK")
                                                                                      : QStringLiteral("failed");
}

namespace {

struct Programmer {
    QString port;
    std::unique_ptr<QProcess> process;
    QByteArray out, err;  // partial lines
    int chip = 1;         // the chip it works on or finished last
    int chips = 0, passed = 0;
    QString status = QStringLiteral("starting");
    bool waiting = false;  // for Enter
    bool running = true;
    int exitCode = ExitOk;
};

class Parallel {
public:
    Parallel(const Options& o, const QStringList& args) : o_(o), args_(args) {}
    int run();

private:
    void start(Programmer& p);
    void readOut(Programmer& p);
    void readErr(Programmer& p);
    void readInput();
    void endInput();
    void stopAll();
    void showStatus(bool chipDone);

    const Options& o_;
    const QStringList& args_;
    std::vector<std::unique_ptr<Programmer>> programmers_;
    bool inputEnded_ = false;
    bool terminal_ = false;
    qsizetype drawn_ = 0;
};

void Parallel::start(Programmer& p)
{
    p.process = std::make_unique<QProcess>();
    QProcess* process = p.process.get();
    QObject::connect(process, &QProcess::readyReadStandardOutput, [this, &p] { readOut(p); });
    QObject::connect(process, &QProcess::readyReadStandardError, [this, &p] { readErr(p); });
    QObject::connect(process, &QProcess::finished, [this, &p](int code, QProcess::ExitStatus status) {
        readOut(p);
        readErr(p);
        p.running = false;
        p.waiting = false;
        // A child that died counts as the worst outcome.
        p.exitCode = status == QProcess::NormalExit ? code : ExitBadInput;
        p.status = status == QProcess::NormalExit ? QStringLiteral("ended (exit %1)").arg(code)
                                                  : QStringLiteral("crashed");
        showStatus(false);
    });
    process->start(QCoreApplication::applicationFilePath(), WorkerArguments(args_, p.port));
}

void Parallel::readOut(Programmer& p)
{
    p.out += p.process->readAllStandardOutput();
    qsizetype end;
    while ((end = p.out.indexOf('\n')) >= 0) {
        const QByteArray line = p.out.left(end + 1);
        p.out.remove(0, end + 1);
        const QJsonObject o = QJsonDocument::fromJson(line).object();
        if (o.contains(QStringLiteral("step"))) {
            p.status = o.value(QStringLiteral("step")).toString();
            showStatus(false);
        } else if (o.contains(QStringLiteral("chip"))) {
            p.chip = o.value(QStringLiteral("chip")).toInt();
            ++p.chips;
            if (o.value(QStringLiteral("result")).toString() == QLatin1String("pass"))
                ++p.passed;
            p.status = ChipStatus(o);
            p.waiting = o_.repeat && !inputEnded_;
            if (o_.json) {
                std::fputs(line.constData(), stdout);
                std::fflush(stdout);
            }
            showStatus(true);
        }
    }
}

void Parallel::readErr(Programmer& p)
{
    p.err += p.process->readAllStandardError();
    qsizetype end;
    while ((end = p.err.indexOf('\n')) >= 0) {
        showStatus(false);  // the line goes below the status line
        std::fprintf(stderr, "%s: %s", qPrintable(p.port), p.err.left(end + 1).constData());
        std::fflush(stderr);
        p.err.remove(0, end + 1);
    }
}

void Parallel::readInput()
{
    char bytes[256];
    const ssize_t n = ::read(STDIN_FILENO, bytes, sizeof bytes);
    if (n <= 0) {
        endInput();
        return;
    }
    for (ssize_t i = 0; i < n && !inputEnded_; ++i) {
        if (bytes[i] == 'q' || bytes[i] == 'Q') {
            endInput();
        } else if (bytes[i] == '\n') {
            // The next chip on every programmer that waits for one.
            for (auto& p : programmers_)
                if (p->waiting) {
                    p->waiting = false;
                    p->chip += 1;
                    p->status = QStringLiteral("starting");
                    p->process->write("\n");
                }
            showStatus(false);
        }
    }
}

// Each child finishes the chip it works on and ends at its prompt.
void Parallel::endInput()
{
    inputEnded_ = true;
    for (auto& p : programmers_) {
        p->waiting = false;
        if (p->running)
            p->process->closeWriteChannel();
    }
}

void Parallel::stopAll()
{
    for (auto& p : programmers_)
        if (p->running && p->process->processId() > 0)
            ::kill(pid_t(p->process->processId()), SIGINT);
    endInput();
}

void Parallel::showStatus(bool chipDone)
{
    if (o_.json || o_.quiet)
        return;
    QStringList parts;
    bool allWait = true;
    for (const auto& p : programmers_) {
        parts << QStringLiteral("%1 chip %2 %3").arg(p->port).arg(p->chip).arg(p->status);
        allWait = allWait && (p->waiting || !p->running);
    }
    QString line = parts.join(QStringLiteral(" | "));
    if (allWait && !inputEnded_)
        line += QStringLiteral("  (Enter: next chips, q: quit)");
    if (terminal_) {
        const QString pad(qMax<qsizetype>(0, drawn_ - line.size()), QLatin1Char(' '));
        drawn_ = line.size();
        std::fprintf(stdout, "\r%s%s", qPrintable(line), qPrintable(pad));
    } else if (chipDone) {
        std::fprintf(stdout, "%s\n", qPrintable(line));
    }
    std::fflush(stdout);
}

int Parallel::run()
{
    terminal_ = ::isatty(STDOUT_FILENO);
    for (const QString& port : o_.ports) {
        programmers_.push_back(std::make_unique<Programmer>());
        programmers_.back()->port = port;
    }
    for (auto& p : programmers_)
        start(*p);
    StopSignal stop([this] { stopAll(); });
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, [this, &input] {
        readInput();
        if (inputEnded_)
            input.setEnabled(false);
    });
    auto anyRunning = [this] {
        return std::any_of(programmers_.begin(), programmers_.end(), [](const auto& p) { return p->running; });
    };
    while (anyRunning())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    if (terminal_ && !o_.json && !o_.quiet)
        std::fprintf(stdout, "\n");

    int worst = ExitOk;
    QJsonArray ports;
    for (const auto& p : programmers_) {
        worst = std::max(worst, p->exitCode);
        ports.append(QJsonObject{{QStringLiteral("port"), p->port},
                                 {QStringLiteral("chips"), p->chips},
                                 {QStringLiteral("passed"), p->passed},
                                 {QStringLiteral("exit"), p->exitCode}});
        if (!o_.json && !o_.quiet)
            std::printf("%s: %d chips: %d passed, %d failed (exit %d)\n", qPrintable(p->port), p->chips, p->passed,
                        p->chips - p->passed, p->exitCode);
    }
    if (o_.json) {
        const QJsonObject result{{QStringLiteral("command"), o_.command},
                                 {QStringLiteral("ports"), ports},
                                 {QStringLiteral("exit"), worst}};
        std::printf("%s\n", QJsonDocument(result).toJson(QJsonDocument::Compact).constData());
    }
    std::fflush(stdout);
    return worst;
}

}  // namespace

int RunParallel(const Options& options, const QStringList& args)
{
    Parallel parallel(options, args);
    return parallel.run();
}

}  // namespace cli
