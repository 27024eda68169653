// Stand-in uninstaller. Started with no arguments it answers the loader's check
// with an exit code from 1001 to 1100; started with "/p<pid> <path>" it waits
// for that process to end and deletes that file.
//
// Test controls (inert unless set): VUT_STANDIN_UNDO_EXIT, a comma-separated
// list of exit codes for the successive checks (the last one repeats), and
// VUT_STANDIN_UNDO_SLEEP_MS, a delay before a check answers; VUT_STANDIN_LOAD
// names DLLs to load by bare name, recording where each came from;
// VUT_STANDIN_UNDO_OPEN_AFTER names an event that the hand-over waits for
// (bounded) before it opens the id it was given, recording in vutundo.handed
// which program that id then names.
#include "StandinRecord.h"

#include <cstdlib>
#include <cstring>

namespace {

// The number of earlier checks in this log folder, counted in a file of its own.
unsigned CheckNumber()
{
    char dir[MAX_PATH] = {};
    const DWORD n = GetEnvironmentVariableA("VUT_STANDIN_LOG", dir, MAX_PATH);
    if (n == 0 || n + 20 >= MAX_PATH)
        return 0;
    char path[MAX_PATH];
    lstrcpyA(path, dir);
    lstrcatA(path, dir[n - 1] == '\\' ? "vutundo.checks" : "\\vutundo.checks");
    HANDLE file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    LARGE_INTEGER size = {};
    GetFileSizeEx(file, &size);
    DWORD written = 0;
    WriteFile(file, "x", 1, &written, nullptr);
    CloseHandle(file);
    return static_cast<unsigned>(size.QuadPart);
}

DWORD CheckExitCode()
{
    char list[256] = {};
    const DWORD n = GetEnvironmentVariableA("VUT_STANDIN_UNDO_EXIT", list, sizeof(list));
    if (n == 0 || n >= sizeof(list))
        return 1001;
    unsigned index = CheckNumber();
    const char* p = list;
    unsigned long code = std::strtoul(p, nullptr, 10);
    while (index-- > 0) {
        const char* comma = std::strchr(p, ',');
        if (!comma)
            break;
        p = comma + 1;
        code = std::strtoul(p, nullptr, 10);
    }
    return static_cast<DWORD>(code);
}

int HandOver(const char* args)
{
    char* end = nullptr;
    const unsigned long pid = std::strtoul(args + 2, &end, 10);
    if (end == args + 2 || *end != ' ')
        return 2;
    const char* path = end + 1;
    char event[MAX_PATH] = {};
    const DWORD eventLength = GetEnvironmentVariableA("VUT_STANDIN_UNDO_OPEN_AFTER", event, MAX_PATH);
    if (eventLength >= MAX_PATH)
        event[0] = '\0';
    if (event[0]) {
        if (HANDLE go = CreateEventA(nullptr, TRUE, FALSE, event)) {
            WaitForSingleObject(go, 60000);
            CloseHandle(go);
        }
    }
    HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (event[0]) {
        char image[MAX_PATH] = "(not opened)";
        DWORD size = MAX_PATH;
        if (process && !QueryFullProcessImageNameA(process, 0, image, &size))
            lstrcpyA(image, "(no name)");
        RecordLine("vutundo", ".handed", image);
    }
    if (process) {
        WaitForSingleObject(process, INFINITE);
        CloseHandle(process);
    }
    // The installer's image can stay locked for a moment after its process ends.
    for (int tries = 0; tries < 100; ++tries) {
        if (DeleteFileA(path) || GetLastError() == ERROR_FILE_NOT_FOUND)
            return 0;
        Sleep(50);
    }
    return 3;
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    RecordStart("vutundo");
    RecordLoads("vutundo");
    RecordEnvironment("vutundo");
    // The check starts this program by its path alone, unquoted, so a path with
    // blanks looks like arguments: only "/p" marks the hand-over.
    if (const char* handOver = std::strstr(GetCommandLineA(), " /p"))
        return HandOver(handOver + 1);
    if (const unsigned long delay = StandinNumber("VUT_STANDIN_UNDO_SLEEP_MS", 0))
        Sleep(delay);
    return static_cast<int>(CheckExitCode());
}
