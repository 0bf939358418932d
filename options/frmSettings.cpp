#include "options/frmSettings.h"

#include "core/modFunc.h"
#include "platform/MessageBox.h"
#include "platform/Twips.h"
#include "platform/WindowFrame.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

namespace {
constexpr int PortCount = 32;
constexpr int OfferRole = Qt::UserRole;
}

std::function<QList<modFunc::PresentPort>()> frmSettings::ListPorts = modFunc::PresentPorts;

frmSettings::frmSettings(QWidget* owner) : QDialog(owner)
{
    setWindowTitle(QStringLiteral("Settings"));
    SetDialogFrame(this);

    Frame1 = new QGroupBox(QStringLiteral("Select Port:"), this);
    cmbCOM = new QComboBox(Frame1);
    cmbCOM->setEditable(true);
    // A typed name never becomes a list entry; OK looks it up instead.
    cmbCOM->setInsertPolicy(QComboBox::NoInsert);
    lblDevice = new QLabel(Frame1);
    lblDevice->setTextInteractionFlags(Qt::TextSelectableByMouse);
    cmdDefault = new QPushButton(QStringLiteral("&Default"), Frame1);
    cmdDefault->setToolTip(QStringLiteral("The chosen COM number opens /dev/ttyS<n-1> again"));
    Frame2 = new QGroupBox(QStringLiteral("Serial Ports on This Machine:"), this);
    lstPorts = new QListWidget(Frame2);
    lblChoose = new QLabel(QStringLiteral("Choosing a port maps it to the COM number above."), Frame2);
    lblNextStart = new QLabel(QStringLiteral("A new port or device takes effect at the next start."), this);
    cmdOk = new QPushButton(QStringLiteral("OK"), this);
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    PlaceTwips(Frame1, 120, 120, 8415, 1215);
    PlaceTwips(cmbCOM, 240, 360, 1335, 315);
    PlaceTwips(cmdDefault, 1695, 345, 1335, 345);
    PlaceTwips(lblDevice, 240, 795, 7935, 255);
    PlaceTwips(Frame2, 120, 1455, 8415, 2655);
    PlaceTwips(lstPorts, 240, 360, 7935, 1815);
    PlaceTwips(lblChoose, 240, 2265, 7935, 255);
    PlaceTwips(lblNextStart, 120, 4230, 8415, 255);
    PlaceTwips(cmdOk, 1200, 4605, 975, 375);
    PlaceTwips(cmdCancel, 120, 4605, 975, 375);
    setFixedSize(TwipsX(this, 8655), TwipsY(this, 5100));
    setTabOrder(cmbCOM, cmdDefault);
    setTabOrder(cmdDefault, lstPorts);
    setTabOrder(lstPorts, cmdCancel);
    setTabOrder(cmdCancel, cmdOk);

    cmdOk->setDefault(true);
    connect(cmdOk, &QPushButton::clicked, this, &frmSettings::cmdOk_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmSettings::cmdCancel_Click);
    connect(cmdDefault, &QPushButton::clicked, this, &frmSettings::cmdDefault_Click);
    connect(cmbCOM, &QComboBox::currentTextChanged, this, &frmSettings::cmbCOM_Change);
    connect(lstPorts, &QListWidget::itemClicked, this, &frmSettings::lstPorts_Choose);
    connect(lstPorts, &QListWidget::itemActivated, this, &frmSettings::lstPorts_Choose);

    Form_Load();
    FitToText(this);
}

void frmSettings::Form_Load()
{
    using namespace modFunc;
    // What the next start will read: ports.cfg as it stands now, or the map
    // read at this start when the file cannot be read.
    QByteArray text;
    bool exists = false;
    if (ReadWholeFile(PortMapFile(), text, &exists, nullptr))
        ParsePortMap(text, map_);
    else
        map_ = exists ? PortPaths : PortMap();
    loaded_ = map_;

    for (int n = 1; n <= PortCount; ++n)
        cmbCOM->addItem(QStringLiteral("COM%1").arg(n));
    ShowPorts(ListPorts ? ListPorts() : QList<PresentPort>());
    // A port outside the list (0, or a hand-edited number) selects nothing.
    const int port = ComPort;
    cmbCOM->setCurrentIndex(port >= 1 && port <= PortCount ? port - 1 : -1);
    cmbCOM_Change();
    cmbCOM->setFocus();
}

void frmSettings::ShowPorts(const QList<modFunc::PresentPort>& ports)
{
    lstPorts->clear();
    for (const modFunc::PresentPort& p : ports) {
        QString text = p.offer;
        if (p.offer != p.device)
            text += QStringLiteral("\n    ") + p.device;
        if (!p.usb.isEmpty())
            text += (p.offer != p.device ? QStringLiteral(", ") : QStringLiteral("\n    ")) + p.usb;
        if (!p.problem.isEmpty())
            text += QStringLiteral("\n    may not open: ") + p.problem;
        auto* item = new QListWidgetItem(text, lstPorts);
        item->setData(OfferRole, p.offer);
    }
    if (ports.isEmpty())
        lstPorts->addItem(QStringLiteral("(no serial port found)"));
}

int frmSettings::ChosenPort() const
{
    // The entry whose name is in the edit field, whether chosen from the list
    // or typed; a name that is none of them is no port.
    return cmbCOM->findText(cmbCOM->currentText().trimmed(), Qt::MatchFixedString) + 1;
}

void frmSettings::cmbCOM_Change()
{
    using namespace modFunc;
    const int n = ChosenPort();
    cmdDefault->setEnabled(n > 0 && map_.contains(n));
    if (n <= 0) {
        lblDevice->clear();
        lblDevice->setToolTip(QString());
        return;
    }
    const ResolvedPort port = ResolvePort(n, map_);
    QString text = QStringLiteral("opens ") + port.path;
    if (port.source == PortSource::Environment)
        text += QStringLiteral(" (%1 is set)").arg(PortVariable(n));
    else if (port.source == PortSource::PortMap)
        text += QStringLiteral(" (%1)").arg(PortMapFileName);
    // A path longer than the line loses its middle on screen; the tool tip
    // holds it whole.
    lblDevice->setText(lblDevice->fontMetrics().elidedText(text, Qt::ElideMiddle, lblDevice->width()));
    lblDevice->setToolTip(text);
}

void frmSettings::lstPorts_Choose(QListWidgetItem* item)
{
    const int n = ChosenPort();
    const QString offer = item ? item->data(OfferRole).toString() : QString();
    if (n <= 0 || !modFunc::PortPathStorable(offer))
        return;
    map_.insert(n, offer);
    cmbCOM_Change();
}

void frmSettings::cmdDefault_Click()
{
    map_.remove(ChosenPort());
    cmbCOM_Change();
    // The button is disabled now, yet it would stay the default button and
    // take the next Enter: OK is the default again, the focus on the port.
    cmdOk->setDefault(true);
    cmbCOM->setFocus();
    cmbCOM->lineEdit()->deselect();  // a selected text would take Enter as a completion
}

void frmSettings::cmdOk_Click()
{
    using namespace modFunc;
    const int port = ChosenPort();
    if (port <= 0) {
        ShowMessage(QStringLiteral("\"%1\" is no port: choose one of COM1 to COM%2.")
                        .arg(cmbCOM->currentText().trimmed())
                        .arg(PortCount),
                    QStringLiteral("Settings"), MsgIcon::Warning);
        cmbCOM->setFocus();
        cmbCOM->lineEdit()->selectAll();
        return;
    }
    ComPort = static_cast<int16_t>(port);
    QString error;
    if (map_ != loaded_ && !SavePortMap(map_, &error))
        ShowMessage(QStringLiteral("The port map could not be saved to %1: %2\n"
                                   "Every port opens the device it opened before.")
                        .arg(PortMapFile(), error),
                    QStringLiteral("Quirra"), MsgIcon::Critical);
    accept();
}

void frmSettings::cmdCancel_Click() { reject(); }
