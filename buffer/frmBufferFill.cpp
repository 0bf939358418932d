#include "buffer/frmBufferFill.h"

#include "buffer/FillRoutines.h"
#include "platform/MessageBox.h"
#include "platform/Twips.h"
#include "platform/WindowFrame.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

frmBufferFill::frmBufferFill(QWidget* owner) : QDialog(owner)
{
    setWindowTitle(QStringLiteral("Buffer Fill"));
    SetDialogFrame(this);

    // The focus starts in the first field, so that typing fills it in and
    // Enter means OK; the tab order is Fill with, Start, Length, OK, Cancel.
    auto row = [this](const char* caption, int top, int maxLength, QLabel*& label, QLineEdit*& field, QLabel*& h) {
        field = new QLineEdit(this);
        field->setMaxLength(maxLength);
        PlaceTwips(field, 1320, top, 615, 285);
        label = new QLabel(QString::fromLatin1(caption), this);
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        label->setBuddy(field);
        PlaceTwips(label, 240, top, 735, 285);
        h = new QLabel(QStringLiteral("H"), this);
        h->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        PlaceTwips(h, 2040, top, 255, 285);
    };
    row("Fill with:", 120, 2, lblFillWith, txtFillWith, lblFillWithH);
    row("Start:", 480, 4, lblStart, txtStart, lblStartH);
    row("Length:", 840, 4, lblLength, txtLength, lblLengthH);
    cmdOk = new QPushButton(QStringLiteral("OK"), this);
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    PlaceTwips(cmdCancel, 360, 1200, 1095, 375);
    PlaceTwips(cmdOk, 1680, 1200, 1095, 375);
    setTabOrder(txtFillWith, txtStart);
    setTabOrder(txtStart, txtLength);
    setTabOrder(txtLength, cmdOk);
    setTabOrder(cmdOk, cmdCancel);

    cmdOk->setDefault(true);
    connect(cmdOk, &QPushButton::clicked, this, &frmBufferFill::cmdOk_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmBufferFill::cmdCancel_Click);
    setFixedSize(TwipsX(this, 3195), TwipsY(this, 1695));

    Form_Load();
    FitToText(this);
}

void frmBufferFill::Form_Load()
{
    modFunc::FillOk = false;
    modFunc::FillValue = 0xFF;
    txtFillWith->setText(QStringLiteral("FF"));
    txtStart->setText(QStringLiteral("0000"));
    txtLength->setText(QStringLiteral("1"));
    txtFillWith->setFocus();
    txtFillWith->selectAll();
}

void frmBufferFill::RefuseField(QLineEdit* field, const QString& name)
{
    ShowMessage(QStringLiteral("%1 must be a hexadecimal number from 0 to FFFF.").arg(name),
                QStringLiteral("Buffer Fill"), MsgIcon::Warning);
    field->setFocus();
    field->selectAll();
}

void frmBufferFill::cmdOk_Click()
{
    using namespace modFunc;
    const std::optional<int32_t> start = FillRoutines::StrictHex4(txtStart->text());
    if (!start) {
        RefuseField(txtStart, QStringLiteral("Start"));
        return;
    }
    const std::optional<int32_t> length = FillRoutines::StrictHex4(txtLength->text());
    if (!length) {
        RefuseField(txtLength, QStringLiteral("Length"));
        return;
    }
    const QString with = txtFillWith->text();
    if (!with.isEmpty())
        FillValue = uint8_t(FillRoutines::LenientHex(with.left(2)));
    FillStart = *start;
    FillLength = *length;
    FillOk = true;
    accept();
}

void frmBufferFill::cmdCancel_Click() { reject(); }
