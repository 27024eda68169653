#include "launch/UninstallerCheck.h"

#include "launch/ChildCommandLines.h"
#include "launch/ChildProcess.h"

bool UninstallerCheckResult::Passed() const { return started && !timedOut && IsAcceptedCheckCode(exitCode); }

UninstallerCheckResult CheckUninstaller(const char* path, const wchar_t* environment)
{
    UninstallerCheckResult result;
    // The command line is the path alone, unquoted; CreateProcessA may write to it.
    char commandLine[MAX_PATH] = {};
    lstrcpynA(commandLine, path, MAX_PATH);
    StartedChild child;
    if (!StartChild(path, commandLine, SW_HIDE, child, environment)) {
        result.startError = GetLastError();
        return result;
    }
    result.started = true;
    if (WaitForSingleObject(child.process.get(), kUninstallerCheckTimeoutMs) == WAIT_TIMEOUT) {
        TerminateProcess(child.process.get(), 0);
        // One that has not ended by then is left to the next attempt, as before.
        WaitForSingleObject(child.process.get(), kUninstallerTerminationWaitMs);
        result.timedOut = true;
    }
    GetExitCodeProcess(child.process.get(), &result.exitCode);
    return result;
}
