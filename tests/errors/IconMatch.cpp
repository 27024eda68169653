#include "IconMatch.h"

#include <cstdlib>
#include <vector>

#include "common/UniqueHandle.h"

namespace {

struct ScreenDcTraits {
    using Handle = HDC;
    static Handle empty() noexcept { return nullptr; }
    static void close(Handle h) noexcept { ReleaseDC(nullptr, h); }
};

struct MemoryDcTraits {
    using Handle = HDC;
    static Handle empty() noexcept { return nullptr; }
    static void close(Handle h) noexcept { DeleteDC(h); }
};

using ScreenDc = UniqueResource<ScreenDcTraits>;
using MemoryDc = UniqueResource<MemoryDcTraits>;

BOOL CALLBACK FindIconControl(HWND child, LPARAM param)
{
    char cls[32] = "";
    GetClassNameA(child, cls, sizeof cls);
    if (_stricmp(cls, "Static") == 0 && (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
        *reinterpret_cast<HWND*>(param) = child;
        return FALSE;
    }
    return TRUE;
}

// A width x height canvas of 32-bit pixels that `paint` draws on.
template <typename Paint>
std::vector<DWORD> Canvas(int width, int height, Paint paint)
{
    std::vector<DWORD> pixels;
    const ScreenDc screen(GetDC(nullptr));
    const MemoryDc memory(CreateCompatibleDC(screen.get()));
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    const UniqueGdiObject bitmap(CreateDIBSection(screen.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!screen || !memory || !bitmap || bits == nullptr)
        return pixels;
    const HGDIOBJ previous = SelectObject(memory.get(), bitmap.get());
    paint(memory.get(), screen.get());
    GdiFlush();
    const DWORD* p = static_cast<const DWORD*>(bits);
    pixels.assign(p, p + static_cast<size_t>(width) * height);
    SelectObject(memory.get(), previous);
    return pixels;
}

long long Distance(const std::vector<DWORD>& a, const std::vector<DWORD>& b)
{
    long long sum = 0;
    for (size_t i = 0; i < a.size() && i < b.size(); ++i) {
        for (int shift = 0; shift < 24; shift += 8)
            sum += std::abs(static_cast<int>((a[i] >> shift) & 0xFF) - static_cast<int>((b[i] >> shift) & 0xFF));
    }
    return sum;
}

} // namespace

HWND IconControlOf(HWND box)
{
    HWND control = nullptr;
    EnumChildWindows(box, FindIconControl, reinterpret_cast<LPARAM>(&control));
    return control;
}

std::optional<WORD> ShownSystemIcon(HWND iconControl)
{
    RECT area = {};
    if (!GetWindowRect(iconControl, &area))
        return std::nullopt;
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    if (width <= 0 || height <= 0)
        return std::nullopt;

    const std::vector<DWORD> shown = Canvas(width, height, [&](HDC memory, HDC screen) {
        BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
    });
    if (shown.empty())
        return std::nullopt;
    // Icons leave their corner transparent: that pixel is the background.
    const DWORD background = shown.front() & 0xFFFFFF;
    size_t drawn = 0;
    for (DWORD pixel : shown)
        drawn += (pixel & 0xFFFFFF) != background;
    if (drawn < shown.size() / 8)
        return std::nullopt;

    const LPCSTR candidates[] = {IDI_HAND, IDI_EXCLAMATION, IDI_ASTERISK, IDI_QUESTION};
    std::optional<WORD> best;
    long long bestDistance = 0;
    for (LPCSTR candidate : candidates) {
        const HICON icon = LoadIconA(nullptr, candidate); // shared: never destroyed
        const std::vector<DWORD> drawnHere = Canvas(width, height, [&](HDC memory, HDC) {
            const COLORREF colour = RGB((background >> 16) & 0xFF, (background >> 8) & 0xFF, background & 0xFF);
            const UniqueGdiObject brush(CreateSolidBrush(colour));
            RECT all = {0, 0, width, height};
            FillRect(memory, &all, static_cast<HBRUSH>(brush.get()));
            DrawIconEx(memory, 0, 0, icon, 0, 0, 0, nullptr, DI_NORMAL);
        });
        const long long distance = Distance(shown, drawnHere);
        if (!best || distance < bestDistance) {
            best = static_cast<WORD>(reinterpret_cast<ULONG_PTR>(candidate));
            bestDistance = distance;
        }
    }
    return best;
}
