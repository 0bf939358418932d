// File > Load and File > Save: the file dialog cdia, the options window,
// then one of the four file operations on the file the dialog returned.
// Every failure other than a Cancel is reported in one message box.
#pragma once

#include "files/FileFormats.h"

class mdiMain;

namespace FileCommands {

void FileLoad(mdiMain& main);
void FileSave(mdiMain& main);
// Buffer > Compare with File: the file dialog and the options window, the
// file loaded into an image of its own (0xFF where the file has no byte),
// and the ranges of the device's range where it differs from the Buffer
// listed beside the view.
void CompareWithFile(mdiMain& main);

// The file operations on main.cdia.FileName, with FileAddress and
// BufferAddress for the loads. On success status panel 4 names the file
// (and a load reopens the hex view); each returns whether it succeeded.
bool OpenHexFile(mdiMain& main);
bool OpenSRecFile(mdiMain& main);
bool OpenBinFile(mdiMain& main);
bool SaveHexFile(mdiMain& main);
bool SaveSRecFile(mdiMain& main);
bool SaveBinFile(mdiMain& main);

// The format the options window chose.
FileFormats::ImageFormat ChosenFormat();
// Reads the file at `path` in `format` into `image` with FileAddress and
// BufferAddress; a failure is reported in a "File Load Error" box. Bytes
// before a byte outside the image stay loaded.
bool ReadImage(const QString& path, FileFormats::ImageFormat format, FileFormats::Image& image);

}  // namespace FileCommands
