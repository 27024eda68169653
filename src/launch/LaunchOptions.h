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
    int32_t UninstallMode = 0;  // [Install] UninstallMode in setup.ini
};
