#include "OddPlaces.h"

#include <tlhelp32.h>

#include <algorithm>
#include <atomic>
#include <cwctype>

namespace e2e::odd {
namespace {

constexpr wchar_t kRelayVariable[] = L"ODD_PLACES_RELAY";
constexpr DWORD kShellBoundMs = 10000;
constexpr DWORD kRelayHoldMs = 30000;

bool SameName(const std::wstring& a, const std::wstring& b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](wchar_t x, wchar_t y) {
               return std::towupper(x) == std::towupper(y);
           });
}

using Variables = std::vector<std::pair<std::wstring, std::wstring>>;

Variables OwnEnvironment()
{
    Variables vars;
    if (wchar_t* block = GetEnvironmentStringsW()) {
        for (const wchar_t* p = block; *p; p += std::wstring(p).size() + 1) {
            const std::wstring entry(p);
            // Entries such as "=C:=C:\dir" keep their leading '='.
            const size_t eq = entry.find(L'=', 1);
            if (eq != std::wstring::npos)
                vars.emplace_back(entry.substr(0, eq), entry.substr(eq + 1));
        }
        FreeEnvironmentStringsW(block);
    }
    return vars;
}

void Drop(Variables& vars, const std::wstring& name)
{
    vars.erase(std::remove_if(vars.begin(), vars.end(), [&](const auto& v) { return SameName(v.first, name); }),
               vars.end());
}

std::vector<wchar_t> Block(const Variables& vars)
{
    std::vector<wchar_t> block;
    for (const auto& [name, value] : vars) {
        const std::wstring entry = name + L"=" + value;
        block.insert(block.end(), entry.begin(), entry.end());
        block.push_back(L'\0');
    }
    block.push_back(L'\0');
    block.push_back(L'\0');
    return block;
}

std::optional<std::wstring> ReadWideFile(const std::wstring& path)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return std::nullopt;
    std::wstring text;
    wchar_t buffer[4096];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0)
        text.append(buffer, read / sizeof(wchar_t));
    CloseHandle(file);
    return text;
}

// Written under another name first and then renamed, so a reader never sees half of it.
bool WriteWideFile(const std::wstring& path, const std::wstring& text)
{
    const std::wstring part = path + L".part";
    HANDLE file = CreateFileW(part.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const DWORD size = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    const bool ok = WriteFile(file, text.data(), size, &written, nullptr) && written == size;
    CloseHandle(file);
    return ok && MoveFileExW(part.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
}

std::vector<std::wstring> SplitLines(const std::wstring& text)
{
    std::vector<std::wstring> lines;
    size_t at = 0;
    for (size_t end; (end = text.find(L'\n', at)) != std::wstring::npos; at = end + 1)
        lines.push_back(text.substr(at, end - at));
    return lines;
}

// The relay's side: instructions are the application, the command line, the
// current directory (each on a line of its own), then "NAME=value" to set and
// "-NAME" to remove. It starts the program detached, as from the desktop,
// names its process id in "<instructions>.pid", and holds the process until
// "<instructions>.attached" says the suite has taken it over.
int RunRelay(const std::wstring& instructions)
{
    const auto text = ReadWideFile(instructions);
    const std::vector<std::wstring> lines = text ? SplitLines(*text) : std::vector<std::wstring>{};
    if (lines.size() < 3)
        return 2;
    Variables vars = OwnEnvironment();
    Drop(vars, kRelayVariable);
    for (size_t i = 3; i < lines.size(); ++i) {
        const std::wstring& line = lines[i];
        if (!line.empty() && line[0] == L'-') {
            Drop(vars, line.substr(1));
        } else if (const size_t eq = line.find(L'=', 1); eq != std::wstring::npos) {
            Drop(vars, line.substr(0, eq));
            vars.emplace_back(line.substr(0, eq), line.substr(eq + 1));
        }
    }
    std::vector<wchar_t> environment = Block(vars);
    std::vector<wchar_t> commandLine(lines[1].begin(), lines[1].end());
    commandLine.push_back(L'\0');
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(lines[0].c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                        DETACHED_PROCESS | CREATE_UNICODE_ENVIRONMENT, environment.data(),
                        lines[2].empty() ? nullptr : lines[2].c_str(), &startup, &info)) {
        WriteWideFile(instructions + L".pid", L"0\n");
        return 3;
    }
    CloseHandle(info.hThread);
    WriteWideFile(instructions + L".pid", std::to_wstring(info.dwProcessId) + L"\n");
    const std::wstring attached = instructions + L".attached";
    driver::WaitUntil([&] { return GetFileAttributesW(attached.c_str()) != INVALID_FILE_ATTRIBUTES; }, kRelayHoldMs);
    CloseHandle(info.hProcess);
    return 0;
}

// The suite's program started as a relay does nothing else: it relays before
// any test could run, and ends.
struct RelayAtStart {
    RelayAtStart()
    {
        wchar_t instructions[MAX_PATH] = {};
        const DWORD length = GetEnvironmentVariableW(kRelayVariable, instructions, MAX_PATH);
        if (length > 0 && length < MAX_PATH)
            ExitProcess(static_cast<UINT>(RunRelay(instructions)));
    }
} relayAtStart;

// Starts a Linux shell on `script` (double quotes in it are passed on as
// such) with `environment` added. Wine gives no usable handle to a Linux
// process, so the caller waits for what the script does, not for its end.
bool StartShell(std::string script, const std::map<std::string, std::string>& environment)
{
    std::string escaped;
    for (const char c : script) {
        if (c == '"')
            escaped += '\\';
        escaped += c;
    }
    driver::StartOptions options;
    options.commandLine = "Z:\\bin\\sh -c \"" + escaped + "\"";
    options.environment = environment;
    return driver::StartLinuxProgram(options);
}

std::string EnvironmentValue(const char* name)
{
    char value[MAX_PATH] = {};
    const DWORD length = GetEnvironmentVariableA(name, value, MAX_PATH);
    return length > 0 && length < MAX_PATH ? value : "";
}

} // namespace

std::wstring Wide(const std::string& text, UINT codePage)
{
    if (text.empty())
        return {};
    const int length = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
    return wide;
}

std::string Narrow(const std::wstring& text, UINT codePage, bool* lossless)
{
    if (lossless)
        *lossless = true;
    if (text.empty())
        return {};
    BOOL defaulted = FALSE;
    const bool utf8 = codePage == CP_UTF8;
    BOOL* used = utf8 ? nullptr : &defaulted;
    const int length =
        WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, used);
    std::string narrow(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), narrow.data(), length, nullptr,
                        used);
    if (lossless && !utf8)
        *lossless = !defaulted && Wide(narrow, codePage) == text;
    return narrow;
}

std::set<std::wstring> FilesUnder(const std::wstring& folder)
{
    std::set<std::wstring> files;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return files;
    do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..")
            continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            const std::set<std::wstring> inner = FilesUnder(folder + name + L"\\");
            if (inner.empty())
                files.insert(name + L"\\");
            for (const std::wstring& file : inner)
                files.insert(name + L"\\" + file);
        } else {
            files.insert(name);
        }
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return files;
}

bool RemoveTreeW(const std::wstring& path)
{
    std::wstring dir = path;
    while (!dir.empty() && dir.back() == L'\\')
        dir.pop_back();
    const DWORD attributes = GetFileAttributesW(dir.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return true;
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        SetFileAttributesW(dir.c_str(), FILE_ATTRIBUTE_NORMAL);
        return DeleteFileW(dir.c_str()) != FALSE;
    }
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((dir + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name != L"." && name != L"..")
                RemoveTreeW(dir + L"\\" + name);
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    return RemoveDirectoryW(dir.c_str()) != FALSE;
}

std::string Listing(const std::set<std::wstring>& names)
{
    std::string text;
    for (const std::wstring& name : names)
        text += (text.empty() ? "" : ", ") + Narrow(name, CP_UTF8);
    return text;
}

std::vector<std::string> WrappedRows(const std::vector<std::string>& lines, size_t width)
{
    std::vector<std::string> rows;
    for (const std::string& line : lines) {
        for (size_t at = 0; at < line.size() || at == 0; at += width) {
            std::string row = line.substr(at, width);
            while (!row.empty() && row.back() == ' ')
                row.pop_back();
            rows.push_back(row);
        }
    }
    return NonEmptyRows(rows);
}

std::vector<std::string> NonEmptyRows(const std::vector<std::string>& rows)
{
    std::vector<std::string> kept;
    for (const std::string& row : rows) {
        if (!row.empty())
            kept.push_back(row);
    }
    return kept;
}

std::string UnixPathOf(const std::string& windowsPath)
{
    using UnixFileName = char*(CDECL*)(const WCHAR*);
    const auto convert = reinterpret_cast<UnixFileName>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (convert == nullptr)
        return "";
    char* unixPath = convert(Wide(windowsPath).c_str());
    if (unixPath == nullptr)
        return "";
    std::string path = unixPath;
    HeapFree(GetProcessHeap(), 0, unixPath);
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

WineDrive::WineDrive(const std::string& windowsFolder)
{
    const std::string prefix = EnvironmentValue("WINEPREFIX");
    target_ = UnixPathOf(windowsFolder);
    if (prefix.empty() || target_.empty())
        return;
    for (char letter = 'r'; letter <= 'y' && root_.empty(); ++letter) {
        const std::string root = std::string(1, static_cast<char>(letter - 'a' + 'A')) + ":\\";
        if (GetFileAttributesA(root.c_str()) != INVALID_FILE_ATTRIBUTES)
            continue; // taken
        link_ = prefix + "/dosdevices/" + letter + ":";
        // Never over an entry of the prefix's own, even a dangling one.
        if (!StartShell("[ -e \"$ODD_LINK\" ] || [ -L \"$ODD_LINK\" ] || ln -s \"$ODD_TARGET\" \"$ODD_LINK\"",
                        {{"ODD_LINK", link_}, {"ODD_TARGET", target_}}))
            break;
        if (driver::WaitUntil([&] { return driver::DirectoryExists(root); }, kShellBoundMs))
            root_ = root;
        else
            RemoveLink(); // in case it came too late
    }
    if (root_.empty())
        link_.clear();
}

WineDrive::~WineDrive()
{
    if (root_.empty())
        return;
    RemoveLink();
    const std::string root = root_;
    driver::WaitUntil([&] { return !driver::DirectoryExists(root); }, kShellBoundMs);
}

void WineDrive::RemoveLink()
{
    // Only a link to this object's folder goes.
    StartShell("[ \"$(readlink \"$ODD_LINK\")\" = \"$ODD_TARGET\" ] && rm -f \"$ODD_LINK\"",
               {{"ODD_LINK", link_}, {"ODD_TARGET", target_}});
}

RegistryString::RegistryString(HKEY root, std::wstring subKey, std::wstring name)
    : root_(root), subKey_(std::move(subKey)), name_(std::move(name))
{
    wchar_t value[1024] = {};
    DWORD size = sizeof value;
    if (RegGetValueW(root_, subKey_.c_str(), name_.c_str(), RRF_RT_REG_SZ, nullptr, value, &size) == ERROR_SUCCESS)
        original_ = value;
}

bool RegistryString::Set(const std::wstring& value)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(root_, subKey_.c_str(), 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS)
        return false;
    changed_ = true;
    const LONG result = RegSetValueExW(key, name_.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                       static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    return result == ERROR_SUCCESS;
}

RegistryString::~RegistryString()
{
    if (!changed_)
        return;
    HKEY key = nullptr;
    if (RegOpenKeyExW(root_, subKey_.c_str(), 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS)
        return;
    if (original_) {
        RegSetValueExW(key, name_.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(original_->c_str()),
                       static_cast<DWORD>((original_->size() + 1) * sizeof(wchar_t)));
    } else {
        RegDeleteValueW(key, name_.c_str());
    }
    RegCloseKey(key);
}

std::optional<driver::Process> StartUnderLocale(const LocaleStart& start, DWORD timeoutMs)
{
    static std::atomic<unsigned> counter{0};
    const std::wstring instructions =
        Wide(start.scratchFolder) + L"relay-" + std::to_wstring(counter++) + L".txt";
    std::wstring text = start.application + L"\n" + start.commandLine + L"\n" + start.currentDirectory + L"\n";
    for (const auto& [name, value] : start.environment)
        text += name + L"=" + value + L"\n";
    for (const std::wstring& name : start.unsetEnvironment)
        text += L"-" + name + L"\n";
    if (!WriteWideFile(instructions, text))
        return std::nullopt;

    // Wine keeps WINELOADER itself out of a Linux child's environment, so the
    // loader that runs the relay travels under another name.
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    const std::string loader = EnvironmentValue("WINELOADER");
    if (!StartShell("exec \"$LOCALE_START_LOADER\" \"$LOCALE_START_EXE\"",
                    {{"LANG", start.locale},
                     {"LC_ALL", start.locale},
                     {"LOCALE_START_LOADER", loader.empty() ? "wine" : loader},
                     {"LOCALE_START_EXE", self},
                     {"ODD_PLACES_RELAY", Narrow(instructions, CP_ACP)}}))
        return std::nullopt;

    const std::wstring pidFile = instructions + L".pid";
    std::optional<std::wstring> pid;
    driver::WaitUntil([&] { return (pid = ReadWideFile(pidFile)).has_value(); }, timeoutMs);
    if (!pid)
        return std::nullopt;
    driver::Process process;
    const DWORD id = static_cast<DWORD>(std::wcstoul(pid->c_str(), nullptr, 10));
    const bool attached = id != 0 && process.Attach(id);
    WriteWideFile(instructions + L".attached", L"");
    if (!attached)
        return std::nullopt;
    return process;
}

} // namespace e2e::odd
