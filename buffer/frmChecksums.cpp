#include "buffer/frmChecksums.h"

#include "core/ImageHash.h"
#include "core/modFunc.h"
#include "platform/Twips.h"
#include "platform/WindowFrame.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>

frmChecksums::frmChecksums(QWidget* owner) : QDialog(owner)
{
    using namespace modFunc;
    setWindowTitle(QStringLiteral("Checksums"));
    SetDialogFrame(this);
    const DeviceRecord& device = SelectedDevice();
    const int32_t size = std::clamp<int32_t>(device.Size, 0, BufferSize);
    const ImageHash::Digests d = ImageHash::Over(Buffer, 0, size);

    lblRange = new QLabel(size > 0 ? QStringLiteral("%1, 0000-%2 (%3 bytes)").arg(device.Name, Hex4(size - 1)).arg(size)
                                   : QStringLiteral("No device selected: no bytes"),
                          this);
    PlaceTwips(lblRange, 120, 120, 5400, 255);
    int top = 480;
    auto field = [&](const char* caption, const QString& value, QLabel*& label, QLineEdit*& edit) {
        label = new QLabel(QString::fromLatin1(caption), this);
        PlaceTwips(label, 120, top, 975, 285);
        edit = new QLineEdit(value, this);
        edit->setReadOnly(true);
        PlaceTwips(edit, 1200, top, 4320, 285);
        label->setBuddy(edit);
        top += 360;
    };
    field("S&um:", d.checksum, lblSum, txtSum);
    field("&CRC-32:", d.crc32, lblCrc32, txtCrc32);
    field("SHA-&1:", d.sha1, lblSha1, txtSha1);
    field("SHA-&256:", d.sha256, lblSha256, txtSha256);
    cmdClose = new QPushButton(QStringLiteral("Close"), this);
    PlaceTwips(cmdClose, 4305, top + 120, 1215, 375);
    cmdClose->setDefault(true);
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::accept);
    setFixedSize(TwipsX(this, 5640), TwipsY(this, top + 615));
    FitToText(this);
}
