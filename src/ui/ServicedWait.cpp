#include "ui/ServicedWait.h"

void DrainMessages()
{
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

DWORD WaitServicingMessages(HANDLE object, DWORD boundMs)
{
    const ULONGLONG deadline = GetTickCount64() + boundMs;
    for (;;) {
        const ULONGLONG now = GetTickCount64();
        const DWORD left = boundMs == INFINITE ? INFINITE : now < deadline ? static_cast<DWORD>(deadline - now) : 0;
        const DWORD woken = MsgWaitForMultipleObjects(1, &object, FALSE, left, QS_ALLINPUT);
        if (woken != WAIT_OBJECT_0 + 1)
            return woken; // WAIT_ABANDONED_0 is WAIT_ABANDONED for a single object
        DrainMessages();
        if (left == 0) // messages that never stop must not stretch the bound
            return WaitForSingleObject(object, 0);
    }
}

void PauseServicingMessages(DWORD ms)
{
    const ULONGLONG until = GetTickCount64() + ms;
    for (ULONGLONG now = GetTickCount64(); now < until; now = GetTickCount64()) {
        if (MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(until - now), QS_ALLINPUT) ==
            WAIT_OBJECT_0)
            DrainMessages();
    }
}
