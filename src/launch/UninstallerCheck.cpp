#include "launch/UninstallerCheck.h"

#include "launch/ChildCommandLines.h"
#include "launch/ChildProcess.h"

bool RunUninstallerCheck(const char* path)
{
    // The command line is the path alone, unquoted; CreateProcessA may write to it.
    char commandLine[MAX_PATH] = {};
    lstrcpynA(commandLine, path, MAX_PATH);
    StartedChild child;
    if (!StartChild(path, commandLine, SW_HIDE, child))
        return false;

    bool timedOut = false;
    if (WaitForSingleObject(child.process.get(), kUninstallerCheckTimeoutMs) == WAIT_TIMEOUT) {
        TerminateProcess(child.process.get(), 0);
        timedOut = true;
    }
    DWORD exitCode = 0;
    GetExitCodeProcess(child.process.get(), &exitCode);
    child.process.reset();
    child.thread.reset();
    return !timedOut && IsAcceptedCheckCode(exitCode);
}
