#include "launch/ChildEnvironment.h"

#include <windows.h>

#include <algorithm>
#include <cwchar>
#include <cwctype>
#include <vector>

namespace {

// The name of "NAME=value"; a leading "=" belongs to the name ("=C:=C:\dir").
std::wstring NameOf(const std::wstring& variable)
{
    const size_t equals = variable.find(L'=', 1);
    return variable.substr(0, equals == std::wstring::npos ? variable.size() : equals);
}

std::wstring Upper(std::wstring text)
{
    for (wchar_t& c : text)
        c = static_cast<wchar_t>(std::towupper(c));
    return text;
}

std::wstring WithoutTrailingSeparator(std::wstring folder)
{
    // "C:\" stays as it is: "C:" would name the drive's current folder.
    if (folder.size() > 3 && folder.back() == L'\\')
        folder.pop_back();
    return folder;
}

std::wstring Wide(const char* text)
{
    const int length = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (length <= 1)
        return std::wstring();
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text, -1, wide.data(), length);
    wide.resize(static_cast<size_t>(length) - 1);
    return wide;
}

std::wstring FallbackMachinePath()
{
    wchar_t system[MAX_PATH] = {};
    wchar_t windows[MAX_PATH] = {};
    const UINT systemLength = GetSystemDirectoryW(system, MAX_PATH);
    const UINT windowsLength = GetSystemWindowsDirectoryW(windows, MAX_PATH);
    std::wstring path = systemLength > 0 && systemLength < MAX_PATH ? system : L"";
    if (windowsLength > 0 && windowsLength < MAX_PATH)
        path += (path.empty() ? L"" : L";") + std::wstring(windows);
    return path;
}

} // namespace

std::wstring BuildChildEnvironment(const wchar_t* parent, const std::wstring& tempFolder,
                                   const std::wstring& machinePath)
{
    std::vector<std::wstring> variables;
    std::wstring tmpName = L"TMP", tempName = L"TEMP", pathName = L"Path";
    for (const wchar_t* entry = parent; entry && *entry; entry += std::wcslen(entry) + 1) {
        const std::wstring variable = entry;
        const std::wstring name = NameOf(variable);
        const std::wstring upper = Upper(name);
        // The parent's own spelling is kept; its values are not.
        if (upper == L"TMP")
            tmpName = name;
        else if (upper == L"TEMP")
            tempName = name;
        else if (upper == L"PATH")
            pathName = name;
        else
            variables.push_back(variable);
    }
    const std::wstring folder = WithoutTrailingSeparator(tempFolder);
    variables.push_back(tmpName + L"=" + folder);
    variables.push_back(tempName + L"=" + folder);
    if (!machinePath.empty())
        variables.push_back(pathName + L"=" + machinePath);
    std::stable_sort(variables.begin(), variables.end(), [](const std::wstring& a, const std::wstring& b) {
        return Upper(NameOf(a)) < Upper(NameOf(b));
    });

    std::wstring block;
    for (const std::wstring& variable : variables) {
        block += variable;
        block += L'\0';
    }
    block += L'\0';
    return block;
}

std::wstring MachinePath()
{
    wchar_t library[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryW(library, MAX_PATH);
    if (length == 0 || length + 13 >= MAX_PATH)
        return FallbackMachinePath();
    lstrcatW(library, L"\\userenv.dll");
    const HMODULE userenv = LoadLibraryW(library);
    if (!userenv)
        return FallbackMachinePath();
    using CreateBlockFn = BOOL(WINAPI*)(LPVOID*, HANDLE, BOOL);
    using DestroyBlockFn = BOOL(WINAPI*)(LPVOID);
    const auto create = reinterpret_cast<CreateBlockFn>(
        reinterpret_cast<void*>(GetProcAddress(userenv, "CreateEnvironmentBlock")));
    const auto destroy = reinterpret_cast<DestroyBlockFn>(
        reinterpret_cast<void*>(GetProcAddress(userenv, "DestroyEnvironmentBlock")));
    std::wstring path;
    void* block = nullptr;
    // No token: the system's variables alone, none of any user's.
    if (create && destroy && create(&block, nullptr, FALSE)) {
        for (const wchar_t* entry = static_cast<const wchar_t*>(block); *entry; entry += std::wcslen(entry) + 1) {
            const std::wstring variable = entry;
            if (Upper(NameOf(variable)) == L"PATH")
                path = variable.substr(NameOf(variable).size() + 1);
        }
        destroy(block);
    }
    FreeLibrary(userenv);
    return path.empty() ? FallbackMachinePath() : path;
}

std::wstring ChildEnvironmentFor(const char* tempFolder)
{
    std::wstring parent;
    if (wchar_t* strings = GetEnvironmentStringsW()) {
        const wchar_t* end = strings;
        while (*end)
            end += std::wcslen(end) + 1;
        parent.assign(strings, static_cast<size_t>(end - strings) + 1);
        FreeEnvironmentStringsW(strings);
    }
    return BuildChildEnvironment(parent.c_str(), Wide(tempFolder), MachinePath());
}
