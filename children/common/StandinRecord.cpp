#include "StandinRecord.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

bool LogPath(const char* name, const char* extension, char (&path)[MAX_PATH])
{
    char dir[MAX_PATH] = {};
    const DWORD n = GetEnvironmentVariableA("VUT_STANDIN_LOG", dir, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        return false;
    const int written = std::snprintf(path, MAX_PATH, "%s%s%s%s", dir,
                                      dir[n - 1] == '\\' ? "" : "\\", name, extension);
    return written > 0 && written < MAX_PATH;
}

} // namespace

void RecordStart(const char* name)
{
    char path[MAX_PATH];
    if (!LogPath(name, ".log", path))
        return;
    char module[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, module, MAX_PATH);
    char head[MAX_PATH + 32];
    const int headLength = std::snprintf(head, sizeof(head), "%lu\t%s\t", GetCurrentProcessId(), module);
    const char* commandLine = GetCommandLineA();

    // Two starts can record at once (the check and the hand-over): append
    // atomically, retrying while the other holds the file.
    for (int tries = 0; tries < 200; ++tries) {
        HANDLE file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            Sleep(10);
            continue;
        }
        DWORD written = 0;
        WriteFile(file, head, static_cast<DWORD>(headLength), &written, nullptr);
        WriteFile(file, commandLine, static_cast<DWORD>(std::strlen(commandLine)), &written, nullptr);
        WriteFile(file, "\r\n", 2, &written, nullptr);
        CloseHandle(file);
        return;
    }
}

void RecordLoads(const char* name)
{
    char list[512] = {};
    char path[MAX_PATH];
    const DWORD n = GetEnvironmentVariableA("VUT_STANDIN_LOAD", list, sizeof(list));
    if (n == 0 || n >= sizeof(list) || !LogPath(name, ".loads", path))
        return;
    char folder[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, folder);
    std::string lines = std::string(".\t") + folder + "\r\n";
    for (char* dll = std::strtok(list, ","); dll; dll = std::strtok(nullptr, ",")) {
        char loaded[MAX_PATH] = {};
        if (HMODULE module = LoadLibraryA(dll)) {
            GetModuleFileNameA(module, loaded, MAX_PATH);
            lines += std::string(dll) + "\t" + loaded + "\r\n";
        }
    }
    const HANDLE file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    WriteFile(file, lines.data(), static_cast<DWORD>(lines.size()), &written, nullptr);
    CloseHandle(file);
}

void RecordImage(const char* name)
{
    char path[MAX_PATH];
    if (!LogPath(name, ".image", path))
        return;
    char module[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, module, MAX_PATH);
    CopyFileA(module, path, FALSE);
}

unsigned long StandinNumber(const char* variable, unsigned long fallback)
{
    char value[32] = {};
    const DWORD n = GetEnvironmentVariableA(variable, value, sizeof(value));
    if (n == 0 || n >= sizeof(value))
        return fallback;
    char* end = nullptr;
    const unsigned long number = std::strtoul(value, &end, 10);
    return (end && *end == '\0') ? number : fallback;
}

void RecordLine(const char* name, const char* extension, const std::string& line)
{
    char path[MAX_PATH];
    if (!LogPath(name, extension, path))
        return;
    const std::string text = line + "\r\n";
    // The check and the hand-over may append at once: retried while the other holds the file.
    for (int tries = 0; tries < 200; ++tries) {
        const HANDLE file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            Sleep(10);
            continue;
        }
        DWORD written = 0;
        WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        CloseHandle(file);
        return;
    }
}

void RecordEnvironment(const char* name)
{
    std::string line = std::to_string(GetCurrentProcessId());
    for (const char* variable : {"TMP", "TEMP", "PATH"}) {
        char value[4096] = {};
        const DWORD n = GetEnvironmentVariableA(variable, value, sizeof value);
        line += std::string("\t") + (n < sizeof value ? value : "(too long)");
    }
    RecordLine(name, ".env", line);
}
