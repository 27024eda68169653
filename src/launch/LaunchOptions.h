// What the command line and setup.ini ask of this run; filled once at start,
// read-only afterwards.
#pragma once

#include <windows.h>

#include <cstdint>

struct LaunchOptions {
    char SourceDir[MAX_PATH] = {};
    char IniPath[MAX_PATH] = {};
    bool Silent = false;        // "/s"
    bool ReinstallUndo = false; // "/a"
    bool Verbose = false;       // "/v"
    bool WaitForInstaller = false; // "/w": end with the wizard's own exit code
    char LogPath[MAX_PATH] = {};   // "/log=<path>": the log's lines also go there; empty for none
    int32_t UninstallMode = 0;  // [Install] UninstallMode in setup.ini
};
