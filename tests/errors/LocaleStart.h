// Starting a program in a chosen Linux locale, from which Wine takes the
// process's interface language and ANSI code page. A Windows parent cannot
// choose them: the environment block given to CreateProcess does not reach the
// Linux side of the child, which inherits the parent's locale. So the program
// is started through the Linux side instead: /usr/bin/env sets LANG and LC_ALL
// and runs Wine's loader on it, in the same prefix.
#pragma once

#include <windows.h>

#include <string>

#include "common/UniqueHandle.h"

// Starts `program` (a Windows path) with `arguments` under `locale`, e.g.
// "cs_CZ.UTF-8". No handle comes back from the Linux side; see FindProcessOf.
bool StartInLocale(const std::string& locale, const std::string& program, const std::string& arguments);

// A process that runs `imageName` (a file name such as "error_host.exe") and
// shows a visible top-level window, opened for waiting, reading its exit code
// and ending it; bounded by timeoutMs. `pid` receives its id.
UniqueHandle WaitForProcessWithWindow(const std::string& imageName, DWORD timeoutMs, DWORD& pid);
