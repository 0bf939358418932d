#include "files/FileCommands.h"

#include "buffer/BufferCommands.h"
#include "buffer/frmBuffer.h"
#include "core/mdiMain.h"
#include "files/FileFormats.h"
#include "files/frmFileLoad.h"
#include "platform/MessageBox.h"

#include <QDir>

namespace FileCommands {

namespace {

const QString LoadErrorTitle = QStringLiteral("File Load Error");
const QString SaveErrorTitle = QStringLiteral("File Save Error");

void Report(const QString& title, const QString& path, const QString& what)
{
    ShowMessage(QDir::toNativeSeparators(path) + QStringLiteral("\n\n") + what, title, MsgIcon::Critical);
}

bool LoadFailed(const QString& path, const FileFormats::LoadResult& r)
{
    // A load that stopped part way keeps the bytes before the stop: an open
    // view must show them, not what it drew before.
    if (frmBuffer* view = BufferCommands::BufferWindow())
        view->UpdateBuffer();
    if (r.checksumError)
        ShowMessage(FileFormats::ChecksumMessage, LoadErrorTitle, MsgIcon::Critical);
    else
        Report(LoadErrorTitle, path, r.error);
    return false;
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

// File > Load's last step in either format.
bool OpenImageFile(mdiMain& main, bool hex)
{
    using namespace modFunc;
    const QString& path = main.cdia.FileName;
    const FileFormats::FileRead file = FileFormats::ReadImageFile(path, hex, FileAddress, BufferAddress);
    switch (file.failure) {
    case FileFormats::FileRead::None: break;
    case FileFormats::FileRead::CannotOpen:
        Report(LoadErrorTitle, path, QStringLiteral("The file cannot be opened: %1.").arg(file.reason));
        return false;
    case FileFormats::FileRead::CannotRead:
        Report(LoadErrorTitle, path, QStringLiteral("The file cannot be read: %1.").arg(file.reason));
        return false;
    case FileFormats::FileRead::TooLarge:
        Report(LoadErrorTitle, path,
               QStringLiteral("The file is larger than %1 MiB, far too large for an Intel HEX file of the Buffer.")
                   .arg(FileFormats::HexFileLimit >> 20));
        return false;
    }
    const FileFormats::LoadResult r = hex ? FileFormats::LoadHex(file.data, Buffer, FileAddress, BufferAddress)
                                          : FileFormats::PlaceBinary(file.data, Buffer, FileAddress, BufferAddress);
    return r.ok() ? LoadDone(main) : LoadFailed(path, r);
}

}  // namespace

bool OpenHexFile(mdiMain& main) { return OpenImageFile(main, true); }
bool OpenBinFile(mdiMain& main) { return OpenImageFile(main, false); }

bool SaveHexFile(mdiMain& main) { return Save(main, true); }
bool SaveBinFile(mdiMain& main) { return Save(main, false); }

void FileLoad(mdiMain& main) { RunCommand(main, true); }
void FileSave(mdiMain& main) { RunCommand(main, false); }

}  // namespace FileCommands
