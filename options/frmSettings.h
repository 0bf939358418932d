// The Settings window: chooses the serial port, COM1 to COM32, for the next
// start, and which device each COM number opens. OK stores ComPort and
// writes a changed port map to ports.cfg; the open port and the status bar
// stay as they are until the next start.
#pragma once

#include "core/PortMap.h"

#include <QDialog>
#include <functional>

class QComboBox;
class QGroupBox;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QPushButton;

class frmSettings : public QDialog {
    Q_OBJECT
public:
    explicit frmSettings(QWidget* owner = nullptr);

    QGroupBox* Frame1 = nullptr;
    QComboBox* cmbCOM = nullptr;
    QLabel* lblDevice = nullptr;       // the device the chosen COM number opens (whole in its tool tip)
    QPushButton* cmdDefault = nullptr; // back to /dev/ttyS<n-1>
    QGroupBox* Frame2 = nullptr;
    QListWidget* lstPorts = nullptr;   // the serial ports present
    QLabel* lblChoose = nullptr;
    QLabel* lblNextStart = nullptr;
    QPushButton* cmdOk = nullptr;
    QPushButton* cmdCancel = nullptr;

    // Where the window finds the ports present; tests put their own here.
    static std::function<QList<modFunc::PresentPort>()> ListPorts;
    // The map as it stands in the window.
    const modFunc::PortMap& Map() const { return map_; }

    void Form_Load();
    void ShowPorts(const QList<modFunc::PresentPort>& ports);
    void cmbCOM_Change();
    void lstPorts_Choose(QListWidgetItem* item);
    void cmdDefault_Click();
    void cmdOk_Click();
    void cmdCancel_Click();

private:
    // The COM number chosen in the list, 0 for none.
    int ChosenPort() const;

    modFunc::PortMap map_;
    modFunc::PortMap loaded_;
};
