// The verbose log's lines, each written exactly as the log reader expects
// them: fixed ASCII parts, values byte for byte, default stream formatting.
#pragma once

#include <windows.h>

#include <cstdint>
#include <iostream>

// Lines 1 to 3: the command-line tail, the source directory, the settings path.
void LogCommandTail(const char* tail, std::ostream& out = std::cout);
void LogSourceDir(const char* sourceDir, std::ostream& out = std::cout);
void LogIniPath(const char* iniPath, std::ostream& out = std::cout);

// "GetParams:" and the result as "1" or "0".
void LogGetParams(bool result, std::ostream& out = std::cout);

// A fresh uninstaller file, just created, before it is filled.
void LogInstallUninstaller(const char* uninstallerPath, std::ostream& out = std::cout);

// The installer's temporary file: first try in the temporary folder, second
// in the Windows folder.
void LogInstallInstallerFirst(const char* tempPath, std::ostream& out = std::cout);
void LogInstallInstallerSecond(const char* tempPath, std::ostream& out = std::cout);

// The two starts, with the program file and its command line.
void LogRunInstaller(const char* tempPath, const char* commandLine, std::ostream& out = std::cout);
void LogRunUninstaller(const char* uninstallerPath, const char* commandLine, std::ostream& out = std::cout);

// With "/w": the wait for the wizard, and what it ended with.
void LogWaitInstaller(const char* tempPath, std::ostream& out = std::cout);
void LogInstallerEnded(uint32_t exitCode, std::ostream& out = std::cout);

// The log file's first line of a run: the loader's version and the time (UTC).
void LogRunHeader(const char* version, const SYSTEMTIME& utc, std::ostream& out);
// The log file's last line of a run: the exit code, then the English text of
// a loader's error or, when it is the wizard's own, the wizard's name.
void LogRunResult(uint32_t exitCode, const char* errorText, bool fromInstaller, std::ostream& out);
