#include "core/mdiMain.h"

#include "buffer/BufferCommands.h"
#include "buffer/UndoStore.h"
#include "buffer/frmChecksums.h"
#include "core/HexText.h"
#include "core/SerialLink.h"
#include "core/StartDir.h"
#include "core/frmAbout.h"
#include "core/frmHelp.h"
#include "core/modFunc.h"
#include "device/LineTime.h"
#include "device/frmFunction.h"
#include "devices/frmSelectDevice.h"
#include "files/FileCommands.h"
#include "options/frmEditAuto.h"
#include "options/frmSettings.h"
#include "platform/MessageBox.h"
#include "platform/WindowFrame.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QMdiArea>
#include <QMenuBar>
#include <QPushButton>
#include <memory>

mdiMain::mdiMain()
{
    setWindowTitle(QStringLiteral("Quirra ~ Serial Programmer"));
    setWindowIcon(QuirraIcon());
    mdiArea = new QMdiArea(this);
    setCentralWidget(mdiArea);

    sbar = new StatusBar(this);
    setStatusBar(sbar);
    const char* initial[] = {"COM", "Device:", "Size:", "File:"};
    const char* tips[] = {"Communication Port", "Selected Device", "Memory Size of Selected Device", "File Name"};
    for (int n = 1; n <= 4; ++n) {
        sbar->SetPanel(n, QString::fromLatin1(initial[n - 1]));
        sbar->PanelLabel(n)->setToolTip(QString::fromLatin1(tips[n - 1]));
    }

    CreateMenus();
    connect(&link.port, &SerialPort::Lost, this, [this] {
        sbar->SetPanel(1, QStringLiteral("COM%1 lost").arg(modFunc::ComPort));
        WriteAdapterNote();
    });

    ReportInMessageBoxes();
    BufferCommands::SetHost(mdiArea);
    modFunc::BufferHistory.Changed = [this] { UpdateUndoItems(); };
    UpdateUndoItems();
    PlaceEveryWindowOnScreen();
    resize(900, 600);
}

mdiMain::~mdiMain()
{
    Unload();
    modFunc::BufferHistory.Changed = nullptr;
    BufferCommands::SetHost(nullptr);
}

void mdiMain::CreateMenus()
{
    auto item = [this](QMenu* menu, const char* caption, void (mdiMain::*handler)()) {
        QAction* a = menu->addAction(QString::fromLatin1(caption));
        connect(a, &QAction::triggered, this, handler);
        return a;
    };
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    FileLoad = item(file, "&Load", &mdiMain::FileLoad_Click);
    FileSave = item(file, "&Save", &mdiMain::FileSave_Click);
    file->addSeparator();  // FileS1
    FileExit = item(file, "E&xit", &mdiMain::FileExit_Click);

    QMenu* buffer = menuBar()->addMenu(QStringLiteral("&Buffer"));
    BufferEdit = item(buffer, "&Edit", &mdiMain::BufferEdit_Click);
    BufferClear = item(buffer, "&Clear", &mdiMain::BufferClear_Click);
    BufferFill = item(buffer, "Fill", &mdiMain::BufferFill_Click);
    buffer->addSeparator();  // BufferS1
    // The tools work from the view and from their own windows beside it.
    auto tool = [&](const char* caption, void (mdiMain::*handler)(), QKeySequence key) {
        QAction* a = item(buffer, caption, handler);
        a->setShortcut(key);
        a->setShortcutContext(Qt::ApplicationShortcut);
        return a;
    };
    BufferGoTo = tool("&Go To...", &mdiMain::BufferGoTo_Click, QKeySequence(Qt::CTRL | Qt::Key_G));
    BufferFind = tool("F&ind...", &mdiMain::BufferFind_Click, QKeySequence(Qt::CTRL | Qt::Key_F));
    BufferFindNext = tool("Find &Next", &mdiMain::BufferFindNext_Click, QKeySequence(Qt::Key_F3));
    buffer->addSeparator();  // BufferS2
    BufferUndo = tool("&Undo", &mdiMain::BufferUndo_Click, QKeySequence(Qt::CTRL | Qt::Key_Z));
    BufferRedo = tool("&Redo", &mdiMain::BufferRedo_Click, QKeySequence(Qt::CTRL | Qt::Key_Y));
    buffer->addSeparator();  // BufferS3
    BufferCompare = item(buffer, "Com&pare with File...", &mdiMain::BufferCompare_Click);
    BufferCompareChip = item(buffer, "Compare with C&hip...", &mdiMain::BufferCompareChip_Click);
    BufferChecksums = item(buffer, "Chec&ksums...", &mdiMain::BufferChecksums_Click);

    QMenu* device = menuBar()->addMenu(QStringLiteral("&Device"));
    DeviceSelect = item(device, "Select", &mdiMain::DeviceSelect_Click);
    DeviceFunction = item(device, "Function", &mdiMain::DeviceFunction_Click);

    QMenu* options = menuBar()->addMenu(QStringLiteral("&Options"));
    OptionsEditAuto = item(options, "Edit Auto", &mdiMain::OptionsEditAuto_Click);
    OptionsSettings = item(options, "Settings", &mdiMain::OptionsSettings_Click);

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    HelpContents = item(help, "Contents", &mdiMain::HelpContents_Click);
    HelpContents->setShortcut(QKeySequence(Qt::Key_F1));
    // F1 works from every window of the main window, the hex view included.
    HelpContents->setShortcutContext(Qt::ApplicationShortcut);
    help->addSeparator();  // HelpS1
    HelpAbout = item(help, "About", &mdiMain::HelpAbout_Click);
}

void mdiMain::Load()
{
    using namespace modFunc;
    // 1. Splash for one tick of totmr (created enabled, 1000 ms).
    splash_ = new frmAbout(nullptr);
    splash_->setAttribute(Qt::WA_DeleteOnClose);
    splash_->ShowAsSplash();
    WaitOneTick();
    // 2. A fresh image.
    Buffer.fill(0xFF);
    // 3. Port and probe; the splash goes when the probe is over.
    auto removeSplash = [this] {
        if (splash_)
            splash_->close();
    };
    const bool portOk = OpenPortAndProbe(link, removeSplash);
    // 4. Status bar.
    if (portOk) {
        WriteStatusPanels();
    } else {
        sbar->SetPanel(1, QStringLiteral("FAIL"));
    }
}

void mdiMain::WriteStatusPanels()
{
    sbar->SetPanel(1, QStringLiteral("COM%1").arg(modFunc::ComPort));
    WriteDevicePanels();
}

void mdiMain::WriteDevicePanels()
{
    const modFunc::DeviceRecord& device = modFunc::SelectedDevice();
    sbar->SetPanel(2, QStringLiteral("Device: ") + device.Name);
    sbar->SetPanel(3, QStringLiteral("Size: %1H").arg(HexText::Hex(static_cast<uint32_t>(device.Size))));
    WriteAdapterNote();
}

void mdiMain::WriteAdapterNote()
{
    QString note = link.port.Gone() ? PortGoneMessage(link.port.OpenedDevice())
                                    : LineTime::LatencyNote(link.port, modFunc::Step::Program, modFunc::SelectedDevice());
    if (!note.isEmpty())
        note[0] = note[0].toUpper();
    sbar->SetNote(note);
}

void mdiMain::Unload()
{
    if (unloaded_)
        return;
    unloaded_ = true;
    ++configSaves_;
    // Settings belong beside a catalogue: a directory without one (the
    // window started where no start files are) is left as it was.
    QString error;
    if (modFunc::HoldsCatalogue(modFunc::AppPath) && !modFunc::SaveConfig(&error))
        ShowMessage(QStringLiteral("The settings could not be saved to %1: %2")
                        .arg(modFunc::AppFile(modFunc::ConfigFileName), error),
                    QStringLiteral("Quirra"), MsgIcon::Critical);
}

void mdiMain::closeEvent(QCloseEvent* event)
{
    Unload();
    mdiArea->closeAllSubWindows();
    event->accept();
}

void mdiMain::FileLoad_Click() { FileCommands::FileLoad(*this); }
void mdiMain::FileSave_Click() { FileCommands::FileSave(*this); }
void mdiMain::FileExit_Click() { close(); }
void mdiMain::BufferEdit_Click() { BufferCommands::BufferEdit(); }
void mdiMain::BufferClear_Click() { BufferCommands::BufferClear(); }
void mdiMain::BufferFill_Click() { BufferCommands::BufferFill(); }
void mdiMain::BufferGoTo_Click() { BufferCommands::BufferGoTo(); }
void mdiMain::BufferFind_Click() { BufferCommands::BufferFind(); }
void mdiMain::BufferFindNext_Click() { BufferCommands::BufferFindNext(); }
void mdiMain::BufferUndo_Click()
{
    QString file = sbar->Panel(4);
    BufferCommands::BufferUndo(file);
    sbar->SetPanel(4, file);
}

void mdiMain::BufferRedo_Click()
{
    QString file = sbar->Panel(4);
    BufferCommands::BufferRedo(file);
    sbar->SetPanel(4, file);
}

void mdiMain::UpdateUndoItems()
{
    const UndoStore& history = modFunc::BufferHistory;
    BufferUndo->setEnabled(history.CanUndo());
    BufferRedo->setEnabled(history.CanRedo());
    BufferUndo->setText(QStringLiteral("&Undo %1").arg(history.UndoName()).trimmed());
    BufferRedo->setText(QStringLiteral("&Redo %1").arg(history.RedoName()).trimmed());
}
void mdiMain::BufferCompare_Click() { FileCommands::CompareWithFile(*this); }
void mdiMain::BufferCompareChip_Click()
{
    // The chip goes into an image of its own; the Buffer stays as it is.
    const auto chip = std::make_unique<std::array<uint8_t, modFunc::BufferSize>>();
    chip->fill(0xFF);
    frmFunction function(this);
    function.ReadForComparison(*chip);
    if (function.exec() == QDialog::Accepted) {
        const modFunc::DeviceRecord& device = modFunc::SelectedDevice();
        const int32_t size = std::clamp<int32_t>(device.Size, 0, modFunc::BufferSize);
        const QList<BufferSearch::Range> runs = BufferSearch::DiffRanges(modFunc::Buffer, *chip, size);
        const QString summary = BufferSearch::DiffSummary(QStringLiteral("chip"), size, runs);
        BufferCommands::ShowComparison(QStringLiteral("Compare with Chip"), device.Name + QLatin1Char('\n') + summary, runs);
    }
}
void mdiMain::BufferChecksums_Click()
{
    frmChecksums checksums(this);
    checksums.exec();
}
void mdiMain::DeviceSelect_Click()
{
    frmSelectDevice select(this);
    if (select.exec() != QDialog::Accepted)
        return;
    WriteDevicePanels();
    // The hex view takes its range from the device when it opens.
    BufferCommands::CloseBufferWindow();
}

void mdiMain::DeviceFunction_Click()
{
    frmFunction function(this);
    function.exec();
}

void mdiMain::OptionsEditAuto_Click()
{
    frmEditAuto edit(this);
    edit.exec();
}

void mdiMain::OptionsSettings_Click()
{
    // The new port is used from the next start on.
    frmSettings settings(this);
    settings.exec();
}

void mdiMain::HelpContents_Click()
{
    // The manual opens beside the program; it does not block it.
    auto* help = new frmHelp(this);
    help->setAttribute(Qt::WA_DeleteOnClose);
    help->setModal(false);
    help->show();
}

void mdiMain::HelpAbout_Click()
{
    frmAbout about(this);
    about.cmdOk->show();
    about.exec();
}

namespace modFunc {
std::unique_ptr<mdiMain> StartUp()
{
    ReportInMessageBoxes();  // before the window: the start-up problems
    PlaceEveryWindowOnScreen();
    const StartDir start = FindStartDirHere(QString(), StartDirUse::FillUserDir);
    QStringList problems = ReadStartFiles(start.path, start.portMapDir);
    if (!start.found)
        problems.prepend(QStringLiteral("No device catalogue %1 was found in %2, and none could be copied there from "
                                        "the installed defaults. Quirra starts without devices and does not save its "
                                        "settings; start it in a directory that holds %1.")
                             .arg(CatalogueFileName, start.searched.join(QStringLiteral(", "))));
    ReportStartProblems(problems);
    auto window = std::make_unique<mdiMain>();
    window->Load();
    window->show();
    return window;
}
}  // namespace modFunc
