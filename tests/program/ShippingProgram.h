// The Setup.exe that ships: the 32-bit one, even where the tests run its
// x86_64 twin because the kernel runs no 32-bit programs.
#pragma once

#include "Driver.h"

#include <cstdlib>
#include <string>

inline std::string ShippingSetupExe()
{
    const char* shipping = std::getenv("SETUP_SHIPPING_EXE");
    return shipping && *shipping ? shipping : driver::BinPath("Setup.exe");
}

inline std::string ShippingDir()
{
    const std::string exe = ShippingSetupExe();
    return exe.substr(0, exe.find_last_of('\\') + 1);
}
