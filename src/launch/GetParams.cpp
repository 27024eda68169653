#include "launch/GetParams.h"

#include "launch/BoundedString.h"
#include "launch/CommandLine.h"

namespace {

void ReadCurrentDirectory(char (&sourceDir)[MAX_PATH], CurrentDirectorySource currentDirectory)
{
    char directory[MAX_PATH] = {};
    const DWORD length = currentDirectory(MAX_PATH, directory);
    // Zero is a failure, MAX_PATH or more the size it would need: either way
    // SourceDir stays empty and the loader's folder is used.
    if (length == 0 || length >= MAX_PATH)
        return;
    BoundedString dir(sourceDir, MAX_PATH);
    dir.Append(directory, length);
}

} // namespace

bool GetParams(const char* tail, LaunchOptions& options, const FolderSources& sources)
{
    options.Silent = false;
    options.ReinstallUndo = false;
    options.Verbose = false;
    options.WaitForInstaller = false;
    options.LogPath[0] = '\0';

    const char* rest = "";
    bool unclosed = false;
    if (*tail == '\0') {
        ReadCurrentDirectory(options.SourceDir, sources.CurrentDirectory);
    } else {
        const FirstToken token = ReadFirstToken(tail, options.SourceDir, MAX_PATH);
        rest = token.Rest;
        unclosed = token.Unclosed;
    }

    if (!unclosed) {
        EndWithBackslash(options.SourceDir, MAX_PATH);
        ScanSwitches(rest, options);
    }

    if (options.SourceDir[0] == '\0')
        GetLoaderFolder(options.SourceDir, sources.ModuleFileName);

    BuildIniPath(options.SourceDir, options.IniPath, MAX_PATH);
    return true;
}

bool GetParams(const char* tail, LaunchOptions& options) { return GetParams(tail, options, FolderSources{}); }
