// The build's check of a vendor's uninstaller: puts a copy where Setup.exe
// keeps it and runs the loader's own check on it, so the program sees the
// command line and folder a customer's run gives it.
//   check_uninstaller.exe <program>
// Prints one line, "exit <code>", "timeout <code>" or "not started <error>",
// then "path <where it ran>". Exit code 0 when the loader would accept the
// program, 1 when not, 2 when the check itself could not be set up.
#include "launch/UninstallerCheck.h"
#include "uninst/UninstallerHome.h"

#include <windows.h>

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: check_uninstaller.exe <program>\n");
        return 2;
    }
    char path[MAX_PATH] = {};
    PrepareUninstallerHome(path);
    if (path[0] == '\0') {
        std::fprintf(stderr, "no uninstaller home: the shell names no Program Files folder\n");
        return 2;
    }
    if (!CopyFileA(argv[1], path, FALSE)) {
        std::fprintf(stderr, "cannot copy %s to %s (error %lu)\n", argv[1], path, GetLastError());
        return 2;
    }
    const UninstallerCheckResult result = CheckUninstaller(path);
    if (!result.started)
        std::printf("not started %lu\n", result.startError);
    else if (result.timedOut)
        std::printf("timeout %lu\n", result.exitCode);
    else
        std::printf("exit %lu\n", result.exitCode);
    std::printf("path %s\n", path);
    std::fflush(stdout);
    // A program the check had to end can hold its image for a moment.
    for (int tries = 0; tries < 100 && !DeleteFileA(path) && GetLastError() != ERROR_FILE_NOT_FOUND; ++tries)
        Sleep(50);
    return result.Passed() ? 0 : 1;
}
