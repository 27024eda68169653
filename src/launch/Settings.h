// The one setting read from setup.ini.
#pragma once

#include "launch/LaunchOptions.h"

// [Install] UninstallMode from options.IniPath into options.UninstallMode;
// 0 when the file, section or key is missing.
void ReadSettings(LaunchOptions& options);
