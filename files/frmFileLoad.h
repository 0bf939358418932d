// The options window of File > Load and File > Save: the file type and the
// two load offsets, handed back through HexFormat, BufferAddress,
// FileAddress and FileCancelled. Any way of leaving it other than OK counts
// as Cancel.
#pragma once

#include <QDialog>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

class frmFileLoad : public QDialog {
    Q_OBJECT
public:
    // `fileName` is the name the file dialog returned; the content of an
    // existing file, else the name's ending, chooses the preselected type.
    // For a save (`saving`) the load offsets, which a save does not use, are
    // not shown and stay at 0.
    explicit frmFileLoad(const QString& fileName, QWidget* owner = nullptr, bool saving = false);

    QGroupBox* Frame1 = nullptr;
    QRadioButton* Option1 = nullptr;
    QRadioButton* Option2 = nullptr;
    QRadioButton* Option3 = nullptr;
    QGroupBox* Frame2 = nullptr;
    QLabel* Label1 = nullptr;
    QLineEdit* txtBuffer = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* txtFile = nullptr;
    QPushButton* cmdCancel = nullptr;
    QPushButton* cmdOk = nullptr;

    void Form_Load(const QString& fileName);
    void cmdOk_Click();
    void cmdCancel_Click();
};
