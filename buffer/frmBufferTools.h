// The hex view's tool windows: Go To (modal), Find and the list of the
// ranges in which a comparison found differences (both beside the view).
// Each only reads its controls and hands the work to BufferCommands.
#pragma once

#include "buffer/BufferSearch.h"

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

    // The message line, as tall as the text needs.
    void ShowMessage(const QString& text);
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

    void ShowMessage(const QString& text);
    void cmdFind_Click();
};

// Any comparison with the Buffer: `summary` says what it found, `ranges`
// are where it differs, one row each; Enter or a double-click on a row
// shows that range in the view, and the window stays open.
class frmCompare : public QDialog {
    Q_OBJECT
public:
    frmCompare(const QString& title, const QString& summary, const QList<BufferSearch::Range>& ranges,
               QWidget* owner = nullptr);

    QLabel* lblSummary = nullptr;
    QListWidget* lstRanges = nullptr;
    QPushButton* cmdClose = nullptr;

    void lstRanges_Activate();

private:
    QList<BufferSearch::Range> ranges_;
};
