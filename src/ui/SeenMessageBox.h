// Message boxes only where someone can see them. A deployment tool that runs
// the loader as SYSTEM puts it in session 0, where no user is shown anything:
// on a service's own window station (Service-0x0-3e7$, not visible) or, for a
// service allowed to interact, on session 0's WinSta0, which is marked
// visible but which no user's desktop shows since Windows 10 1803. A box
// there can never be closed, so the run would never end and the tool would
// report a time-out instead of the exit code.
#pragma once

#include <windows.h>

#include <optional>

// Whether a box shown by a process in `session` on a window station with the
// user-object flags `stationFlags` can be seen: not in session 0, and only on
// a station marked WSF_VISIBLE. What the system could not tell (no value)
// counts as seen, so that a box is never lost where it could be.
bool BoxCanBeSeen(std::optional<DWORD> session, std::optional<DWORD> stationFlags);

// Whether this process's window station is shown to a user (true when the
// system cannot tell).
bool WindowStationIsVisible();

// MessageBoxA where this process's session and window station let it be
// seen; nothing elsewhere.
void ShowMessageBoxWhereSeen(const char* text, const char* caption, UINT type);
