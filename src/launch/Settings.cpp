#include "launch/Settings.h"

#include <windows.h>

void ReadSettings(LaunchOptions& options)
{
    // The platform returns the value as unsigned; a negative entry comes back
    // as its two's complement and is meant as a signed number.
    options.UninstallMode =
        static_cast<int32_t>(GetPrivateProfileIntA("Install", "UninstallMode", 0, options.IniPath));
}
