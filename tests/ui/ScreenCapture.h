// What the screen shows, read back in one go, and the progress field's
// place on it.
#pragma once

#include <windows.h>

#include <optional>
#include <vector>

struct ScreenImage {
    int width = 0;
    int height = 0;
    std::vector<COLORREF> pixels; // rows top to bottom

    COLORREF At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

// The screen's pixels inside `rect` (screen coordinates).
std::optional<ScreenImage> CaptureScreen(const RECT& rect);

// The client area of the progress field of `dialog`, in screen coordinates;
// works for a dialog of another process too.
RECT FieldClientOnScreen(HWND dialog);

// Blue up to `split`, white from there on, along the field's second row,
// which the text never reaches.
bool TopRowSplitsAt(const ScreenImage& field, int split);
