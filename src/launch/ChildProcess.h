// Starting the loader's children: one place for the flags and the start-up record.
#pragma once

#include "common/UniqueHandle.h"

#include <windows.h>

struct StartedChild {
    UniqueHandle process;
    UniqueHandle thread;
    DWORD processId = 0;
};

// CreateProcessA with no inheritance, NORMAL_PRIORITY_CLASS (and `flags`),
// the wide environment block `environment` (the loader's own when null), the
// program's own folder as the current folder, and a start-up record that is
// zero but for its size and `showWindow` (which the system ignores without
// STARTF_USESHOWWINDOW). `application` is always given, so the system never
// searches blank-split prefixes of an unquoted path. The loader's current
// folder (often the user's downloads) is never handed on: Windows looks there
// for a DLL that no system folder has, and the children run elevated. False
// when the start failed.
bool StartChild(const char* application, char* commandLine, WORD showWindow, StartedChild& child,
                const wchar_t* environment = nullptr, DWORD flags = 0);

// Puts into `holder` a handle to `process` that can only wait for it and ask
// its name (SYNCHRONIZE, PROCESS_QUERY_LIMITED_INFORMATION). While any handle
// to a process is open its id is not given to another, so the id handed to
// `holder` keeps naming `process` for as long as `holder` runs. The handle
// stays in `holder` until it ends; `holder` is not told its value.
bool LendProcessHandle(HANDLE process, HANDLE holder);
