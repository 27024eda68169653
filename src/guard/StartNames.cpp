#include "guard/StartNames.h"

#include "guard/ExactAnsi.h"
#include "guard/ExactPath.h"
#include "guard/WideCommandLineTail.h"

#include <cstring>

namespace {

// Both answers of a call pair that returns a length, or the size it needs
// when the buffer is too small; a path that reaches MAX_PATH was cut.
std::optional<std::string> SpelledPath(DWORD wideLength, const wchar_t* wide, DWORD ansiLength, const char* ansi)
{
    const std::wstring widePath = wideLength < MAX_PATH ? std::wstring(wide, wideLength) : std::wstring();
    const std::string ansiPath = ansiLength < MAX_PATH ? std::string(ansi, ansiLength) : std::string();
    return ExactPath(widePath, ansiPath, GetACP());
}

std::optional<std::string> ProgramPath()
{
    wchar_t wide[MAX_PATH] = {};
    char ansi[MAX_PATH] = {};
    const DWORD wideLength = GetModuleFileNameW(nullptr, wide, MAX_PATH);
    const DWORD ansiLength = GetModuleFileNameA(nullptr, ansi, MAX_PATH);
    return SpelledPath(wideLength, wide, ansiLength, ansi);
}

std::optional<std::string> CurrentFolder()
{
    wchar_t wide[MAX_PATH] = {};
    char ansi[MAX_PATH] = {};
    const DWORD wideLength = GetCurrentDirectoryW(MAX_PATH, wide);
    const DWORD ansiLength = GetCurrentDirectoryA(MAX_PATH, ansi);
    return SpelledPath(wideLength, wide, ansiLength, ansi);
}

} // namespace

std::optional<std::string> ExactCommandLineTail() { return ExactAnsi(WideCommandLineTail(GetCommandLineW())); }

bool StartPathsSpelled(bool currentFolderUsed)
{
    // The wizard's command line names the program's folder: without it there is nothing to tell it.
    const std::optional<std::string> program = ProgramPath();
    if (!program || program->empty())
        return false;
    return !currentFolderUsed || CurrentFolder().has_value();
}

DWORD WINAPI ExactModuleFileName(HMODULE module, LPSTR buffer, DWORD size)
{
    const std::optional<std::string> path = module == nullptr ? ProgramPath() : std::nullopt;
    if (!path || path->empty() || path->size() >= size)
        return 0;
    std::memcpy(buffer, path->c_str(), path->size() + 1);
    return static_cast<DWORD>(path->size());
}

DWORD WINAPI ExactCurrentDirectory(DWORD size, LPSTR buffer)
{
    const std::optional<std::string> path = CurrentFolder();
    if (!path || path->empty())
        return 0;
    if (path->size() >= size)
        return static_cast<DWORD>(path->size() + 1);
    std::memcpy(buffer, path->c_str(), path->size() + 1);
    return static_cast<DWORD>(path->size());
}
