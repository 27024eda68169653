// Text rules of the folder climb in CreateDirectoryPath: the working copy, the
// split into drive and directory parts as _splitpath makes it, and the join as
// _makepath makes it. All are bounded: none writes past its buffers, none reads
// before the start of its text.
#pragma once

#include <windows.h>

#include <cstdlib>

// Copies `path` into `folder` and drops one trailing backslash (only one).
// False, `folder` empty, when `path` does not fit in MAX_PATH characters.
bool CopyFolderPath(const char* path, char (&folder)[MAX_PATH]);

// Drive part: the first two characters when the second is a colon, else empty.
// Directory part: what follows the drive, up to and including the last
// backslash or slash; empty when there is none. False when the directory part
// does not fit in _MAX_DIR characters.
bool SplitDriveDir(const char* path, char (&drive)[_MAX_DRIVE], char (&dir)[_MAX_DIR]);

// True when a directory part leaves no parent to create: empty (a single
// relative name), "\" (a root) or "\\" (the start of a network name).
bool IsClimbTop(const char* dir);

// Drive part, then directory part, with a backslash added when the directory
// part is not empty and does not end in a separator. Always fits.
void JoinDriveDir(const char* drive, const char* dir, char (&path)[MAX_PATH]);

// The folder above `folder`, ending in a separator: split, stop rule, join.
// False, `parent` empty, when there is no parent left to create or the
// directory part does not fit.
bool ParentFolderOf(const char* folder, char (&parent)[MAX_PATH]);
