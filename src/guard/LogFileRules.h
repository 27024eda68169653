// The file that "/log=" names is opened by the elevated loader at a path the
// caller chose, often in a folder that other accounts can write. Whatever
// they left under that name must not turn the log's lines into a write to a
// file they could not write themselves.
#pragma once

#include <windows.h>

// A new log file: SYSTEM and the Administrators group full control, Users
// read; protected, so that nothing looser of its folder is merged in.
constexpr char kLogFileSddl[] = "D:P(A;;FA;;;SY)(A;;FA;;;BA)(A;;FR;;;BU)";

// Whether the object opened (without following a reparse point) for the log
// may be appended to: a file on a disk (not a pipe, whose server could act
// on the loader's behalf, nor a device), no folder, no reparse point (a link
// at the last component leads elsewhere), and one name only (a hard link
// made to another file reaches that file).
bool LogFileMayBeAppended(DWORD fileType, DWORD attributes, DWORD links);
