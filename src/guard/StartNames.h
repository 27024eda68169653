// What the loader reads of its own start, taken from the wide forms that the
// system keeps: the command-line tail, its program's path and the current
// folder. The ANSI functions give them best-fitted, so a folder named with
// fullwidth quotes and slashes would write the command line.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

// The tail cut from the wide command line and spelled exactly; nothing when
// the ANSI code page cannot spell it.
std::optional<std::string> ExactCommandLineTail();

// False when a path this run needs cannot be spelled, not even by its short
// name: the program's path, and the current folder when `currentFolderUsed`.
bool StartPathsSpelled(bool currentFolderUsed);

// GetModuleFileNameA (for the program only) and GetCurrentDirectoryA, with
// their answers' contracts, giving the exact spelling or the short name; a
// path that cannot be spelled, or filled the buffer, fails with 0.
DWORD WINAPI ExactModuleFileName(HMODULE module, LPSTR buffer, DWORD size);
DWORD WINAPI ExactCurrentDirectory(DWORD size, LPSTR buffer);
