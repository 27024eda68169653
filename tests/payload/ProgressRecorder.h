// A real window that remembers every progress percent sent to it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

class ProgressRecorder {
public:
    ProgressRecorder();
    ~ProgressRecorder();
    ProgressRecorder(const ProgressRecorder&) = delete;
    ProgressRecorder& operator=(const ProgressRecorder&) = delete;

    HWND Window() const { return window_; }
    const std::vector<uint32_t>& Percents() const { return percents_; }

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HWND window_ = nullptr;
    std::vector<uint32_t> percents_;
};
