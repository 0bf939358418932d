#include "files/FileCommands.h"

#include "buffer/BufferCommands.h"
#include "core/mdiMain.h"
#include "files/FileFormats.h"
#include "files/frmFileLoad.h"
#include "platform/MessageBox.h"

#include <QDir>
#include <QFile>

namespace FileCommands {

namespace {

// Far more than any Intel HEX file for the Buffer needs (10000 records of
// at most 51 bytes); a larger file is refused before it is read.
constexpr qint64 HexFileLimit = 64 * 1024 * 1024;

const QString LoadErrorTitle = QStringLiteral("File Load Error");
const QString SaveErrorTitle = QStringLiteral("File Save Error");

void Report(const QString& title, const QString& path, const QString& what)
{
    ShowMessage(QDir::toNativeSeparators(path) + QStringLiteral("\n\n") + what, title, MsgIcon::Critical);
}

bool LoadFailed(const QString& path, const FileFormats::LoadResult& r)
{
    if (r.checksumError)
        ShowMessage(FileFormats::ChecksumMessage, LoadErrorTitle, MsgIcon::Critical);
    else
        Report(LoadErrorTitle, path, r.error);
    return false;
}

// Up to `limit` bytes of the file from offset `from` on; the error text when
// it cannot be opened or read.
QString ReadPart(const QString& path, qint64 from, qint64 limit, QByteArray& data)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QStringLiteral("The file cannot be opened: %1.").arg(f.errorString());
    data.clear();
    if (f.isSequential()) {
        // A device or pipe: read and drop up to the offset, then read in
        // pieces, never more than the limit.
        if (from > 0 && f.skip(from) < from)
            return {};
        while (data.size() < limit) {
            const QByteArray piece = f.read(std::min<qint64>(limit - data.size(), 1 << 16));
            if (piece.isEmpty())
                break;
            data += piece;
        }
    } else if (from < f.size()) {
        if (!f.seek(from))
            return QStringLiteral("The file cannot be read: %1.").arg(f.errorString());
        data = f.read(std::min(limit, f.size() - from));
    }
    if (f.error() != QFileDevice::NoError)
        return QStringLiteral("The file cannot be read: %1.").arg(f.errorString());
    return {};
}

bool LoadDone(mdiMain& main)
{
    main.sbar->SetPanel(4, QStringLiteral("File: ") + main.cdia.FileName);
    BufferCommands::ReopenBufferWindow();
    return true;
}

bool Save(mdiMain& main, bool hex)
{
    using namespace modFunc;
    const QString& path = main.cdia.FileName;
    const DeviceRecord& device = SelectedDevice();
    const QString problem = FileFormats::SaveProblem(device, hex);
    if (!problem.isEmpty()) {
        Report(SaveErrorTitle, path, problem);
        return false;
    }
    const QByteArray data = hex ? FileFormats::HexImage(Buffer, device.Size) : FileFormats::BinaryImage(Buffer, device.Size);
    QString error;
    if (!WriteWholeFile(path, data, &error)) {
        Report(SaveErrorTitle, path,
               QStringLiteral("The file cannot be written: %1. A file of this name that existed is unchanged.").arg(error));
        return false;
    }
    main.sbar->SetPanel(4, QStringLiteral("File: ") + path);
    return true;
}

// The options window over the main window; false when it was cancelled.
bool AskOptions(mdiMain& main)
{
    frmFileLoad options(main.cdia.FileName, &main);
    options.exec();
    return !modFunc::FileCancelled;
}

// The three steps of File > Load (`load`) or File > Save.
void RunCommand(mdiMain& main, bool load)
{
    const bool chosen = load ? main.cdia.ShowOpen(&main) : main.cdia.ShowSave(&main);
    if (!chosen || !AskOptions(main))
        return;
    if (load)
        modFunc::HexFormat ? OpenHexFile(main) : OpenBinFile(main);
    else
        modFunc::HexFormat ? SaveHexFile(main) : SaveBinFile(main);
}

}  // namespace

bool OpenHexFile(mdiMain& main)
{
    using namespace modFunc;
    const QString& path = main.cdia.FileName;
    QFile f(path);
    if (!f.isSequential() && f.size() > HexFileLimit) {
        Report(LoadErrorTitle, path,
               QStringLiteral("The file is larger than %1 MiB, far too large for an Intel HEX file of the Buffer.")
                   .arg(HexFileLimit >> 20));
        return false;
    }
    QByteArray text;
    const QString error = ReadPart(path, 0, HexFileLimit, text);
    if (!error.isEmpty()) {
        Report(LoadErrorTitle, path, error);
        return false;
    }
    const FileFormats::LoadResult r = FileFormats::LoadHex(text, Buffer, FileAddress, BufferAddress);
    return r.ok() ? LoadDone(main) : LoadFailed(path, r);
}

bool OpenBinFile(mdiMain& main)
{
    using namespace modFunc;
    const QString& path = main.cdia.FileName;
    QByteArray tail;
    const QString error = ReadPart(path, FileAddress, FileFormats::BinaryReadLength(FileAddress, BufferAddress), tail);
    if (!error.isEmpty()) {
        Report(LoadErrorTitle, path, error);
        return false;
    }
    const FileFormats::LoadResult r = FileFormats::PlaceBinary(tail, Buffer, FileAddress, BufferAddress);
    return r.ok() ? LoadDone(main) : LoadFailed(path, r);
}

bool SaveHexFile(mdiMain& main) { return Save(main, true); }
bool SaveBinFile(mdiMain& main) { return Save(main, false); }

void FileLoad(mdiMain& main) { RunCommand(main, true); }
void FileSave(mdiMain& main) { RunCommand(main, false); }

}  // namespace FileCommands
