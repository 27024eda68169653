// The modeless progress dialog and its two-colour bar.
#pragma once

#include <windows.h>

#include <cstdint>

INT_PTR CALLBACK SetupDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK ProgressFieldProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Creates the dialog from its template and shows it; null when creation failed.
HWND CreateProgressWindow(HINSTANCE instance);

// Sends WM_SETUP_PROGRESS synchronously; does nothing without a window.
void SendProgress(HWND window, uint32_t percent);
