// The progress dialog: created without an owner, centred on the primary
// display, and serviced only while it handles a progress message, since the
// loader runs no message loop of its own.
#include "ui/ProgressWindow.h"

#include "resource_ids.h"
#include "ui/ProgressGeometry.h"
#include "ui/ServicedWait.h"

namespace {

void CentreOnPrimaryDisplay(HWND dialog)
{
    RECT rect;
    GetWindowRect(dialog, &rect);
    const int dx = CentringOffset(GetSystemMetrics(SM_CXMAXIMIZED), rect.left, rect.right);
    const int dy = CentringOffset(GetSystemMetrics(SM_CYMAXIMIZED), rect.top, rect.bottom);
    OffsetRect(&rect, dx, dy);
    // Not visible yet, so nothing to repaint.
    MoveWindow(dialog, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, FALSE);
}

void SubclassProgressField(HWND dialog)
{
    const HWND field = GetDlgItem(dialog, IDC_PROGRESS);
    // The pointer-sized forms are GetWindowLongA/SetWindowLongA on 32-bit Windows.
    const LONG_PTR editProc = GetWindowLongPtrA(field, GWLP_WNDPROC);
    SetWindowLongPtrA(field, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ProgressFieldProc));
    // Filled before any message can reach ProgressFieldProc: nothing runs in between.
    SetWindowLongPtrA(field, GWLP_USERDATA, editProc);
}

void ShowPercent(HWND dialog, uint32_t percent)
{
    char text[kPercentTextSize];
    FormatPercentText(percent, text);
    // A text or repaint that fails leaves the last value up until the next message.
    SetDlgItemTextA(dialog, IDC_PROGRESS, text);
    UpdateWindow(dialog);

    // Where the window is serviced while the loader works: dispatch whatever
    // is waiting, the field's pending paint included.
    DrainMessages();
    Sleep(10);
}

} // namespace

INT_PTR CALLBACK SetupDialogProc(HWND window, UINT message, WPARAM, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        CentreOnPrimaryDisplay(window);
        SubclassProgressField(window);
        return TRUE;
    case WM_SETUP_PROGRESS:
        ShowPercent(window, static_cast<uint32_t>(lParam));
        return FALSE;
    default:
        // Close and cancel are left to the dialog manager, which does not end
        // a modeless dialog: the window stays up until the process ends.
        return FALSE;
    }
}

HWND CreateProgressWindow(HINSTANCE instance)
{
    const HWND window = CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_SETUP), nullptr, SetupDialogProc, 0);
    // A failed creation leaves a null handle; progress then simply goes nowhere.
    if (window)
        ShowWindow(window, SW_SHOW);
    return window;
}

void SendProgress(HWND window, uint32_t percent)
{
    if (!window)
        return;
    // The result carries nothing.
    SendMessageA(window, WM_SETUP_PROGRESS, 0, static_cast<LPARAM>(percent));
}
