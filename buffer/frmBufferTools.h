// The hex view's tool windows: Go To (modal), Find and the list of a
// comparison with a file (both beside the view). Each only reads its
// controls and hands the work to BufferCommands.
#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

class frmGoTo : public QDialog {
    Q_OBJECT
public:
    explicit frmGoTo(QWidget* owner = nullptr);

    QLabel* lblAddress = nullptr;
    QLineEdit* txtAddress = nullptr;
    QLabel* lblAddressH = nullptr;
    QLabel* lblMessage = nullptr;
    QPushButton* cmdOk = nullptr;
    QPushButton* cmdCancel = nullptr;

    void cmdOk_Click();
};

class frmFind : public QDialog {
    Q_OBJECT
public:
    explicit frmFind(QWidget* owner = nullptr);

    QLabel* lblFind = nullptr;
    QLineEdit* txtFind = nullptr;
    QLabel* lblMessage = nullptr;
    QPushButton* cmdFind = nullptr;
    QPushButton* cmdClose = nullptr;

    void cmdFind_Click();
};

class frmCompare : public QDialog {
    Q_OBJECT
public:
    // `summary` says what the comparison found; `ranges` one line per range,
    // `starts` their first addresses.
    frmCompare(const QString& fileName, const QString& summary, const QStringList& ranges,
               const QList<int32_t>& starts, QWidget* owner = nullptr);

    QLabel* lblSummary = nullptr;
    QListWidget* lstRanges = nullptr;
    QPushButton* cmdClose = nullptr;

    void lstRanges_DblClick();

private:
    QList<int32_t> starts_;
};
