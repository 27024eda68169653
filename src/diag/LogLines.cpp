#include "diag/LogLines.h"

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
