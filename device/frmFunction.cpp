#include "device/frmFunction.h"

#include "buffer/BufferCommands.h"
#include "buffer/UndoStore.h"
#include "core/modFunc.h"
#include "device/DeviceProtocol.h"
#include "platform/MessageBox.h"
#include "platform/Twips.h"
#include "platform/WindowFrame.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QEventLoop>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

namespace {
constexpr int BarLeft = 1680, BarTop = 2760, BarWidth = 3015, BarHeight = 135;

QFrame* Shape(QWidget* parent, const QColor& fill)
{
    auto* shape = new QFrame(parent);
    QPalette p = shape->palette();
    p.setColor(QPalette::Window, fill);
    shape->setPalette(p);
    shape->setAutoFillBackground(true);
    return shape;
}
}  // namespace

frmFunction::frmFunction(QWidget* owner) : QDialog(owner)
{
    setWindowTitle(QStringLiteral("Function"));
    SetDialogFrame(this);

    listFunction = new QListWidget(this);
    PlaceTwips(listFunction, 120, 240, 1455, 2400);

    Frame1 = new QGroupBox(QStringLiteral("Message:"), this);
    PlaceTwips(Frame1, 1680, 120, 3015, 2535);
    QPalette blue = palette();
    blue.setColor(QPalette::WindowText, Qt::blue);
    for (int i = 0; i < DeviceFunctions::MessageLines; ++i) {
        lblMsg[size_t(i)] = new QLabel(Frame1);
        lblMsg[size_t(i)]->setPalette(blue);
        PlaceTwips(lblMsg[size_t(i)], 120, 240 + 240 * i, 2775, 255);
    }

    auto box = [this](const char* caption, int top, int labelWidth, QLabel*& label, QLineEdit*& field) {
        label = new QLabel(QString::fromLatin1(caption), this);
        PlaceTwips(label, 5040, top, labelWidth, 255);
        field = new QLineEdit(this);
        PlaceTwips(field, 5040, top + 240, 1095, 285);
    };
    box("Chip Start", 240, 1095, Label1, txtChipStart);
    box("Chip End", 840, 855, Label2, txtChipEnd);
    box("Buffer Start", 1440, 1095, Label3, txtBufferStart);
    box("Buffer End", 2040, 975, Label4, txtBufferEnd);

    shpBG = Shape(this, Qt::white);
    PlaceTwips(shpBG, BarLeft, BarTop, BarWidth, BarHeight);
    shpProgress = Shape(this, QColor(192, 0, 0));
    PlaceTwips(shpProgress, BarLeft, BarTop, BarWidth, BarHeight);

    lblProgress = new QLabel(QStringLiteral("0%"), this);
    QFont courier(QStringLiteral("Courier"));
    courier.setStyleHint(QFont::Monospace);
    courier.setPointSizeF(9.75);
    courier.setBold(true);
    lblProgress->setFont(courier);
    PlaceTwips(lblProgress, 2880, 3000, 615, 255);

    cmdRun = new QPushButton(QStringLiteral("Run"), this);
    PlaceTwips(cmdRun, 360, 2760, 975, 375);
    cmdRun->setDefault(true);
    cmdClose = new QPushButton(QStringLiteral("Close"), this);
    PlaceTwips(cmdClose, 5040, 2760, 975, 375);

    setTabOrder(listFunction, txtChipStart);
    setTabOrder(txtChipStart, txtChipEnd);
    setTabOrder(txtChipEnd, txtBufferStart);
    setTabOrder(txtBufferStart, txtBufferEnd);
    setTabOrder(txtBufferEnd, cmdRun);
    setTabOrder(cmdRun, cmdClose);

    tmrWait.setInterval(1000);
    tmrWait.setTimerType(Qt::PreciseTimer);
    connect(&tmrWait, &QTimer::timeout, this, &frmFunction::tmrWait_Timer);
    connect(cmdRun, &QPushButton::clicked, this, &frmFunction::cmdRun_Click);
    connect(cmdClose, &QPushButton::clicked, this, &frmFunction::cmdClose_Click);
    setFixedSize(TwipsX(this, 6300), TwipsY(this, 3330));

    Form_Load();
    FitToText(this);
}

frmFunction::~frmFunction() = default;

void frmFunction::Form_Load()
{
    listFunction->addItems(DeviceFunctions::Names());
    listFunction->setCurrentRow(0);
    Functions.Percent = 0;
    ShowProgress(0);

    const modFunc::DeviceRecord& device = modFunc::SelectedDevice();
    txtChipStart->setText(modFunc::Hex4(0));
    txtBufferStart->setText(modFunc::Hex4(0));
    txtChipEnd->setText(modFunc::Hex4(device.Size));
    txtBufferEnd->setText(modFunc::Hex4(device.Size));

    const QString letterProblem = DeviceProtocol::TypeLetterProblem(device.TypeCode);
    if (!modFunc::DeviceFound) {
        cmdRun->setEnabled(false);
    } else if (!modFunc::DeviceSelected()) {
        // No device: there is no type to tell the programmer, and Run
        // answers with the functions' own "No device selected!".
    } else if (!letterProblem.isEmpty()) {
        // The programmer cannot be told this type: nothing may run on it.
        cmdRun->setEnabled(false);
        SetMessage(0, letterProblem);
    } else {
        DeviceProtocol::SendCommand(uint8_t(DeviceProtocol::TypeLetter(device.TypeCode)));
    }
}

void frmFunction::cmdRun_Click()
{
    if (running_)
        return;
    running_ = true;
    cmdRun->setEnabled(false);
    cmdClose->setEnabled(false);
    outcomes_.clear();
    if (comparisonImage_) {
        // The Buffer is not touched: nothing to undo.
        closeAfterRun_ = Functions.ReadInto(*comparisonImage_);
    } else {
        // A Read's result, whole or in part, can be undone.
        modFunc::BufferHistory.Begin(modFunc::Buffer);
        Functions.Run(listFunction->currentRow());
        modFunc::BufferHistory.Commit(modFunc::Buffer, UndoStore::Reopen, {QStringLiteral("Read"), {}});
    }
    cmdRun->setEnabled(true);
    cmdClose->setEnabled(true);
    running_ = false;
    if (closeAfterRun_)
        accept();
}

void frmFunction::cmdClose_Click() { reject(); }

void frmFunction::reject()
{
    if (!running_)
        QDialog::reject();
    else if (comparisonImage_)
        Functions.StopReading = true;
}

void frmFunction::ReadForComparison(std::array<uint8_t, modFunc::BufferSize>& image)
{
    comparisonImage_ = &image;
    setWindowTitle(QStringLiteral("Compare with Chip"));
    listFunction->setCurrentRow(DeviceFunctions::Read);
    listFunction->setEnabled(false);
}

void frmFunction::closeEvent(QCloseEvent* event)
{
    if (running_)
        event->ignore();
    else
        QDialog::closeEvent(event);
}

void frmFunction::tmrWait_Timer()
{
    WaitDone = true;
    tmrWait.stop();
}

// The message line tells the user; the outcome is kept as a value.
// The list shows the function and the message line the step: the start
// itself changes nothing in the window.
void frmFunction::StepStarted(const StepStart&) {}

void frmFunction::StepEnded(int, const StepOutcome& outcome) { outcomes_.append(outcome); }

void frmFunction::SetMessage(int line, const QString& text)
{
    if (line >= 0 && line < DeviceFunctions::MessageLines)
        lblMsg[size_t(line)]->setText(text);
}

void frmFunction::MarkMessage(int line, const QString& word)
{
    if (line >= 0 && line < DeviceFunctions::MessageLines)
        lblMsg[size_t(line)]->setText(lblMsg[size_t(line)]->text() + QStringLiteral("   ") + word);
}

// Called before every block: only a changed percentage costs a repaint.
void frmFunction::ShowProgress(int percent)
{
    if (percent == shownPercent_)
        return;
    shownPercent_ = percent;
    lblProgress->setText(QString::number(percent) + QLatin1Char('%'));
    progressTwips_ = float(percent) * float(BarWidth) / 100.0f;
    shpProgress->resize(TwipsX(this, progressTwips_), shpProgress->height());
}

void frmFunction::Pause()
{
    WaitDone = false;
    tmrWait.start();
    while (!WaitDone)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void frmFunction::ShowTimeOut()
{
    ShowMessage(QStringLiteral("Communication Error!"), QStringLiteral("Device Error"), MsgIcon::Critical);
}

void frmFunction::ReadDone(bool inAuto)
{
    if (!inAuto)
        closeAfterRun_ = true;
    BufferCommands::ReopenBufferWindow();
}
