// Entry point: reads what this run is asked to do, then hands over to the
// launch sequence, whose result is the exit code.
#include "common/LoaderInstance.h"
#include "launch/CommandLine.h"
#include "launch/CommandLineTail.h"
#include "guard/DllSearch.h"
#include "launch/GetParams.h"
#include "launch/LaunchSequence.h"
#include "launch/Settings.h"
#include "launch/Usage.h"

#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    RestrictDllSearch();
    SetLoaderInstance(instance);

    // Not the tail the C runtime hands over: its start-up code compares bytes
    // as signed chars, so an unquoted program name with a byte of 0x80 or
    // above ends there and the rest of the name became the tail (seen with
    // mingw-w64 10 under Wine).
    const char* tail = CommandLineTail(GetCommandLineA());

    if (IsHelpRequest(tail)) {
        ShowUsage();
        return static_cast<int>(UsageExitCode);
    }

    LaunchOptions options;
    const bool paramsResult = GetParams(tail, options);
    ReadSettings(options);

    return static_cast<int>(RunLaunchSequence(instance, tail, options, paramsResult));
}
