// Waiting on a kernel object without leaving the progress window unanswered:
// the loader has no message loop, so a long wait would otherwise let the
// system mark the window as not responding.
#pragma once

#include <windows.h>

// Dispatches every message waiting in the thread's queue.
void DrainMessages();

// Waits up to `boundMs` (INFINITE: without a bound) for `object`, dispatching the thread's messages as
// they arrive. Returns what WaitForSingleObject would: WAIT_OBJECT_0,
// WAIT_ABANDONED, WAIT_TIMEOUT or WAIT_FAILED.
DWORD WaitServicingMessages(HANDLE object, DWORD boundMs);

// Lets up to `ms` pass, dispatching the thread's messages as they arrive.
void PauseServicingMessages(DWORD ms);
