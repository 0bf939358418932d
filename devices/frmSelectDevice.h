// The device selection window: the catalogue names, and a picture of the
// programmer's two sockets with the chip drawn where the highlighted device
// goes. OK (or a double-click) makes the highlighted device DeviceIndex; the
// Device > Select command then writes the status bar and closes the hex view.
#pragma once

#include <QDialog>
#include <QRect>
#include <array>
#include <cstdint>

class QListWidget;
class QPushButton;

// The chip group a type code puts into the sockets: 1 the long chip in the
// first socket, 2 the chip in the lower part of the second socket, 3 the
// small chip at the top of the second socket.
int ChipGroup(int typeCode);

// The two sockets with their corner marks and the three chip groups, painted
// from their twips; the chips in pure blue, the rest in the text colour.
class SocketPicture : public QWidget {
    Q_OBJECT
public:
    explicit SocketPicture(QWidget* parent);

    struct Shape {
        QRect Twips;  // left, top, width, height
        bool Visible = false;
    };
    // Element 0 the chip body, element 1 the notch mark at its lower end.
    std::array<Shape, 2> shp1, shp2, shp3;

protected:
    void paintEvent(QPaintEvent* event) override;
};

class frmSelectDevice : public QDialog {
    Q_OBJECT
public:
    explicit frmSelectDevice(QWidget* owner = nullptr);

    QListWidget* listDevice = nullptr;
    QPushButton* cmdOk = nullptr;
    QPushButton* cmdCancel = nullptr;
    SocketPicture* picture = nullptr;

    // Shows the one chip group that the type code calls for.
    void ShowChipPlacement(int typeCode);

    void Form_Load();
    void listDevice_Click();
    void listDevice_DblClick();
    void cmdOk_Click();
    void cmdCancel_Click();
};
