#include "launch/AwaitInstaller.h"

#include "ui/ServicedWait.h"

std::optional<uint32_t> AwaitInstaller(HANDLE installer, HWND window)
{
    // The wizard has the screen now; the loader stays only to wait.
    if (window)
        ShowWindow(window, SW_HIDE);
    DWORD code = 0;
    if (WaitServicingMessages(installer, INFINITE) != WAIT_OBJECT_0 || !GetExitCodeProcess(installer, &code))
        return std::nullopt;
    return code;
}
