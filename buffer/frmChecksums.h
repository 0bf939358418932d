// Buffer > Checksums: what identifies the image over the device's range,
// the sum the hex view shows, its CRC-32, SHA-1 and SHA-256, each in a
// read-only field from which it can be selected and copied.
#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

class frmChecksums : public QDialog {
    Q_OBJECT
public:
    explicit frmChecksums(QWidget* owner = nullptr);

    QLabel* lblRange = nullptr;
    QLabel* lblSum = nullptr;
    QLineEdit* txtSum = nullptr;
    QLabel* lblCrc32 = nullptr;
    QLineEdit* txtCrc32 = nullptr;
    QLabel* lblSha1 = nullptr;
    QLineEdit* txtSha1 = nullptr;
    QLabel* lblSha256 = nullptr;
    QLineEdit* txtSha256 = nullptr;
    QPushButton* cmdClose = nullptr;
};
