// A main window in a fresh start directory with its message boxes recorded:
// the setting of one test case; the window goes first, the directory last.
#pragma once

#include "core/mdiMain.h"
#include "support/WindowSupport.h"

#include <memory>
#include <optional>

struct MainWindowCase {
    TempAppDir dir;
    MessageRecorder rec;
    std::unique_ptr<mdiMain> main = std::make_unique<mdiMain>();
};
