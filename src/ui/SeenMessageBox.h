// Message boxes only where someone can see them. A deployment tool that runs
// the loader as SYSTEM puts it in session 0, on a window station no user is
// shown: a box there can never be closed, so the run would never end and the
// tool would report a time-out instead of the exit code.
#pragma once

#include <windows.h>

// Whether this process's window station is shown to a user. True when the
// system cannot tell, so that a box is never lost where it could be seen.
bool WindowStationIsVisible();

// MessageBoxA where the window station is visible; nothing elsewhere.
void ShowMessageBoxWhereSeen(const char* text, const char* caption, UINT type);
