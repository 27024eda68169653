#include "launch/ChildProcess.h"

#include "launch/LoaderFolder.h"

#ifndef _WIN64
static_assert(sizeof(STARTUPINFOA) == 68, "the start-up record of a 32-bit program");
#endif

bool StartChild(const char* application, char* commandLine, WORD showWindow, StartedChild& child,
                const wchar_t* environment, DWORD flags)
{
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    startup.wShowWindow = showWindow;
    char folder[MAX_PATH] = {};
    FolderOfPath(application, folder);
    if (environment)
        flags |= CREATE_UNICODE_ENVIRONMENT;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessA(application, commandLine, nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS | flags,
                        const_cast<wchar_t*>(environment), folder[0] ? folder : nullptr, &startup, &info))
        return false;
    child.process.reset(info.hProcess);
    child.thread.reset(info.hThread);
    child.processId = info.dwProcessId;
    return true;
}

bool LendProcessHandle(HANDLE process, HANDLE holder)
{
    HANDLE lent = nullptr;
    return DuplicateHandle(GetCurrentProcess(), process, holder, &lent,
                           SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, 0) != FALSE;
}
