// The progress field's own paint: a bar that fills from the left in blue,
// with the percent centred on it, white over blue and black over white.
#include "ui/ProgressWindow.h"

#include <cstdlib>

#include "common/UniqueHandle.h"
#include "ui/ProgressGeometry.h"

namespace {

constexpr COLORREF kDoneColour = RGB(0, 0, 255);
constexpr COLORREF kRemainingColour = RGB(255, 255, 255);
constexpr COLORREF kTextOverDone = RGB(255, 255, 255);
constexpr COLORREF kTextOverRemaining = RGB(0, 0, 0);

// The field's text is the only record of the percent.
constexpr int kFieldTextSize = 64;

void PaintField(HWND field)
{
    PAINTSTRUCT paint;
    const HDC dc = BeginPaint(field, &paint);
    RECT client;
    GetClientRect(field, &client);

    char text[kFieldTextSize];
    const int length = GetWindowTextA(field, text, kFieldTextSize);
    const int split = ProgressSplitX(client.left, client.right, std::atoi(text));
    const RECT done = {client.left, client.top, split, client.bottom};
    const RECT remaining = {split, client.top, client.right, client.bottom};

    {
        // A brush that cannot be made leaves that part as it was; the next paint tries again.
        UniqueGdiObject blue(CreateSolidBrush(kDoneColour));
        UniqueGdiObject white(CreateSolidBrush(kRemainingColour));
        FillRect(dc, &done, static_cast<HBRUSH>(blue.get()));
        FillRect(dc, &remaining, static_cast<HBRUSH>(white.get()));
    }

    SetBkMode(dc, TRANSPARENT);
    SetTextAlign(dc, TA_CENTER | TA_BASELINE);
    const int x = ProgressTextX(client.left, client.right);
    const int y = ProgressTextBaseline(client.top, client.bottom);
    // Drawn twice, each clipped to its half, so the colour flips exactly at the split.
    // A failed text output only leaves the bar without its number.
    SetTextColor(dc, kTextOverDone);
    ExtTextOutA(dc, x, y, ETO_CLIPPED, &done, text, static_cast<UINT>(length), nullptr);
    SetTextColor(dc, kTextOverRemaining);
    ExtTextOutA(dc, x, y, ETO_CLIPPED, &remaining, text, static_cast<UINT>(length), nullptr);

    EndPaint(field, &paint);
}

} // namespace

LRESULT CALLBACK ProgressFieldProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_PAINT) {
        PaintField(window);
        return 0;
    }
    // Everything else is the edit control's: text, border, background.
    const auto editProc = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(window, GWLP_USERDATA));
    return CallWindowProcA(editProc, window, message, wParam, lParam);
}
