// The program's manual in a help window.
#pragma once

#include <QDialog>

class QTextBrowser;

class frmHelp : public QDialog {
    Q_OBJECT
public:
    explicit frmHelp(QWidget* owner = nullptr);
    QTextBrowser* txtHelp = nullptr;
};
