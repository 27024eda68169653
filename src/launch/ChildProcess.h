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
// environment and folder, and a start-up record that is zero but for its size
// and `showWindow` (which the system ignores without STARTF_USESHOWWINDOW).
// `application` is always given, so the system never searches blank-split
// prefixes of an unquoted path. False when the start failed.
bool StartChild(const char* application, char* commandLine, WORD showWindow, StartedChild& child);
