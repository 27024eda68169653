// The uninstaller path as text: "<Program Files>[\]Quelt\vutundo.exe".
#pragma once

#include <windows.h>

// Writes "<programFiles>\Quelt\" into `home`, with no second backslash when
// `programFiles` already ends in one. False, and `home` empty, when
// `programFiles` is no absolute path (such as the empty text of a shell that
// could not answer) or when the whole uninstaller path would not fit.
bool ComposeUninstallerHome(const char* programFiles, char (&home)[MAX_PATH]);

// Appends "vutundo.exe" to a home made by ComposeUninstallerHome; leaves an
// empty text empty.
void AppendUninstallerFileName(char (&path)[MAX_PATH]);
