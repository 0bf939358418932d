// The Settings window: chooses the serial port, COM1 to COM32, for the next
// start. OK stores ComPort only; the open port and the status bar stay.
#pragma once

#include <QDialog>

class QComboBox;
class QGroupBox;
class QPushButton;

class frmSettings : public QDialog {
    Q_OBJECT
public:
    explicit frmSettings(QWidget* owner = nullptr);

    QGroupBox* Frame1 = nullptr;
    QComboBox* cmbCOM = nullptr;
    QPushButton* cmdOk = nullptr;
    QPushButton* cmdCancel = nullptr;

    void Form_Load();
    void cmdOk_Click();
    void cmdCancel_Click();
};
