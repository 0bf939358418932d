// quirra-cli as a small process: "quirra-cli convert" of a 64 KiB Intel HEX
// file to binary, timed as a whole process, beside srec_cat doing the same
// conversion in the same run. Prints the median of each and their ratio
// (goal: quirra-cli no slower, ratio <= 1).
// Usage: bench_startup [rounds]
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {
// Median wall time in ms of `rounds` runs of program args; -1 when a run fails.
double MedianMs(const QString& program, const QStringList& args, int rounds)
{
    std::vector<double> ms;
    for (int i = 0; i < rounds; ++i) {
        QProcess p;
        p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QElapsedTimer t;
        t.start();
        p.start(program, args);
        if (!p.waitForFinished(30000) || p.exitCode() != 0)
            return -1;
        ms.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}
}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(3, atoi(argv[1])) : 30;
    const QString srecCat = QStandardPaths::findExecutable(QStringLiteral("srec_cat"));
    if (srecCat.isEmpty()) {
        std::fprintf(stderr, "srec_cat is missing (package srecord)\n");
        return 1;
    }
    QTemporaryDir dir;
    QByteArray image(65536, '\0');
    QRandomGenerator random(16);
    for (char& b : image)
        b = char(random.bounded(256));
    const QString bin = dir.filePath(QStringLiteral("image.bin"));
    const QString hex = dir.filePath(QStringLiteral("image.hex"));
    QFile f(bin);
    if (!f.open(QIODevice::WriteOnly) || f.write(image) != image.size())
        return 1;
    f.close();
    // The HEX file as srec_cat writes it.
    if (QProcess::execute(srecCat, {bin, QStringLiteral("-binary"), QStringLiteral("-o"), hex, QStringLiteral("-intel")}) != 0)
        return 1;

    const double cli = MedianMs(QStringLiteral(QUIRRA_CLI_PATH),
                                {QStringLiteral("--quiet"), QStringLiteral("convert"), hex, dir.filePath(QStringLiteral("q.bin"))}, rounds);
    const double srec = MedianMs(srecCat, {hex, QStringLiteral("-intel"), QStringLiteral("-o"), dir.filePath(QStringLiteral("s.bin")),
                                           QStringLiteral("-binary")}, rounds);
    if (cli < 0 || srec < 0) {
        std::fprintf(stderr, "a conversion failed\n");
        return 1;
    }
    std::printf("64 KiB Intel HEX to binary, whole process, median of %d: quirra-cli convert %.1f ms, srec_cat %.1f ms, "
                "ratio %.2f (goal <= 1)\n", rounds, cli, srec, cli / srec);
    return 0;
}
