#include "ProgressRecorder.h"

#include "resource_ids.h"

namespace {
const char ClassName[] = "PayloadTestProgressRecorder";
}

ProgressRecorder::ProgressRecorder()
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = Proc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = ClassName;
    // Registered once per process; later registrations fail harmlessly.
    RegisterClassA(&windowClass);
    window_ = CreateWindowExA(0, ClassName, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                              GetModuleHandleA(nullptr), nullptr);
    SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

ProgressRecorder::~ProgressRecorder()
{
    if (window_ != nullptr)
        DestroyWindow(window_);
}

LRESULT CALLBACK ProgressRecorder::Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_SETUP_PROGRESS) {
        auto* self = reinterpret_cast<ProgressRecorder*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        if (self != nullptr && wParam == 0)
            self->percents_.push_back(static_cast<uint32_t>(lParam));
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
