// Starting the loader's children: one place for the flags and the start-up record.
#pragma once

#include "common/UniqueHandle.h"

#include <windows.h>

struct StartedChild {
    UniqueHandle process;
    UniqueHandle thread;
    DWORD processId = 0;
};

// CreateProcessA with no inheritance, NORMAL_PRIORITY_CLASS, the loader's own
// environment, the program's own folder as the current folder, and a start-up
// record that is zero but for its size and `showWindow` (which the system
// ignores without STARTF_USESHOWWINDOW). `application` is always given, so the
// system never searches blank-split prefixes of an unquoted path. The loader's
// current folder (often the user's downloads) is never handed on: Windows
// looks there for a DLL that no system folder has, and the children run
// elevated. False when the start failed.
bool StartChild(const char* application, char* commandLine, WORD showWindow, StartedChild& child);
