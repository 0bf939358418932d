#include "cli/LaneCommands.h"

#include <QFileInfo>
#include <memory>

namespace cli {

ByteLanes::Lane LaneOf(const Options& o) { return ByteLanes::Parse(o.lane).value_or(ByteLanes::Lane{}); }

FilledRange NarrowToLane(FileFormats::Image& image, ByteLanes::Lane lane, const FilledRange& wide)
{
    const QByteArray narrow = ByteLanes::Take(QByteArrayView(image.data(), qsizetype(image.size())), lane);
    image.fill(0xFF);
    std::copy(narrow.begin(), narrow.end(), image.begin());
    // Lane byte i is wide byte i * N + K: the first and last lane bytes the
    // wide range reaches.
    FilledRange r;
    const int n = lane.count, k = lane.index;
    if (wide.bytes == 0 || wide.last < k)
        return r;
    r.first = (std::max(wide.first - k, 0) + n - 1) / n;
    r.last = (wide.last - k) / n;
    r.bytes = r.last >= r.first ? r.last - r.first + 1 : 0;
    if (r.bytes == 0)
        r = {};
    return r;
}

namespace {

// The bytes of a file from address 0 to the last it fills; empty on failure
// (reported).
std::optional<QByteArray> LoadWhole(const Options& o, Console& out, const QString& path)
{
    const auto image = std::make_unique<FileFormats::Image>();
    const LoadedImage loaded = LoadImage(path, o.format, 0, 0, *image);
    if (!loaded.warning.isEmpty())
        out.warn(loaded.warning);
    if (!loaded.error.isEmpty()) {
        out.fail(ExitBadInput, loaded.error);
        return std::nullopt;
    }
    return QByteArray(reinterpret_cast<const char*>(image->data()), loaded.range.last + 1);
}

}  // namespace

int SplitImage(const Options& o, Console& out)
{
    const QString& in = o.files[0];
    if (in == QLatin1String("-"))
        return out.finish(out.fail(ExitBadInput, QStringLiteral("convert --split names its lanes after the image; "
                                                                "give it a file, not -")));
    const QFileInfo info(in);
    QStringList names;
    for (int k = 0; k < o.split; ++k)
        names << (info.path() == QLatin1String(".") ? QString() : info.path() + QLatin1Char('/')) +
                     QStringLiteral("%1.%2.bin").arg(info.completeBaseName()).arg(k);
    for (const QString& name : names)
        if (const QString problem = OutputProblem(name); !problem.isEmpty())
            return out.finish(out.fail(ExitBadInput, problem));
    const std::optional<QByteArray> wide = LoadWhole(o, out, in);
    if (!wide)
        return out.finish(ExitBadInput);
    const QList<QByteArray> lanes = ByteLanes::Split(*wide, o.split);
    for (int k = 0; k < o.split; ++k) {
        QString error;
        if (!WriteOutput(names[k], lanes[k], &error))
            return out.finish(out.fail(ExitBadInput, QStringLiteral("%1 cannot be written: %2").arg(names[k], error)));
        out.line(QStringLiteral("lane %1/%2 to %3: %4 bytes").arg(k).arg(o.split).arg(names[k]).arg(lanes[k].size()));
    }
    return out.finish(ExitOk);
}

int MergeLanes(const Options& o, Console& out)
{
    if (const QString problem = OutputProblem(o.output); !problem.isEmpty())
        return out.finish(out.fail(ExitBadInput, problem));
    QList<QByteArray> lanes;
    for (const QString& path : o.files) {
        const std::optional<QByteArray> lane = LoadWhole(o, out, path);
        if (!lane)
            return out.finish(ExitBadInput);
        lanes << *lane;
    }
    const QByteArray wide = ByteLanes::Merge(lanes);
    const ImageFormat to = OutputFormat(o.output, o.to);
    const int32_t limit = to == ImageFormat::IntelHex ? modFunc::MaxDeviceSize : modFunc::BufferSize;
    if (wide.size() > limit)
        return out.finish(out.fail(ExitBadInput, QStringLiteral("the merged image is %1 bytes; a %2 file is written "
                                                                "for up to %3")
                                                     .arg(wide.size())
                                                     .arg(FormatName(to))
                                                     .arg(limit)));
    const auto image = std::make_unique<FileFormats::Image>();
    image->fill(0xFF);
    std::copy(wide.begin(), wide.end(), image->begin());
    QString error;
    if (!WriteOutput(o.output, FileFormats::SaveImage(*image, int32_t(wide.size()), to), &error))
        return out.finish(out.fail(ExitBadInput, QStringLiteral("%1 cannot be written: %2").arg(o.output, error)));
    out.line(QStringLiteral("%1 lanes to %2 (%3): %4 bytes").arg(lanes.size()).arg(o.output, FormatName(to)).arg(wide.size()));
    return out.finish(ExitOk);
}

}  // namespace cli
