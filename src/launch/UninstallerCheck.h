// The uninstaller's check run: started with no arguments, it must end within
// the time limit with an exit code from 1001 to 1100.
#pragma once

#include <windows.h>

constexpr DWORD kUninstallerCheckTimeoutMs = 10000;

// True when the uninstaller at `path` passed the check.
bool RunUninstallerCheck(const char* path);
