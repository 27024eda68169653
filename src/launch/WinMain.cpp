// Entry point: reads what this run is asked to do, then hands over to the
// launch sequence, whose result is the exit code.
#include "common/LoaderInstance.h"
#include "guard/DllSearch.h"
#include "guard/StartNames.h"
#include "launch/CommandLine.h"
#include "launch/GetParams.h"
#include "launch/LaunchSequence.h"
#include "launch/Settings.h"
#include "launch/Usage.h"
#include "ui/LoaderError.h"

#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    RestrictDllSearch();
    SetLoaderInstance(instance);

    // Not the tail the C runtime hands over: its start-up code compares bytes
    // as signed chars, so an unquoted program name with a byte of 0x80 or
    // above ends there and the rest of the name became the tail (seen with
    // mingw-w64 10 under Wine). Nor one cut from the ANSI command line, where
    // best-fit conversion can turn the program path's fullwidth quotes into
    // quotes that end it early, and its fullwidth slashes into switches.
    const std::optional<std::string> tail = ExactCommandLineTail();
    if (!tail)
        return ShowLoaderError(InstallerStartFailed);

    if (IsHelpRequest(tail->c_str())) {
        ShowUsage();
        return static_cast<int>(UsageExitCode);
    }

    // Before anything is touched: a path that no exact spelling names is refused.
    if (!StartPathsSpelled(tail->empty()))
        return ShowLoaderError(InstallerStartFailed);

    LaunchOptions options;
    FolderSources sources;
    sources.CurrentDirectory = ExactCurrentDirectory;
    sources.ModuleFileName = ExactModuleFileName;
    const bool paramsResult = GetParams(tail->c_str(), options, sources);
    ReadSettings(options);

    return static_cast<int>(RunLaunchSequence(instance, tail->c_str(), options, paramsResult));
}
