#include "LocaleStart.h"

#include <vector>

#include "Driver.h"

namespace {

std::string Variable(const char* name)
{
    char value[MAX_PATH] = "";
    const DWORD length = GetEnvironmentVariableA(name, value, MAX_PATH);
    return length > 0 && length < MAX_PATH ? value : "";
}

BOOL CALLBACK CollectVisible(HWND window, LPARAM param)
{
    if (IsWindowVisible(window))
        reinterpret_cast<std::vector<HWND>*>(param)->push_back(window);
    return TRUE;
}

// The file name of the program that process `pid` runs, or empty.
std::string ImageNameOf(HANDLE process)
{
    char path[MAX_PATH] = "";
    DWORD length = MAX_PATH;
    if (!QueryFullProcessImageNameA(process, 0, path, &length))
        return {};
    const std::string full(path, length);
    return full.substr(full.find_last_of("\\/") + 1);
}

} // namespace

bool StartInLocale(const std::string& locale, const std::string& program, const std::string& arguments)
{
    // The prefix's own loader; "wine" from the Linux PATH where none is named.
    std::string loader = Variable("WINELOADER");
    if (loader.empty())
        loader = "wine";
    std::string commandLine = "env -u LANGUAGE LANG=" + locale + " LC_ALL=" + locale + " \"" + loader + "\" \"" +
                              program + "\" " + arguments;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessA("Z:\\usr\\bin\\env", commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info))
        return false;
    // A Linux program gives back no handles; should any come, they are not needed.
    UniqueHandle process(info.hProcess);
    UniqueHandle thread(info.hThread);
    return true;
}

UniqueHandle WaitForProcessWithWindow(const std::string& imageName, DWORD timeoutMs, DWORD& pid)
{
    UniqueHandle found;
    driver::WaitUntil(
        [&] {
            std::vector<HWND> windows;
            EnumWindows(CollectVisible, reinterpret_cast<LPARAM>(&windows));
            for (HWND window : windows) {
                DWORD owner = 0;
                GetWindowThreadProcessId(window, &owner);
                if (owner == GetCurrentProcessId())
                    continue;
                UniqueHandle process(OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE,
                                                 FALSE, owner));
                if (process && _stricmp(ImageNameOf(process.get()).c_str(), imageName.c_str()) == 0) {
                    pid = owner;
                    found = std::move(process);
                    return true;
                }
            }
            return false;
        },
        timeoutMs);
    return found;
}
