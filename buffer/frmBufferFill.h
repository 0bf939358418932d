// The Fill window: asks for a byte value, a start index and a length, all
// hexadecimal, and hands them to the Fill command through FillOk,
// FillValue, FillStart and FillLength.
#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

class frmBufferFill : public QDialog {
    Q_OBJECT
public:
    explicit frmBufferFill(QWidget* owner = nullptr);

    QLabel* lblFillWith = nullptr;
    QLabel* lblStart = nullptr;
    QLabel* lblLength = nullptr;
    QLineEdit* txtFillWith = nullptr;
    QLineEdit* txtStart = nullptr;
    QLineEdit* txtLength = nullptr;
    QLabel* lblFillWithH = nullptr;
    QLabel* lblStartH = nullptr;
    QLabel* lblLengthH = nullptr;
    QPushButton* cmdOk = nullptr;
    QPushButton* cmdCancel = nullptr;

    void Form_Load();
    void cmdOk_Click();
    void cmdCancel_Click();

private:
    // Shows which field is wrong and puts the focus in it.
    void RefuseField(QLineEdit* field, const QString& name);
};
