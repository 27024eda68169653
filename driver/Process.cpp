#include "Driver.h"

#include <algorithm>
#include <cctype>

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

bool Process::Start(const StartOptions& options)
{
    std::vector<char> commandLine(options.commandLine.begin(), options.commandLine.end());
    commandLine.push_back('\0');
    std::vector<char> environment = BuildEnvironment(options);
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    if (!CreateProcessA(options.application.empty() ? nullptr : options.application.c_str(), commandLine.data(),
                        nullptr, nullptr, FALSE, DETACHED_PROCESS, environment.data(),
                        options.currentDirectory.empty() ? nullptr : options.currentDirectory.c_str(), &startup,
                        &info))
        return false;
    CloseHandle(info.hThread);
    if (process_)
        CloseHandle(process_);
    process_ = info.hProcess;
    id_ = info.dwProcessId;
    return true;
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
