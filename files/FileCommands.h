// File > Load and File > Save: the file dialog cdia, the options window,
// then one of the four file operations on the file the dialog returned.
// Every failure other than a Cancel is reported in one message box.
#pragma once

class mdiMain;

namespace FileCommands {

void FileLoad(mdiMain& main);
void FileSave(mdiMain& main);

// The file operations on main.cdia.FileName, with FileAddress and
// BufferAddress for the loads. On success status panel 4 names the file
// (and a load reopens the hex view); each returns whether it succeeded.
bool OpenHexFile(mdiMain& main);
bool OpenBinFile(mdiMain& main);
bool SaveHexFile(mdiMain& main);
bool SaveBinFile(mdiMain& main);

}  // namespace FileCommands
