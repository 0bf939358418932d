// The function window: pick one of the device functions (or the stored Auto
// sequence), run it, and watch its message lines and progress bar. Opened
// modal by Device > Function; loaded afresh each time, when it also tells the
// programmer the device type.
#pragma once

#include "device/DeviceFunctions.h"
#include "device/FunctionHost.h"

#include <QDialog>
#include <QTimer>
#include <array>

class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

class frmFunction : public QDialog, public FunctionHost {
    Q_OBJECT
public:
    explicit frmFunction(QWidget* owner = nullptr);
    ~frmFunction() override;

    QListWidget* listFunction = nullptr;
    QGroupBox* Frame1 = nullptr;
    std::array<QLabel*, DeviceFunctions::MessageLines> lblMsg{};
    QLabel* Label1 = nullptr;
    QLineEdit* txtChipStart = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* txtChipEnd = nullptr;
    QLabel* Label3 = nullptr;
    QLineEdit* txtBufferStart = nullptr;
    QLabel* Label4 = nullptr;
    QLineEdit* txtBufferEnd = nullptr;
    QFrame* shpBG = nullptr;
    QFrame* shpProgress = nullptr;
    QLabel* lblProgress = nullptr;
    QPushButton* cmdRun = nullptr;
    QPushButton* cmdClose = nullptr;
    QTimer tmrWait;

    DeviceFunctions Functions{*this};
    bool WaitDone = false;

    void Form_Load();
    void cmdRun_Click();
    void cmdClose_Click();
    void tmrWait_Timer();

    // Buffer > Compare with Chip: Run reads the chip into `image` instead of
    // the Buffer, Esc stops that read, and the window closes (accepted)
    // once the whole chip is in `image`. Call before the window is shown.
    void ReadForComparison(std::array<uint8_t, modFunc::BufferSize>& image);

    bool Running() const { return running_; }
    // Width of the filled part of the bar in twips, unrounded.
    float ProgressTwips() const { return progressTwips_; }

    // The steps of the last Run as they ended, in order.
    const QList<StepOutcome>& Outcomes() const { return outcomes_; }

    // FunctionHost
    void StepStarted(const StepStart& step) override;
    void SetMessage(int line, const QString& text) override;
    void MarkMessage(int line, const QString& word) override;
    void ShowProgress(int percent) override;
    void Pause() override;
    void ShowTimeOut() override;
    void ReadDone(bool inAuto) override;
    void StepEnded(int line, const StepOutcome& outcome) override;

public slots:
    // Esc and Close; refused while a function runs, but for a read for a
    // comparison, which it stops.
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    bool running_ = false;
    bool closeAfterRun_ = false;
    std::array<uint8_t, modFunc::BufferSize>* comparisonImage_ = nullptr;
    int shownPercent_ = -1;
    float progressTwips_ = 0;
    QList<StepOutcome> outcomes_;
};
