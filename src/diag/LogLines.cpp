#include "diag/LogLines.h"

#include <cstdio>

void LogCommandTail(const char* tail, std::ostream& out)
{
    out << tail << "\n";
}

void LogSourceDir(const char* sourceDir, std::ostream& out)
{
    out << sourceDir << "\n";
}

void LogIniPath(const char* iniPath, std::ostream& out)
{
    out << iniPath << "\n";
}

void LogGetParams(bool result, std::ostream& out)
{
    out << "GetParams:" << result << "\n";
}

void LogInstallUninstaller(const char* uninstallerPath, std::ostream& out)
{
    out << "Install VutUndo.exe: '" << uninstallerPath << "'\n";
}

void LogInstallInstallerFirst(const char* tempPath, std::ostream& out)
{
    out << "Install VutSetup.exe 1: '" << tempPath << "'\n";
}

void LogInstallInstallerSecond(const char* tempPath, std::ostream& out)
{
    out << "Install VutSetup.exe 2: '" << tempPath << "'\n";
}

void LogRunInstaller(const char* tempPath, const char* commandLine, std::ostream& out)
{
    out << "Run VutSetup.exe: '" << tempPath << "' '" << commandLine << "'\n";
}

void LogRunUninstaller(const char* uninstallerPath, const char* commandLine, std::ostream& out)
{
    out << "Run VutUndo.exe: '" << uninstallerPath << "' '" << commandLine << "'\n";
}

void LogWaitInstaller(const char* tempPath, std::ostream& out)
{
    out << "Wait VutSetup.exe: '" << tempPath << "'\n";
}

void LogInstallerEnded(uint32_t exitCode, std::ostream& out)
{
    out << "End VutSetup.exe: " << exitCode << "\n";
}

void LogRunHeader(const char* version, const SYSTEMTIME& utc, std::ostream& out)
{
    char time[32];
    std::snprintf(time, sizeof time, "%04u-%02u-%02u %02u:%02u:%02u UTC", utc.wYear, utc.wMonth, utc.wDay, utc.wHour,
                  utc.wMinute, utc.wSecond);
    out << "Setup.exe " << version << ", " << time << "\n";
}

void LogRunResult(uint32_t exitCode, const char* errorText, bool fromInstaller, std::ostream& out)
{
    out << "Exit code: " << exitCode;
    if (errorText != nullptr && *errorText != '\0')
        out << " (" << errorText << ")";
    else if (fromInstaller)
        out << " (VutSetup.exe)";
    out << "\n";
}
