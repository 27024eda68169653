// The uninstaller's fixed home under Program Files.
#pragma once

#include <windows.h>

// Fills `path` with "<Program Files>\Quelt\vutundo.exe" and creates the
// folders that are missing, each given in its creating call a DACL of its own
// (kProgramFolderSddl), so that none inherits what its parent grants. When the
// shell cannot name Program Files, `path` is left empty, so that every later
// use of it fails. Returns what CreateDirectoryPath did.
int PrepareUninstallerHome(char (&path)[MAX_PATH]);

// -1 failure, 0 the folder already exists, n >= 1 folders created, each with
// `security`. Takes a folder path with or without one trailing backslash; a
// path of MAX_PATH characters or more fails.
int CreateDirectoryPath(const char* path, LPSECURITY_ATTRIBUTES security = nullptr);

// Deletes whatever stands at `path` (a file or an empty folder); never reports.
void RemoveOldUninstaller(const char* path);
