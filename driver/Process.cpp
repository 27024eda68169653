#include "Driver.h"

#include <tlhelp32.h>

#include <algorithm>
#include <cctype>
#include <set>

namespace driver {
namespace {

bool SameName(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) == std::toupper(static_cast<unsigned char>(y));
           });
}

// The driver's own environment with the overrides applied, as an ANSI block.
std::vector<char> BuildEnvironment(const StartOptions& options)
{
    std::vector<std::pair<std::string, std::string>> vars;
    if (char* block = GetEnvironmentStringsA()) {
        for (const char* p = block; *p; p += std::string(p).size() + 1) {
            std::string entry(p);
            // Entries such as "=C:=C:\dir" keep their leading '='.
            size_t eq = entry.find('=', 1);
            if (eq == std::string::npos)
                continue;
            vars.emplace_back(entry.substr(0, eq), entry.substr(eq + 1));
        }
        FreeEnvironmentStringsA(block);
    }
    auto drop = [&](const std::string& name) {
        vars.erase(std::remove_if(vars.begin(), vars.end(),
                                  [&](const auto& v) { return SameName(v.first, name); }),
                   vars.end());
    };
    for (const auto& name : options.unsetEnvironment)
        drop(name);
    for (const auto& [name, value] : options.environment) {
        drop(name);
        vars.emplace_back(name, value);
    }
    std::vector<char> out;
    for (const auto& [name, value] : vars) {
        std::string entry = name + "=" + value;
        out.insert(out.end(), entry.begin(), entry.end());
        out.push_back('\0');
    }
    out.push_back('\0');
    out.push_back('\0');
    return out;
}

std::set<DWORD> ProcessesNamed(const std::string& exe)
{
    std::set<DWORD> ids;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return ids;
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
        if (_stricmp(entry.szExeFile, exe.c_str()) == 0)
            ids.insert(entry.th32ProcessID);
    }
    CloseHandle(snapshot);
    return ids;
}

} // namespace

Process::Process(Process&& other) noexcept : process_(other.process_), id_(other.id_)
{
    other.process_ = nullptr;
    other.id_ = 0;
}

Process& Process::operator=(Process&& other) noexcept
{
    if (this != &other) {
        if (process_)
            CloseHandle(process_);
        process_ = other.process_;
        id_ = other.id_;
        other.process_ = nullptr;
        other.id_ = 0;
    }
    return *this;
}

Process::~Process()
{
    if (process_)
        CloseHandle(process_);
}

namespace {

// The one CreateProcessA call of the driver: detached, nothing inherited.
bool CreateDetached(const StartOptions& options, PROCESS_INFORMATION& info)
{
    std::vector<char> commandLine(options.commandLine.begin(), options.commandLine.end());
    commandLine.push_back('\0');
    std::vector<char> environment = BuildEnvironment(options);
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    std::vector<char> desktop(options.desktop.begin(), options.desktop.end());
    desktop.push_back('\0');
    startup.lpDesktop = options.desktop.empty() ? nullptr : desktop.data();
    info = {};
    return CreateProcessA(options.application.empty() ? nullptr : options.application.c_str(), commandLine.data(),
                          nullptr, nullptr, FALSE, DETACHED_PROCESS, environment.data(),
                          options.currentDirectory.empty() ? nullptr : options.currentDirectory.c_str(), &startup,
                          &info) != FALSE;
}

} // namespace

HiddenDesktop::HiddenDesktop()
{
    const std::string station = "QueltHidden" + std::to_string(GetCurrentProcessId());
    station_ = CreateWindowStationA(station.c_str(), 0, WINSTA_ALL_ACCESS, nullptr);
    // A desktop is made on the calling process's window station.
    const HWINSTA own = GetProcessWindowStation();
    if (station_ && SetProcessWindowStation(station_)) {
        desktop_ = CreateDesktopA("Default", nullptr, nullptr, 0, GENERIC_ALL, nullptr);
        SetProcessWindowStation(own);
    }
    if (desktop_)
        name_ = station + "\\Default";
}

HiddenDesktop::~HiddenDesktop()
{
    if (desktop_)
        CloseDesktop(desktop_);
    if (station_)
        CloseWindowStation(station_);
}

bool Process::Start(const StartOptions& options)
{
    PROCESS_INFORMATION info;
    if (!CreateDetached(options, info))
        return false;
    CloseHandle(info.hThread);
    if (process_)
        CloseHandle(process_);
    process_ = info.hProcess;
    id_ = info.dwProcessId;
    return true;
}

bool StartLinuxProgram(const StartOptions& options)
{
    // Wine starts a Linux program without a process object and leaves stray
    // values in `info`: closing them once closed this program's own standard
    // output. Nothing in it is ours, so it is left alone.
    PROCESS_INFORMATION info;
    return CreateDetached(options, info);
}

bool Process::Attach(DWORD processId)
{
    HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE, FALSE,
                                 processId);
    if (!process)
        return false;
    if (process_)
        CloseHandle(process_);
    process_ = process;
    id_ = processId;
    return true;
}

std::optional<Process> StartInLocale(const std::string& exeName, const std::string& arguments,
                                     const std::string& locale, DWORD timeoutMs)
{
    const std::set<DWORD> before = ProcessesNamed(exeName);

    // Wine keeps WINELOADER itself out of a Linux child's environment, so the
    // loader that runs this process travels under another name.
    char loader[MAX_PATH] = "wine";
    GetEnvironmentVariableA("WINELOADER", loader, MAX_PATH);
    StartOptions options;
    options.commandLine =
        "Z:\\bin\\sh -c \"exec \\\"$LOCALE_START_LOADER\\\" \\\"$LOCALE_START_EXE\\\" $LOCALE_START_ARGS\"";
    options.environment = {{"LANG", locale},
                           {"LC_ALL", locale},
                           {"LOCALE_START_LOADER", loader},
                           {"LOCALE_START_EXE", BinPath(exeName)},
                           {"LOCALE_START_ARGS", arguments}};
    if (!StartLinuxProgram(options))
        return std::nullopt;

    DWORD started = 0;
    WaitUntil(
        [&] {
            for (DWORD id : ProcessesNamed(exeName)) {
                if (before.count(id) == 0) {
                    started = id;
                    return true;
                }
            }
            return false;
        },
        timeoutMs);
    Process process;
    if (started == 0 || !process.Attach(started))
        return std::nullopt;
    return process;
}

std::optional<uint32_t> Process::Wait(DWORD timeoutMs)
{
    if (!process_ || WaitForSingleObject(process_, timeoutMs) != WAIT_OBJECT_0)
        return std::nullopt;
    DWORD code = 0;
    if (!GetExitCodeProcess(process_, &code))
        return std::nullopt;
    return code;
}

bool Process::Running() const
{
    return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

void Process::Kill()
{
    if (Running()) {
        TerminateProcess(process_, 0xDEAD);
        WaitForSingleObject(process_, 5000);
    }
}

bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs)
{
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        if (done())
            return true;
        if (GetTickCount64() >= deadline)
            return false;
        Sleep(20);
    }
}

} // namespace driver
