#include "Driver.h"

#include <algorithm>

namespace driver {

std::optional<ConsoleText> ReadConsoleOf(DWORD pid)
{
    // A process can be attached to one console at a time: leave ours first.
    FreeConsole();
    if (!AttachConsole(pid))
        return std::nullopt;
    std::optional<ConsoleText> result;
    HANDLE out = CreateFileA("CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_EXISTING, 0, nullptr);
    CONSOLE_SCREEN_BUFFER_INFO info = {};
    if (out != INVALID_HANDLE_VALUE && GetConsoleScreenBufferInfo(out, &info)) {
        ConsoleText text;
        wchar_t title[1024] = {};
        GetConsoleTitleW(title, 1024);
        text.title = title;
        const SHORT width = info.dwSize.X;
        text.width = static_cast<size_t>(width);
        std::vector<char> row(static_cast<size_t>(width) + 1);
        // Nothing is written below the cursor's row.
        const SHORT rows = std::min<SHORT>(info.dwSize.Y, static_cast<SHORT>(info.dwCursorPosition.Y + 1));
        for (SHORT y = 0; y < rows; ++y) {
            DWORD read = 0;
            ReadConsoleOutputCharacterA(out, row.data(), width, COORD{0, y}, &read);
            std::string line(row.data(), read);
            while (!line.empty() && (line.back() == ' ' || line.back() == '\0'))
                line.pop_back();
            text.lines.push_back(line);
        }
        while (!text.lines.empty() && text.lines.back().empty())
            text.lines.pop_back();
        result = text;
    }
    if (out != INVALID_HANDLE_VALUE)
        CloseHandle(out);
    FreeConsole();
    return result;
}

std::optional<ConsoleText> WaitForConsoleLines(DWORD pid, size_t lineCount, DWORD timeoutMs)
{
    std::optional<ConsoleText> result;
    WaitUntil(
        [&] {
            result = ReadConsoleOf(pid);
            if (!result)
                return false;
            size_t filled = 0;
            for (const auto& line : result->lines)
                filled += line.empty() ? 0 : 1;
            return filled >= lineCount;
        },
        timeoutMs);
    return result;
}

} // namespace driver
