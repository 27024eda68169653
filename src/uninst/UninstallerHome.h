// The uninstaller's fixed home under Program Files.
#pragma once

#include <windows.h>

// Fills `path` with "<Program Files>\Quelt\vutundo.exe" and creates the folder.
// When the shell cannot name Program Files, `path` is left empty, so that every
// later use of it fails.
void PrepareUninstallerHome(char (&path)[MAX_PATH]);

// -1 failure, 0 the folder already exists, n >= 1 folders created. Takes a
// folder path with or without one trailing backslash; a path of MAX_PATH
// characters or more fails.
int CreateDirectoryPath(const char* path);

// Deletes whatever stands at `path` (a file or an empty folder); never reports.
void RemoveOldUninstaller(const char* path);
