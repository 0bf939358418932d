#include "files/FileFormats.h"

#include <QFile>
#include <QFileInfo>

namespace FileFormats {

namespace {

// Up to `limit` bytes of the open file `f` from offset `from` on.
QByteArray ReadPart(QFile& f, qint64 from, qint64 limit)
{
    QByteArray data;
    if (f.isSequential()) {
        // A device or pipe: read and drop up to the offset, then read in
        // pieces, never more than the limit.
        if (from > 0 && f.skip(from) < from)
            return data;
        while (data.size() < limit) {
            const QByteArray piece = f.read(std::min<qint64>(limit - data.size(), 1 << 16));
            if (piece.isEmpty())
                break;
            data += piece;
        }
    } else if (from < f.size() && f.seek(from)) {
        data = f.read(std::min(limit, f.size() - from));
    }
    return data;
}

}  // namespace

bool NameSaysHex(const QString& name)
{
    const QString ending = name.right(3);
    return ending == QLatin1String("HEX") || ending == QLatin1String("hex");
}

FileRead ReadImageFile(const QString& path, bool text, uint32_t fileAddress, uint32_t bufferAddress)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        FileRead r;
        r.failure = FileRead::CannotOpen;
        r.reason = f.errorString();
        return r;
    }
    return ReadImageFrom(f, text, fileAddress, bufferAddress);
}

FileRead ReadImageFrom(QFile& f, bool text, uint32_t fileAddress, uint32_t bufferAddress)
{
    FileRead r;
    if (text && !f.isSequential() && f.size() > HexFileLimit) {
        r.failure = FileRead::TooLarge;
        return r;
    }
    r.data = text ? ReadPart(f, 0, HexFileLimit + 1)
                 : ReadPart(f, fileAddress, BinaryReadLength(fileAddress, bufferAddress));
    if (f.error() != QFileDevice::NoError) {
        r.failure = FileRead::CannotRead;
        r.reason = f.errorString();
    } else if (text && r.data.size() > HexFileLimit) {
        r.failure = FileRead::TooLarge;
    }
    if (r.failure != FileRead::None)
        r.data.clear();
    return r;
}

}  // namespace FileFormats
