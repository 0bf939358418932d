#include "files/frmFileLoad.h"

#include "files/FileFormats.h"
#include "platform/MessageBox.h"
#include "platform/Twips.h"
#include "platform/WindowFrame.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

frmFileLoad::frmFileLoad(const QString& fileName, QWidget* owner, bool saving) : QDialog(owner)
{
    setWindowTitle(QString());
    SetDialogFrame(this);

    // Created in the focus order: the two types, the offsets, Cancel, OK.
    Frame1 = new QGroupBox(QStringLiteral("File Type:"), this);
    PlaceTwips(Frame1, 120, 120, 2175, 1635);
    Option1 = new QRadioButton(QStringLiteral("Intel Hex"), Frame1);
    PlaceTwips(Option1, 180, 360, 1515, 300);
    Option2 = new QRadioButton(QStringLiteral("Binary"), Frame1);
    PlaceTwips(Option2, 180, 780, 1515, 300);
    Option3 = new QRadioButton(QStringLiteral("Motorola S-Record"), Frame1);
    PlaceTwips(Option3, 180, 1200, 1935, 300);

    Frame2 = new QGroupBox(QStringLiteral("Load Offset:"), this);
    PlaceTwips(Frame2, 2415, 120, 3735, 1215);
    auto row = [this](const char* caption, int top, QLabel*& label, QLineEdit*& field) {
        field = new QLineEdit(QStringLiteral("0"), Frame2);
        PlaceTwips(field, 2520, top, 1095, 300);
        label = new QLabel(QString::fromLatin1(caption), Frame2);
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        label->setBuddy(field);
        PlaceTwips(label, 120, top, 2310, 300);
    };
    row("Buffer Address (HEX):", 360, Label1, txtBuffer);
    row("File Address (HEX):", 780, Label2, txtFile);

    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    PlaceTwips(cmdCancel, 3375, 1920, 1215, 375);
    cmdOk = new QPushButton(QStringLiteral("OK"), this);
    PlaceTwips(cmdOk, 4935, 1920, 1215, 375);
    setTabOrder(Option1, Option2);
    setTabOrder(Option2, Option3);
    setTabOrder(Option3, txtBuffer);
    setTabOrder(txtBuffer, txtFile);
    setTabOrder(txtFile, cmdCancel);
    setTabOrder(cmdCancel, cmdOk);

    cmdOk->setDefault(true);
    connect(cmdOk, &QPushButton::clicked, this, &frmFileLoad::cmdOk_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmFileLoad::cmdCancel_Click);
    setFixedSize(TwipsX(this, 6270), TwipsY(this, 2415));
    if (saving) {
        // The file type only: the buttons under it, the window as narrow.
        Frame2->hide();
        Frame1->resize(TwipsX(this, 2760), Frame1->height());
        PlaceTwips(cmdCancel, 120, 1920, 1215, 375);
        PlaceTwips(cmdOk, 1665, 1920, 1215, 375);
        setFixedSize(TwipsX(this, 3000), TwipsY(this, 2415));
    }

    Form_Load(fileName);
    FitToText(this);
}

void frmFileLoad::Form_Load(const QString& fileName)
{
    // Until OK is pressed the window counts as cancelled: Escape and the
    // close box leave it that way.
    modFunc::FileCancelled = true;
    // A file whose content is Intel HEX or S-records is taken as such,
    // whatever its name; otherwise the name's ending decides.
    using FileFormats::ImageFormat;
    ImageFormat format = FileFormats::FormatOfFile(fileName);
    if (format == ImageFormat::Binary && FileFormats::NameSaysHex(fileName))
        format = ImageFormat::IntelHex;
    else if (format == ImageFormat::Binary && FileFormats::NameSaysSRecords(fileName))
        format = ImageFormat::SRecord;
    QRadioButton* chosen = format == ImageFormat::IntelHex ? Option1 : format == ImageFormat::SRecord ? Option3 : Option2;
    chosen->setChecked(true);
    chosen->setFocus();
}

void frmFileLoad::cmdOk_Click()
{
    using namespace modFunc;
    std::optional<uint32_t> offsets[2];
    QLineEdit* fields[2] = {txtBuffer, txtFile};
    QLabel* labels[2] = {Label1, Label2};
    for (int k = 0; k < 2; ++k) {
        offsets[k] = FileFormats::ReadHexOffset(fields[k]->text());
        if (!offsets[k]) {
            ShowMessage(QStringLiteral("%1 \"%2\" has more hexadecimal digits than fit in 32 bits; "
                                       "the largest offset is FFFFFFFF.")
                            .arg(labels[k]->text(), fields[k]->text()),
                        QStringLiteral("Quirra"), MsgIcon::Warning);
            fields[k]->setFocus();
            fields[k]->selectAll();
            return;
        }
    }
    HexFormat = Option1->isChecked();
    SRecFormat = Option3->isChecked();
    BufferAddress = *offsets[0];
    FileAddress = *offsets[1];
    FileCancelled = false;
    accept();
}

void frmFileLoad::cmdCancel_Click()
{
    modFunc::FileCancelled = true;
    reject();
}
