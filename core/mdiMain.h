// The main window: a multiple-document frame with the menus, the four-panel
// status bar, and the link to the programmer (modFunc::cm and totmr).
#pragma once

#include "platform/FileDialog.h"
#include "core/ProgrammerLink.h"
#include "platform/StatusBar.h"

#include <QMainWindow>
#include <QPointer>
#include <memory>

class QAction;
class QMdiArea;
class frmAbout;

class mdiMain : public QMainWindow {
    Q_OBJECT
public:
    mdiMain();
    ~mdiMain() override;

    // The load step: splash, Buffer to 0xFF, port and probe, status bar.
    void Load();

    QMdiArea* mdiArea = nullptr;
    StatusBar* sbar = nullptr;
    ProgrammerLink link;
    FileDialog cdia;

    // Menu items, named by menu and item.
    QAction* FileLoad = nullptr;
    QAction* FileSave = nullptr;
    QAction* FileExit = nullptr;
    QAction* BufferEdit = nullptr;
    QAction* BufferClear = nullptr;
    QAction* BufferFill = nullptr;
    QAction* BufferGoTo = nullptr;
    QAction* BufferFind = nullptr;
    QAction* BufferFindNext = nullptr;
    QAction* BufferUndo = nullptr;
    QAction* BufferRedo = nullptr;
    QAction* BufferCompare = nullptr;
    QAction* BufferCompareChip = nullptr;
    QAction* BufferChecksums = nullptr;
    QAction* DeviceSelect = nullptr;
    QAction* DeviceFunction = nullptr;
    QAction* OptionsEditAuto = nullptr;
    QAction* OptionsSettings = nullptr;
    QAction* HelpContents = nullptr;
    QAction* HelpAbout = nullptr;

    // Writes panels 1 to 3 from ComPort and the selected device.
    void WriteStatusPanels();
    void WriteDevicePanels();
    // Undo and Redo enabled as the Buffer's history allows, named after
    // what they take back or do again ("Undo Fill").
    void UpdateUndoItems();

    // How many times the configuration was saved by unloading (once).
    int ConfigSaves() const { return configSaves_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateMenus();
    void Unload();

    void FileLoad_Click();
    void FileSave_Click();
    void FileExit_Click();
    void BufferEdit_Click();
    void BufferClear_Click();
    void BufferFill_Click();
    void BufferGoTo_Click();
    void BufferFind_Click();
    void BufferFindNext_Click();
    void BufferUndo_Click();
    void BufferRedo_Click();
    void BufferCompare_Click();
    void BufferCompareChip_Click();
    void BufferChecksums_Click();
    void DeviceSelect_Click();
    void DeviceFunction_Click();
    void OptionsEditAuto_Click();
    void OptionsSettings_Click();
    void HelpContents_Click();
    void HelpAbout_Click();

    QPointer<frmAbout> splash_;
    int configSaves_ = 0;
    bool unloaded_ = false;
};

namespace modFunc {
// The start-up routine: reads the start files (one message for whatever was
// wrong with them), creates the main window, runs its load step and shows it.
std::unique_ptr<mdiMain> StartUp();
}  // namespace modFunc
