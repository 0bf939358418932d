// The Auto sequence editor: functions on the left, the sequence on the
// right. OK makes the listed steps AutoCount and AutoList and saves them to
// auto.cfg; Cancel leaves both as they were.
#pragma once

#include <QDialog>

class QListWidget;
class QPushButton;

class frmEditAuto : public QDialog {
    Q_OBJECT
public:
    explicit frmEditAuto(QWidget* owner = nullptr);

    QListWidget* lstIn = nullptr;
    QListWidget* lstOut = nullptr;
    QPushButton* cmdMoveRight = nullptr;
    QPushButton* cmdMoveLeft = nullptr;
    QPushButton* cmdMoveLeftAll = nullptr;
    QPushButton* cmdOk = nullptr;
    QPushButton* cmdCancel = nullptr;

    void Form_Load();
    void cmdMoveRight_Click();
    void cmdMoveLeft_Click();
    void cmdMoveLeftAll_Click();
    void cmdOk_Click();
    void cmdCancel_Click();

private:
    // "<" and "<<" while there are steps; ">" while there is room for one.
    void EnableButtons();
    // lstIn always keeps a selected entry.
    void KeepInSelection();
};
