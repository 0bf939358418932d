#include "devices/frmSelectDevice.h"

#include "core/modFunc.h"
#include "platform/ListBox.h"
#include "platform/Twips.h"
#include "platform/WindowFrame.h"

#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <algorithm>

int ChipGroup(int typeCode)
{
    if (typeCode == 1)
        return 2;
    if (typeCode >= 10)
        return 3;
    return 1;
}

SocketPicture::SocketPicture(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    shp1 = {Shape{{2760, 240, 375, 1695}}, Shape{{2880, 1800, 135, 135}}};
    shp2 = {Shape{{3480, 960, 375, 975}}, Shape{{3600, 1800, 135, 135}}};
    shp3 = {Shape{{3480, 600, 375, 375}}, Shape{{3600, 840, 135, 135}}};
}

void SocketPicture::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    // An outline of width w and height h covers w by h pixels, as the
    // rectangle's twips say.
    auto outline = [&](const QRect& twips) {
        p.drawRect(TwipsRect(this, twips.x(), twips.y(), twips.width(), twips.height()).adjusted(0, 0, -1, -1));
    };
    auto line = [&](int x, int y1, int y2) {
        p.drawLine(TwipsX(this, x), TwipsY(this, y1), TwipsX(this, x), TwipsY(this, y2));
    };
    p.setPen(QPen(palette().color(QPalette::WindowText), 0));
    outline({2640, 120, 615, 1935});  // Shape1, the first socket
    outline({3360, 480, 615, 1575});  // Shape2, the second socket
    line(3240, 2040, 2160);           // Line1
    line(3960, 2040, 2160);           // Line2
    p.setPen(QPen(QColor(0, 0, 255), 0));
    for (const auto* group : {&shp1, &shp2, &shp3})
        for (const Shape& s : *group)
            if (s.Visible)
                outline(s.Twips);
}

frmSelectDevice::frmSelectDevice(QWidget* owner) : QDialog(owner)
{
    setWindowTitle(QStringLiteral("Select Device"));
    SetDialogFrame(this);

    picture = new SocketPicture(this);
    listDevice = new QListWidget(this);
    listDevice->setSelectionMode(QAbstractItemView::SingleSelection);
    cmdOk = new QPushButton(QStringLiteral("OK"), this);
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    PlaceTwips(listDevice, 240, 120, 2055, 2595);
    PlaceTwips(cmdOk, 2520, 2400, 735, 375);
    PlaceTwips(cmdCancel, 3360, 2400, 735, 375);
    setFixedSize(TwipsX(this, 4215), TwipsY(this, 2895));
    picture->setGeometry(rect());
    picture->lower();

    cmdOk->setDefault(true);
    connect(listDevice, &QListWidget::itemSelectionChanged, this, &frmSelectDevice::listDevice_Click);
    connect(listDevice, &QListWidget::itemDoubleClicked, this, &frmSelectDevice::listDevice_DblClick);
    connect(cmdOk, &QPushButton::clicked, this, &frmSelectDevice::cmdOk_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmSelectDevice::cmdCancel_Click);

    Form_Load();
    FitToText(this);
}

void frmSelectDevice::ShowChipPlacement(int typeCode)
{
    const int group = ChipGroup(typeCode);
    for (SocketPicture::Shape& s : picture->shp1)
        s.Visible = group == 1;
    for (SocketPicture::Shape& s : picture->shp2)
        s.Visible = group == 2;
    for (SocketPicture::Shape& s : picture->shp3)
        s.Visible = group == 3;
    picture->update();
}

void frmSelectDevice::Form_Load()
{
    using namespace modFunc;
    const int count = std::clamp<int>(DeviceCount, 0, MaxDeviceCount);
    for (int i = 1; i <= count; ++i)
        listDevice->addItem(DeviceTable[i].Name);
    // An index the catalogue does not hold (a configuration written for
    // another catalogue) selects nothing.
    if (DeviceIndex >= 1 && DeviceIndex <= count)
        listDevice->setCurrentRow(DeviceIndex - 1);
    listDevice_Click();
    listDevice->setFocus();
}

void frmSelectDevice::listDevice_Click()
{
    ShowChipPlacement(modFunc::DeviceTable[SelectedRow(listDevice) + 1].TypeCode);
}

void frmSelectDevice::listDevice_DblClick() { cmdOk_Click(); }

void frmSelectDevice::cmdOk_Click()
{
    modFunc::DeviceIndex = static_cast<int16_t>(SelectedRow(listDevice) + 1);
    accept();
}

void frmSelectDevice::cmdCancel_Click() { reject(); }
