// The console of verbose mode and the text of every log line.
#pragma once

#include <windows.h>

// Creates the process's console, titles it and attaches the standard streams.
// False when no console could be created; nothing is changed then.
bool OpenLogConsole(const wchar_t* title);
