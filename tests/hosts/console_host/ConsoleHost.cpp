// A GUI process that opens the verbose log console the way the loader does,
// writes every kind of log line, tries a second console, and then holds
// everything on screen with the closing wait box. The command-line tail is
// the first log line. Exit code 0 when the second open changed nothing.
#include <windows.h>

#include <io.h>

#include <cstdio>
#include <iostream>

#include "diag/LogConsole.h"
#include "diag/LogLines.h"
#include "diag/WaitBox.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR tail, int)
{
    if (!OpenLogConsole(L"Logovaci konzole Setup.exe"))
        return 2;

    LogCommandTail(tail);
    LogSourceDir("D:\\Kit\\");
    LogIniPath("D:\\Kit\\setup.ini");
    LogGetParams(true);
    LogInstallUninstaller("C:\\Program Files\\Quelt\\vutundo.exe");
    LogInstallInstallerFirst("C:\\Temp\\vut1F.tmp");
    LogInstallInstallerSecond("C:\\windows\\vut20.tmp");
    LogRunInstaller("C:\\windows\\vut20.tmp", "\"D:\\Kit\\VutSetup.exe\" D:\\Kit\\ /s /v");
    LogRunUninstaller("C:\\Program Files\\Quelt\\vutundo.exe", "VutUndo.exe /p2468 C:\\windows\\vut20.tmp");

    // A process has one console: the second open must fail and leave title
    // and streams as they are.
    const bool reopened = OpenLogConsole(L"Second console");
    std::cout << "second open:" << reopened << "\n";

    // The other two streams lead to the same console.
    std::cerr << "standard error" << "\n";
    DWORD mode = 0;
    const bool inputIsConsole =
        GetConsoleMode(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stdin))), &mode) != 0;
    std::cout << "standard input on console:" << inputIsConsole << "\n";

    ShowWaitBox();
    return reopened ? 3 : 0;
}
