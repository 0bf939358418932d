// File timings: load and save of a 64 KiB Intel HEX image (4096 records), of
// a 64 KiB S-record image and of a 70001-byte binary image, file on disk to
// Buffer and back, each beside srec_cat doing the same conversion in the same
// run; and the hex view's Find over 64 KiB. Prints medians.
#include "buffer/BufferSearch.h"
#include "files/FileFormats.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

using namespace FileFormats;
using modFunc::Buffer;

namespace {

double MedianMs(int rounds, const std::function<bool()>& f)
{
    std::vector<double> ms;
    QElapsedTimer t;
    for (int i = 0; i < rounds; ++i) {
        t.start();
        if (!f()) {
            std::printf("a round failed\n");
            return -1;
        }
        ms.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}

QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString hex = dir.filePath(QStringLiteral("image.hex"));
    const QString bin = dir.filePath(QStringLiteral("image.bin"));
    const QString s19 = dir.filePath(QStringLiteral("image.s19"));
    const QString out = dir.filePath(QStringLiteral("out"));
    QRandomGenerator rng(1);
    for (auto& b : Buffer)
        b = uint8_t(rng.bounded(256));
    if (!modFunc::WriteWholeFile(hex, HexImage(Buffer, 0x10000), nullptr) ||
        !modFunc::WriteWholeFile(bin, BinaryImage(Buffer, modFunc::BufferSize), nullptr) ||
        !modFunc::WriteWholeFile(s19, SRecordImage(Buffer, 0x10000), nullptr))
        return 1;

    const int rounds = 200;
    const bool haveSrec = !QStandardPaths::findExecutable(QStringLiteral("srec_cat")).isEmpty();
    auto srec = [&](const QString& in, const char* inFormat, const char* outFormat) {
        if (!haveSrec)
            return -1.0;
        return MedianMs(15, [&] {
            return QProcess::execute(QStringLiteral("srec_cat"),
                                     {in, QLatin1String(inFormat), QStringLiteral("-o"), out, QLatin1String(outFormat)}) == 0;
        });
    };
    struct Row {
        const char* what;
        double ours;
        const char* srecWhat;
        double srec;
    };
    const Row rows[] = {
        {"load 64 KiB Intel HEX (4096 records)",
         MedianMs(rounds, [&] { return LoadHex(ReadAll(hex), Buffer, 0, 0).ok(); }), "hex to binary",
         srec(hex, "-intel", "-binary")},
        {"save 64 KiB Intel HEX",
         MedianMs(rounds, [&] { return modFunc::WriteWholeFile(out, HexImage(Buffer, 0x10000), nullptr); }),
         "binary to hex", srec(bin, "-binary", "-intel")},
        {"load 64 KiB S-records (4096 S1)",
         MedianMs(rounds, [&] { return LoadSRecords(ReadAll(s19), Buffer, 0, 0).ok(); }), "S-records to binary",
         srec(s19, "-motorola", "-binary")},
        {"save 64 KiB S-records",
         MedianMs(rounds, [&] { return modFunc::WriteWholeFile(out, SRecordImage(Buffer, 0x10000), nullptr); }),
         "binary to S-records", srec(bin, "-binary", "-motorola")},
        {"load 70001-byte binary",
         MedianMs(rounds, [&] {
             const QByteArray file = ReadAll(bin);
             return PlaceBinary(file.left(BinaryReadLength(0, 0)), Buffer, 0, 0).ok();
         }),
         "binary to binary", srec(bin, "-binary", "-binary")},
        {"save 70001-byte binary",
         MedianMs(rounds, [&] { return modFunc::WriteWholeFile(out, BinaryImage(Buffer, modFunc::BufferSize), nullptr); }),
         "binary to binary", srec(bin, "-binary", "-binary")},
    };
    for (const Row& r : rows) {
        std::printf("%-38s median %7.3f ms", r.what, r.ours);
        if (r.srec > 0)
            std::printf("   srec_cat %-28s %7.3f ms   srec_cat/ours %6.1f\n", r.srecWhat, r.srec, r.srec / r.ours);
        else
            std::printf("   (srec_cat not installed)\n");
    }
    // Find: a pattern that first stands in the last bytes of 64 KiB, from 0.
    const QByteArray pattern = QByteArray::fromHex("DEADBEEF");
    std::fill(Buffer.begin(), Buffer.begin() + 0x10000, uint8_t(0xDE));
    std::copy(pattern.begin(), pattern.end(), Buffer.begin() + 0x10000 - 4);
    const double find = MedianMs(rounds, [&] { return BufferSearch::FindBytes(Buffer, 0x10000, 0, pattern) == 0xFFFC; });
    std::printf("%-38s median %7.3f ms   (goal: under 1 ms)\n", "Find DE AD BE EF over 64 KiB", find);
    return 0;
}
