// Shows the loader's error box for the number on its command line and ends
// with the number that ShowLoaderError returns, as the loader does.
#include <windows.h>

#include <cstdlib>

#include "common/LoaderInstance.h"
#include "ui/LoaderError.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int)
{
    SetLoaderInstance(instance);
    return ShowLoaderError(static_cast<int>(std::strtol(commandLine, nullptr, 10)));
}
