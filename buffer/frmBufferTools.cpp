#include "buffer/frmBufferTools.h"

#include "buffer/BufferCommands.h"
#include "buffer/BufferSearch.h"
#include "platform/Twips.h"

#include <QDir>
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

QLabel* MessageLine(QDialog* w, int width)
{
    auto* l = new QLabel(w);
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
    txtAddress->setFocus();
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
    lblMessage->setText(problem);
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
    txtFind->setFocus();
}

void frmFind::cmdFind_Click() { lblMessage->setText(BufferCommands::FindText(txtFind->text())); }

frmCompare::frmCompare(const QString& fileName, const QString& summary, const QStringList& ranges,
                       const QList<int32_t>& starts, QWidget* owner)
    : QDialog(owner), starts_(starts)
{
    setWindowTitle(QStringLiteral("Compare: ") + QDir::toNativeSeparators(fileName));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    lblSummary = new QLabel(summary, this);
    lblSummary->setWordWrap(true);
    PlaceTwips(lblSummary, 120, 120, 4695, 555);
    lstRanges = new QListWidget(this);
    lstRanges->addItems(ranges);
    PlaceTwips(lstRanges, 120, 720, 4695, 2415);
    cmdClose = new QPushButton(QStringLiteral("Close"), this);
    PlaceTwips(cmdClose, 3600, 3240, 1215, 375);
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::close);
    connect(lstRanges, &QListWidget::itemDoubleClicked, this, &frmCompare::lstRanges_DblClick);
    setFixedSize(TwipsX(this, 4935), TwipsY(this, 3735));
    lstRanges->setCurrentRow(0);
}

void frmCompare::lstRanges_DblClick()
{
    const int row = lstRanges->currentRow();
    if (row >= 0 && row < starts_.size())
        BufferCommands::GoToAddress(starts_[row]);
}
