// The command lines the loader gives its two children.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

// Room for the longest installer command line that 259-character paths allow:
// quote, folder, "VutSetup.exe", quote and blank, folder, " /s", " /v", NUL.
constexpr size_t kCommandLineCapacity = 1 + (MAX_PATH - 1) + 12 + 2 + (MAX_PATH - 1) + 3 + 3 + 1;

// "\"<folder>VutSetup.exe\" <folder>[ /s][ /v]" into `buffer`.
void BuildInstallerCommandLine(char (&buffer)[kCommandLineCapacity], const char* loaderFolder, bool silent,
                               bool verbose);

// "VutUndo.exe /p<pid> <temp path>" into `buffer`.
void BuildHandOverCommandLine(char (&buffer)[kCommandLineCapacity], uint32_t installerProcessId,
                              const char* tempPath);

// The uninstaller's answer to a start with no arguments: 1001 to 1100 passes.
constexpr bool IsAcceptedCheckCode(uint32_t exitCode) { return exitCode >= 1001 && exitCode <= 1100; }
