// Which system icon a message box of another process shows: its icon control
// is read back from the screen and compared with each system icon drawn here.
#pragma once

#include <windows.h>

#include <optional>

// The icon control of `box` (a static with SS_ICON), or null.
HWND IconControlOf(HWND box);

// Of IDI_HAND, IDI_EXCLAMATION, IDI_ASTERISK and IDI_QUESTION, the id of the
// one closest to what `iconControl` shows on screen; nothing while it shows no
// icon yet.
std::optional<WORD> ShownSystemIcon(HWND iconControl);
