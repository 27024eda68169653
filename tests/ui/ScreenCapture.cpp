#include "ScreenCapture.h"

#include "resource_ids.h"

std::optional<ScreenImage> CaptureScreen(const RECT& rect)
{
    ScreenImage image;
    image.width = rect.right - rect.left;
    image.height = rect.bottom - rect.top;
    if (image.width <= 0 || image.height <= 0)
        return std::nullopt;

    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = image.width;
    info.bmiHeader.biHeight = -image.height; // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;

    const HDC screen = GetDC(nullptr);
    const HDC memory = CreateCompatibleDC(screen);
    void* bits = nullptr;
    const HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bool copied = false;
    if (memory && bitmap) {
        const HGDIOBJ previous = SelectObject(memory, bitmap);
        copied = BitBlt(memory, 0, 0, image.width, image.height, screen, rect.left, rect.top, SRCCOPY) != 0;
        GdiFlush();
        if (copied) {
            const auto* quads = static_cast<const RGBQUAD*>(bits);
            image.pixels.reserve(static_cast<size_t>(image.width) * image.height);
            for (int i = 0; i < image.width * image.height; ++i)
                image.pixels.push_back(RGB(quads[i].rgbRed, quads[i].rgbGreen, quads[i].rgbBlue));
        }
        SelectObject(memory, previous);
    }
    if (bitmap)
        DeleteObject(bitmap);
    if (memory)
        DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    if (!copied)
        return std::nullopt;
    return image;
}

RECT FieldClientOnScreen(HWND dialog)
{
    const HWND field = GetDlgItem(dialog, IDC_PROGRESS);
    RECT rect = {};
    GetClientRect(field, &rect);
    MapWindowPoints(field, HWND_DESKTOP, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

bool TopRowSplitsAt(const ScreenImage& image, int split)
{
    for (int x = 0; x < image.width; ++x) {
        const COLORREF expected = x < split ? RGB(0, 0, 255) : RGB(255, 255, 255);
        if (image.At(x, 1) != expected)
            return false;
    }
    return true;
}
