// The uninstaller's check run: started with no arguments, it must end within
// the time limit with an exit code from 1001 to 1100.
#pragma once

#include <windows.h>

constexpr DWORD kUninstallerCheckTimeoutMs = 10000;
// TerminateProcess only starts the end of a process; until it has ended its
// file stays mapped and cannot be deleted, so the next attempt would run the
// same copy again instead of a fresh one.
constexpr DWORD kUninstallerTerminationWaitMs = 5000;

// What one check run saw. The build's program check reports it to vendors.
struct UninstallerCheckResult {
    bool started = false;
    DWORD startError = 0; // GetLastError of a start that failed
    bool timedOut = false; // ended by the check after the time limit
    DWORD exitCode = 0;

    bool Passed() const;
};

// Runs the uninstaller at `path` once, the way the loader checks it, with the
// wide environment block `environment` (the caller's own when null).
UninstallerCheckResult CheckUninstaller(const char* path, const wchar_t* environment = nullptr);

// True when the uninstaller at `path` passed the check.
inline bool RunUninstallerCheck(const char* path, const wchar_t* environment)
{
    return CheckUninstaller(path, environment).Passed();
}
