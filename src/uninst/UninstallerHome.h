// The uninstaller's fixed home under Program Files.
#pragma once

#include <windows.h>

// Fills `path` with "<Program Files>\Quelt\vutundo.exe" and creates the folder.
void PrepareUninstallerHome(char (&path)[MAX_PATH]);

// -1 failure, 0 the folder already exists, n >= 1 folders created.
int CreateDirectoryPath(const char* path);

// Deletes whatever stands at `path` (a file or an empty folder); never reports.
void RemoveOldUninstaller(const char* path);
