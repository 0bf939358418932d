#include "buffer/frmBufferTools.h"

#include "buffer/BufferCommands.h"
#include "buffer/BufferSearch.h"
#include "platform/Twips.h"
#include "platform/WindowFrame.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

namespace {
// A field with its caption on the left, as the other windows place them.
QLineEdit* Field(QDialog* w, const char* caption, QLabel*& label, int fieldLeft, int fieldWidth)
{
    label = new QLabel(QString::fromLatin1(caption), w);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    PlaceTwips(label, 120, 120, fieldLeft - 240, 285);
    auto* field = new QLineEdit(w);
    PlaceTwips(field, fieldLeft, 120, fieldWidth, 285);
    label->setBuddy(field);
    return field;
}

// A message under the field, wrapped and as tall as it needs.
QLabel* MessageLine(QDialog* w, int width)
{
    auto* l = new QLabel(w);
    l->setWordWrap(true);
    l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    PlaceTwips(l, 120, 480, width, 285);
    return l;
}
}  // namespace

frmGoTo::frmGoTo(QWidget* owner) : QDialog(owner)
{
    setWindowTitle(QStringLiteral("Go To"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    txtAddress = Field(this, "&Address:", lblAddress, 1200, 1095);
    txtAddress->setMaxLength(8);
    lblAddressH = new QLabel(QStringLiteral("H"), this);
    PlaceTwips(lblAddressH, 2400, 120, 255, 285);
    lblMessage = MessageLine(this, 4335);
    cmdOk = new QPushButton(QStringLiteral("OK"), this);
    PlaceTwips(cmdOk, 1800, 900, 1215, 375);
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    PlaceTwips(cmdCancel, 3240, 900, 1215, 375);
    cmdOk->setDefault(true);
    connect(cmdOk, &QPushButton::clicked, this, &frmGoTo::cmdOk_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    setFixedSize(TwipsX(this, 4575), TwipsY(this, 1395));
    FitToText(this);
    txtAddress->setFocus();
}

void frmGoTo::ShowMessage(const QString& text)
{
    lblMessage->setText(text);
    FitLabelHeight(lblMessage);
}

void frmGoTo::cmdOk_Click()
{
    const std::optional<int32_t> address = BufferSearch::ParseAddress(txtAddress->text());
    const QString problem = address ? BufferCommands::GoToAddress(*address)
                                    : QStringLiteral("Type the address in hexadecimal, as 1F40.");
    if (problem.isEmpty()) {
        accept();
        return;
    }
    ShowMessage(problem);
    txtAddress->setFocus();
    txtAddress->selectAll();
}

frmFind::frmFind(QWidget* owner) : QDialog(owner)
{
    setWindowTitle(QStringLiteral("Find"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    txtFind = Field(this, "F&ind:", lblFind, 840, 3975);
    txtFind->setToolTip(QStringLiteral("Bytes in hexadecimal, as DE AD BE EF, or a text in double quotes"));
    lblMessage = MessageLine(this, 4695);
    cmdFind = new QPushButton(QStringLiteral("&Find Next"), this);
    PlaceTwips(cmdFind, 2160, 900, 1215, 375);
    cmdClose = new QPushButton(QStringLiteral("Close"), this);
    PlaceTwips(cmdClose, 3600, 900, 1215, 375);
    cmdFind->setDefault(true);
    connect(cmdFind, &QPushButton::clicked, this, &frmFind::cmdFind_Click);
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::close);
    connect(txtFind, &QLineEdit::textEdited, lblMessage, &QLabel::clear);
    setFixedSize(TwipsX(this, 4935), TwipsY(this, 1395));
    FitToText(this);
    txtFind->setFocus();
}

void frmFind::ShowMessage(const QString& text)
{
    lblMessage->setText(text);
    FitLabelHeight(lblMessage);
}

void frmFind::cmdFind_Click() { ShowMessage(BufferCommands::FindText(txtFind->text())); }

frmCompare::frmCompare(const QString& title, const QString& summary, const QList<BufferSearch::Range>& ranges,
                       QWidget* owner)
    : QDialog(owner), ranges_(ranges)
{
    setWindowTitle(title);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    lblSummary = new QLabel(summary, this);
    lblSummary->setWordWrap(true);
    lblSummary->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    PlaceTwips(lblSummary, 120, 120, 4695, 555);
    lstRanges = new QListWidget(this);
    for (const BufferSearch::Range& r : ranges)
        lstRanges->addItem(BufferSearch::RangeText(r));
    PlaceTwips(lstRanges, 120, 720, 4695, 2415);
    cmdClose = new QPushButton(QStringLiteral("Close"), this);
    PlaceTwips(cmdClose, 3600, 3240, 1215, 375);
    // Enter belongs to the list: it shows the range, it does not close.
    cmdClose->setAutoDefault(false);
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::close);
    connect(lstRanges, &QListWidget::itemActivated, this, &frmCompare::lstRanges_Activate);
    setFixedSize(TwipsX(this, 4935), TwipsY(this, 3735));
    FitToText(this);
    FitLabelHeight(lblSummary);
    lstRanges->setCurrentRow(0);
    lstRanges->setFocus();
}

void frmCompare::lstRanges_Activate()
{
    const int row = lstRanges->currentRow();
    if (row >= 0 && row < ranges_.size())
        BufferCommands::GoToAddress(ranges_[row].first);
}
