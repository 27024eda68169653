// Turns the command-line tail into the source directory, the settings path
// and the switches.
#pragma once

#include "launch/LaunchOptions.h"
#include "launch/LoaderFolder.h"

#include <windows.h>

using CurrentDirectorySource = DWORD(WINAPI*)(DWORD, LPSTR);

// Where the fallbacks for the source directory come from; tests swap them.
struct FolderSources {
    CurrentDirectorySource CurrentDirectory = ::GetCurrentDirectoryA;
    ModuleFileNameSource ModuleFileName = ::GetModuleFileNameA;
};

// Fills SourceDir, IniPath, Silent, ReinstallUndo and Verbose of `options`,
// whose text buffers must be empty. Every problem falls back to a usable
// value, so the result is always true.
bool GetParams(const char* tail, LaunchOptions& options);
bool GetParams(const char* tail, LaunchOptions& options, const FolderSources& sources);
