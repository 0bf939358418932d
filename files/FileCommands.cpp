#include "files/FileCommands.h"

#include "buffer/BufferCommands.h"
#include "buffer/BufferSearch.h"
#include "buffer/frmBuffer.h"
#include "core/mdiMain.h"
#include "files/FileFormats.h"
#include "files/frmFileLoad.h"
#include "buffer/UndoStore.h"
#include "platform/MessageBox.h"

#include <QDir>
#include <algorithm>
#include <memory>

namespace FileCommands {

namespace {

const QString LoadErrorTitle = QStringLiteral("File Load Error");
const QString SaveErrorTitle = QStringLiteral("File Save Error");

void Report(const QString& title, const QString& path, const QString& what)
{
    ShowMessage(QDir::toNativeSeparators(path) + QStringLiteral("\n\n") + what, title, MsgIcon::Critical);
}

bool LoadFailed(const QString& path, const FileFormats::LoadResult& r, const FileFormats::Image& image)
{
    // A load into the Buffer that stopped part way keeps the bytes before the
    // stop: an open view must show them, not what it drew before.
    if (frmBuffer* view = BufferCommands::BufferWindow(); view && &image == &modFunc::Buffer)
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

bool Save(mdiMain& main, FileFormats::ImageFormat format)
{
    using namespace modFunc;
    const QString& path = main.cdia.FileName;
    const DeviceRecord& device = SelectedDevice();
    const QString problem = FileFormats::SaveProblem(device, format);
    if (!problem.isEmpty()) {
        Report(SaveErrorTitle, path, problem);
        return false;
    }
    const QByteArray data = FileFormats::SaveImage(Buffer, device.Size, format);
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
bool AskOptions(mdiMain& main, bool saving = false)
{
    frmFileLoad options(main.cdia.FileName, &main, saving);
    options.exec();
    return !modFunc::FileCancelled;
}

// File > Load's last step in `format`; the change can be undone, even that
// of a load that ended part way.
bool OpenImageFile(mdiMain& main, FileFormats::ImageFormat format)
{
    using namespace modFunc;
    BufferHistory.Begin(Buffer);
    const bool ok = ReadImage(main.cdia.FileName, format, Buffer);
    BufferHistory.Commit(Buffer, UndoStore::Reopen, {QStringLiteral("Load"), main.sbar->Panel(4)});
    return ok && LoadDone(main);
}

// The three steps of File > Load (`load`) or File > Save.
void RunCommand(mdiMain& main, bool load)
{
    const bool chosen = load ? main.cdia.ShowOpen(&main) : main.cdia.ShowSave(&main);
    if (!chosen || !AskOptions(main, !load))
        return;
    if (load)
        OpenImageFile(main, ChosenFormat());
    else
        Save(main, ChosenFormat());
}

}  // namespace

FileFormats::ImageFormat ChosenFormat()
{
    using FileFormats::ImageFormat;
    return modFunc::HexFormat ? ImageFormat::IntelHex : modFunc::SRecFormat ? ImageFormat::SRecord : ImageFormat::Binary;
}

bool ReadImage(const QString& path, FileFormats::ImageFormat format, FileFormats::Image& image, bool* pastEnd)
{
    using namespace modFunc;
    const bool text = format != FileFormats::ImageFormat::Binary;
    const FileFormats::FileRead file = FileFormats::ReadImageFile(path, text, FileAddress, BufferAddress);
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
               QStringLiteral("The file is larger than %1 MiB, far too large for a %2 file of the Buffer.")
                   .arg(FileFormats::HexFileLimit >> 20)
                   .arg(format == FileFormats::ImageFormat::IntelHex ? QStringLiteral("Intel HEX")
                                                                     : QStringLiteral("S-record")));
        return false;
    }
    const FileFormats::LoadResult r = FileFormats::LoadImage(file.data, format, image, FileAddress, BufferAddress);
    if (pastEnd && !r.ok() && r.outsideAt >= 0 && !r.checksumError) {
        *pastEnd = true;
        return true;
    }
    return r.ok() || LoadFailed(path, r, image);
}

bool OpenHexFile(mdiMain& main) { return OpenImageFile(main, FileFormats::ImageFormat::IntelHex); }
bool OpenSRecFile(mdiMain& main) { return OpenImageFile(main, FileFormats::ImageFormat::SRecord); }
bool OpenBinFile(mdiMain& main) { return OpenImageFile(main, FileFormats::ImageFormat::Binary); }

bool SaveHexFile(mdiMain& main) { return Save(main, FileFormats::ImageFormat::IntelHex); }
bool SaveSRecFile(mdiMain& main) { return Save(main, FileFormats::ImageFormat::SRecord); }
bool SaveBinFile(mdiMain& main) { return Save(main, FileFormats::ImageFormat::Binary); }

void CompareWithFile(mdiMain& main)
{
    using namespace modFunc;
    if (!main.cdia.ShowOpen(&main) || !AskOptions(main))
        return;
    // The file twice, over 0xFF and over 0x00: where the two agree, the
    // file has a byte.
    const auto file = std::make_unique<FileFormats::Image>();
    const auto zero = std::make_unique<FileFormats::Image>();
    file->fill(0xFF);
    zero->fill(0x00);
    bool pastBuffer = false;
    if (!ReadImage(main.cdia.FileName, ChosenFormat(), *file, &pastBuffer)
        || !ReadImage(main.cdia.FileName, ChosenFormat(), *zero, &pastBuffer))
        return;
    const int32_t size = std::clamp<int32_t>(SelectedDevice().Size, 0, BufferSize);
    int32_t pastDevice = 0;
    for (int32_t i = size; i < BufferSize; ++i)
        pastDevice += (*file)[size_t(i)] == (*zero)[size_t(i)];
    const QList<BufferSearch::Range> runs = BufferSearch::DiffRanges(Buffer, *file, size);
    BufferCommands::ShowComparison(QStringLiteral("Compare with File"),
                                   CompareSummary(main.cdia.FileName, size, runs, pastDevice, pastBuffer), runs);
}

QString CompareSummary(const QString& path, int32_t size, const QList<BufferSearch::Range>& runs, int32_t pastDevice,
                       bool pastBuffer)
{
    using modFunc::Hex4;
    QStringList lines{QDir::toNativeSeparators(path), BufferSearch::DiffSummary(QStringLiteral("file"), size, runs)};
    if (pastDevice > 0)
        lines << QStringLiteral("The file holds %1 bytes past the device's end, which are not compared.").arg(pastDevice);
    if (pastBuffer)
        lines << QStringLiteral("The file reaches past the end of the Buffer (%1); it was compared over the part "
                                "that fits.")
                     .arg(Hex4(modFunc::BufferLast));
    return lines.join(QLatin1Char('\n'));
}

void FileLoad(mdiMain& main) { RunCommand(main, true); }
void FileSave(mdiMain& main) { RunCommand(main, false); }

}  // namespace FileCommands
