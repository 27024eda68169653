// The Setup.exe that ships: the one beside the suites, built by the same
// 32-bit build.
#pragma once

#include "Driver.h"

#include <string>

inline std::string ShippingSetupExe()
{
    return driver::BinPath("Setup.exe");
}

inline std::string ShippingDir()
{
    const std::string exe = ShippingSetupExe();
    return exe.substr(0, exe.find_last_of('\\') + 1);
}
