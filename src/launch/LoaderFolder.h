// The folder of the loader's own program file.
#pragma once

#include <windows.h>

using ModuleFileNameSource = DWORD(WINAPI*)(HMODULE, LPSTR, DWORD);

// Drive and directory of the process's program file, with the trailing
// backslash, at most 259 characters; empty when the path cannot be read or
// fills the buffer.
void GetLoaderFolder(char (&folder)[MAX_PATH], ModuleFileNameSource moduleFileName = ::GetModuleFileNameA);

// The folder part of `path`: cut after its last separator, the separator
// kept; only a drive when there is none. At most 259 characters.
void FolderOfPath(const char* path, char (&folder)[MAX_PATH]);
