// File > Load and File > Save: the file dialog cdia, the options window,
// then one of the four file operations on the file the dialog returned.
// Every failure other than a Cancel is reported in one message box.
#pragma once

#include "buffer/BufferSearch.h"
#include "files/FileFormats.h"

class mdiMain;

namespace FileCommands {

void FileLoad(mdiMain& main);
void FileSave(mdiMain& main);
// Buffer > Compare with File: the file dialog and the options window, the
// file loaded into an image of its own (0xFF where the file has no byte),
// and the ranges of the device's range where it differs from the Buffer
// listed beside the view. A file that reaches past the device's end says
// how many bytes it holds there; one that reaches past the Buffer's end is
// compared over the part that fits.
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

// What a comparison of the file `path` with the Buffer over the device's
// `size` bytes found: the ranges that differ, the bytes the file holds past
// the device's end, and whether it reached past the Buffer's end.
QString CompareSummary(const QString& path, int32_t size, const QList<BufferSearch::Range>& runs,
                       int32_t pastDevice, bool pastBuffer);

// The format the options window chose.
FileFormats::ImageFormat ChosenFormat();
// Reads the file at `path` in `format` into `image` with FileAddress and
// BufferAddress; a failure is reported in a "File Load Error" box. Bytes
// before a byte outside the image stay loaded; with `pastEnd` given, such a
// load is no failure and sets *pastEnd instead.
bool ReadImage(const QString& path, FileFormats::ImageFormat format, FileFormats::Image& image,
               bool* pastEnd = nullptr);

}  // namespace FileCommands
