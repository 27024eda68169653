// The run from the uninstaller check to the installer's start.
#pragma once

#include "launch/LaunchOptions.h"

#include <windows.h>

#include <cstdint>

// Returns the process exit code: 0 when the installer started, else 1..5.
uint32_t RunLaunchSequence(HINSTANCE instance, const char* tail, const LaunchOptions& options,
                           bool paramsResult);
