#include "options/frmSettings.h"

#include "core/modFunc.h"
#include "platform/Twips.h"

#include <QComboBox>
#include <QGroupBox>
#include <QPushButton>

namespace {
constexpr int PortCount = 32;
}

frmSettings::frmSettings(QWidget* owner) : QDialog(owner)
{
    setWindowTitle(QStringLiteral("Settings"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    Frame1 = new QGroupBox(QStringLiteral("Select Port:"), this);
    cmbCOM = new QComboBox(Frame1);
    cmbCOM->setEditable(true);
    // A typed name never becomes a list entry; OK looks it up instead.
    cmbCOM->setInsertPolicy(QComboBox::NoInsert);
    cmdOk = new QPushButton(QStringLiteral("OK"), this);
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    PlaceTwips(Frame1, 120, 120, 2055, 855);
    PlaceTwips(cmbCOM, 360, 360, 1335, 315);
    PlaceTwips(cmdOk, 1200, 1080, 975, 375);
    PlaceTwips(cmdCancel, 120, 1080, 975, 375);
    setFixedSize(TwipsX(this, 2535), TwipsY(this, 1605));

    cmdOk->setDefault(true);
    connect(cmdOk, &QPushButton::clicked, this, &frmSettings::cmdOk_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmSettings::cmdCancel_Click);

    Form_Load();
}

void frmSettings::Form_Load()
{
    for (int n = 1; n <= PortCount; ++n)
        cmbCOM->addItem(QStringLiteral("COM%1").arg(n));
    // A port outside the list (0, or a hand-edited number) selects nothing.
    const int port = modFunc::ComPort;
    cmbCOM->setCurrentIndex(port >= 1 && port <= PortCount ? port - 1 : -1);
    cmbCOM->setFocus();
}

void frmSettings::cmdOk_Click()
{
    // The entry whose name is in the edit field, whether chosen from the list
    // or typed; a name that is none of them stores 0.
    const int position = cmbCOM->findText(cmbCOM->currentText().trimmed(), Qt::MatchFixedString);
    modFunc::ComPort = static_cast<int16_t>(position + 1);
    accept();
}

void frmSettings::cmdCancel_Click() { reject(); }
