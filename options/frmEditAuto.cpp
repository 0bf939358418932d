#include "options/frmEditAuto.h"

#include "core/modFunc.h"
#include "options/AutoFile.h"
#include "platform/ListBox.h"
#include "platform/MessageBox.h"
#include "platform/Twips.h"
#include "platform/WindowFrame.h"

#include <QListWidget>
#include <QPushButton>
#include <algorithm>

frmEditAuto::frmEditAuto(QWidget* owner) : QDialog(owner)
{
    setWindowTitle(QStringLiteral("Edit Auto"));
    SetDialogFrame(this);

    // Created in the tab order, lstIn first.
    lstIn = new QListWidget(this);
    cmdMoveRight = new QPushButton(QStringLiteral(">"), this);
    cmdMoveLeft = new QPushButton(QStringLiteral("<"), this);
    cmdMoveLeftAll = new QPushButton(QStringLiteral("<<"), this);
    lstOut = new QListWidget(this);
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdOk = new QPushButton(QStringLiteral("OK"), this);
    for (QListWidget* list : {lstIn, lstOut})
        list->setSelectionMode(QAbstractItemView::SingleSelection);
    PlaceTwips(lstIn, 120, 120, 1695, 1425);
    PlaceTwips(lstOut, 2760, 120, 1695, 1425);
    PlaceTwips(cmdMoveRight, 2040, 240, 495, 255);
    PlaceTwips(cmdMoveLeft, 2040, 600, 495, 255);
    PlaceTwips(cmdMoveLeftAll, 2040, 960, 495, 255);
    PlaceTwips(cmdOk, 3120, 1680, 975, 375);
    PlaceTwips(cmdCancel, 600, 1680, 975, 375);
    setFixedSize(TwipsX(this, 4665), TwipsY(this, 2175));

    cmdOk->setDefault(true);
    connect(lstIn, &QListWidget::itemSelectionChanged, this, &frmEditAuto::KeepInSelection);
    connect(cmdMoveRight, &QPushButton::clicked, this, &frmEditAuto::cmdMoveRight_Click);
    connect(cmdMoveLeft, &QPushButton::clicked, this, &frmEditAuto::cmdMoveLeft_Click);
    connect(cmdMoveLeftAll, &QPushButton::clicked, this, &frmEditAuto::cmdMoveLeftAll_Click);
    connect(cmdOk, &QPushButton::clicked, this, &frmEditAuto::cmdOk_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmEditAuto::cmdCancel_Click);

    Form_Load();
    FitToText(this);
}

void frmEditAuto::Form_Load()
{
    using namespace modFunc;
    // Read is not offered; a Read step comes only from the file.
    for (int code : {Step::Erase, Step::Blank, Step::Program, Step::Verify, Step::Lock})
        lstIn->addItem(AutoLabel(code));
    lstIn->setCurrentRow(0);
    const int count = std::clamp<int>(AutoCount, 0, MaxAutoSteps);
    for (int i = 1; i <= count; ++i) {
        const QString label = AutoLabel(AutoList[i]);
        if (!label.isEmpty())
            lstOut->addItem(label);
    }
    EnableButtons();
    lstIn->setFocus();
}

void frmEditAuto::EnableButtons()
{
    const int steps = lstOut->count();
    cmdMoveRight->setEnabled(steps < modFunc::MaxAutoSteps);
    cmdMoveLeft->setEnabled(steps > 0);
    cmdMoveLeftAll->setEnabled(steps > 0);
}

void frmEditAuto::KeepInSelection()
{
    if (SelectedRow(lstIn) < 0 && lstIn->currentRow() >= 0)
        lstIn->setCurrentRow(lstIn->currentRow());
}

void frmEditAuto::cmdMoveRight_Click()
{
    const int row = SelectedRow(lstIn);
    if (row < 0 || lstOut->count() >= modFunc::MaxAutoSteps)
        return;
    lstOut->addItem(lstIn->item(row)->text());
    EnableButtons();
}

void frmEditAuto::cmdMoveLeft_Click()
{
    const int row = SelectedRow(lstOut);
    if (row >= 0)
        delete lstOut->takeItem(row);
    lstOut->clearSelection();
    EnableButtons();
}

void frmEditAuto::cmdMoveLeftAll_Click()
{
    lstOut->clear();
    EnableButtons();
}

void frmEditAuto::cmdOk_Click()
{
    using namespace modFunc;
    const int count = std::min(lstOut->count(), int(MaxAutoSteps));
    AutoCount = static_cast<int16_t>(count);
    for (int i = 1; i <= count; ++i)
        AutoList[i] = static_cast<int16_t>(AutoCodeOf(lstOut->item(i - 1)->text()));
    QString error;
    if (!SaveAuto(&error))
        ShowMessage(QStringLiteral("The Auto sequence could not be saved to %1: %2\n"
                                   "The new sequence is used until Quirra ends; the file was not changed.")
                        .arg(AppFile(AutoFileName), error),
                    QStringLiteral("Quirra"), MsgIcon::Critical);
    accept();
}

void frmEditAuto::cmdCancel_Click() { reject(); }
