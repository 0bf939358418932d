// The about window: the program's name, version and purpose. Shown without
// its OK button as the start-up splash, and with it from Help > About.
#pragma once

#include <QDialog>

class QPushButton;

class frmAbout : public QDialog {
    Q_OBJECT
public:
    explicit frmAbout(QWidget* owner = nullptr);

    QPushButton* cmdOk = nullptr;

    // Splash: no owner, not modal, no OK button, no window frame.
    void ShowAsSplash();

private:
    void cmdOk_Click();
};
