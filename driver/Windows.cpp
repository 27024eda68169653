#include "Driver.h"

#include <utility>

namespace driver {
namespace {

std::string TextOf(HWND window)
{
    char buffer[4096] = {};
    GetWindowTextA(window, buffer, sizeof(buffer));
    return buffer;
}

std::string ClassOf(HWND window)
{
    char buffer[256] = {};
    GetClassNameA(window, buffer, sizeof(buffer));
    return buffer;
}

struct ChildScan {
    WindowInfo* info;
};

BOOL CALLBACK ScanChild(HWND child, LPARAM param)
{
    auto* scan = reinterpret_cast<ChildScan*>(param);
    const std::string cls = ClassOf(child);
    const LONG style = GetWindowLongA(child, GWL_STYLE);
    if (!(style & WS_VISIBLE))
        return TRUE;
    if (_stricmp(cls.c_str(), "Static") == 0) {
        if ((style & SS_TYPEMASK) == SS_ICON) {
            // Wine keeps an icon control in every message box; only one that
            // shows an icon counts.
            auto icon = reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0));
            if (icon)
                scan->info->hasIcon = true;
        } else {
            const std::string text = TextOf(child);
            if (!text.empty()) {
                if (!scan->info->text.empty())
                    scan->info->text += "\n";
                scan->info->text += text;
            }
        }
    } else if (_stricmp(cls.c_str(), "Button") == 0) {
        const LONG kind = style & BS_TYPEMASK;
        if (kind == BS_PUSHBUTTON || kind == BS_DEFPUSHBUTTON)
            scan->info->buttons.push_back(TextOf(child));
    }
    return TRUE;
}

WindowInfo Describe(HWND window)
{
    WindowInfo info;
    info.window = window;
    info.className = ClassOf(window);
    info.caption = TextOf(window);
    info.visible = IsWindowVisible(window) != FALSE;
    GetWindowRect(window, &info.rect);
    ChildScan scan{&info};
    EnumChildWindows(window, ScanChild, reinterpret_cast<LPARAM>(&scan));
    return info;
}

struct TopScan {
    DWORD pid;
    std::vector<HWND> found;
};

BOOL CALLBACK ScanTop(HWND window, LPARAM param)
{
    auto* scan = reinterpret_cast<TopScan*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid == scan->pid && IsWindowVisible(window))
        scan->found.push_back(window);
    return TRUE;
}

} // namespace

std::vector<WindowInfo> WindowsOf(DWORD pid)
{
    TopScan scan{pid, {}};
    EnumWindows(ScanTop, reinterpret_cast<LPARAM>(&scan));
    std::vector<WindowInfo> windows;
    for (HWND window : scan.found) {
        WindowInfo info = Describe(window);
        // A window destroyed while it was described reads back empty.
        if (IsWindow(window))
            windows.push_back(std::move(info));
    }
    return windows;
}

std::optional<WindowInfo> WaitForWindow(DWORD pid, DWORD timeoutMs,
                                        const std::function<bool(const WindowInfo&)>& match)
{
    std::optional<WindowInfo> result;
    WaitUntil(
        [&] {
            for (auto& window : WindowsOf(pid)) {
                if (!match || match(window)) {
                    result = window;
                    return true;
                }
            }
            return false;
        },
        timeoutMs);
    return result;
}

std::optional<WindowInfo> WaitForWindowCaption(DWORD pid, const std::string& caption, DWORD timeoutMs)
{
    return WaitForWindow(pid, timeoutMs, [&](const WindowInfo& w) { return w.caption == caption; });
}

void CloseMessageBox(HWND box)
{
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
}

} // namespace driver
