// The temporary file that receives the installer: "vut" + hex + ".tmp" in the
// temporary folder or, failing that, in the Windows folder, sized in advance
// so that a volume without room fails before anything is unpacked.
#pragma once

#include "common/UniqueHandle.h"

#include <windows.h>

#include <cstdint>

// Returns the open file, positioned at its end; `path` receives its name. An
// empty owner when neither folder gave a file of `size` bytes. Logs lines 6
// and 7 when `verbose`.
UniqueFile MakeInstallerTempFile(uint32_t size, bool verbose, char (&path)[MAX_PATH]);

// Makes the file at `path` (a name the system just created in `folder`) the
// installer's: permissions for administrators alone, opened for writing while
// sharing reading alone, and sized. An empty owner when any step fails, as
// when another handle can still write the file or the volume has no room.
UniqueFile PrepareInstallerTempFile(const char* folder, const char* path, uint32_t size);

// Whether the volume of `folder` has `size` bytes free for this user (true
// when it cannot tell). SetEndOfFile reserves the room on NTFS and FAT, but
// where the file system keeps the file sparse (Wine on Linux, some network
// shares) a volume without room would pass the sizing and fail half-way
// through the unpacking instead of giving way to the Windows folder.
bool VolumeHasRoomFor(const char* folder, uint32_t size);

// Sets the length of `file` to `size` through its file pointer.
bool SizeFile(HANDLE file, uint32_t size);

// Opens `path` read-only, sharing reading alone: while the handle is held no
// other process can write, rename or delete the file, yet it can still be
// started. The temporary folder is writable by the user's unelevated programs,
// so the wizard is held this way from its last write until it runs.
UniqueFile HoldAgainstChanges(const char* path);
