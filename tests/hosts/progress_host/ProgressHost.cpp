// Shows the real progress window in a process of its own, so that tests can
// see it in the language of that process. Each number on the command line is
// sent as a progress value, in order; after that the window stays up and
// answers further progress messages until the thread is told to quit.
#include <windows.h>

#include <cstdlib>

#include "ui/ProgressWindow.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR tail, int)
{
    const HWND window = CreateProgressWindow(instance);
    if (!window)
        return 1;

    for (char* next = tail; *next != '\0';) {
        char* end = nullptr;
        const unsigned long percent = std::strtoul(next, &end, 10);
        if (end == next)
            break;
        SendProgress(window, static_cast<uint32_t>(percent));
        next = end;
    }

    // Unlike the loader, the host keeps servicing the window between messages.
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}
