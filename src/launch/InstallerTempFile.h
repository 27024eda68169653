// The temporary file that receives the installer: "vut" + hex + ".tmp" in a
// private folder of its own or, failing that, in the Windows folder, sized in
// advance so that a volume without room fails before anything is unpacked.
#pragma once

#include "common/UniqueHandle.h"

#include <windows.h>

#include <cstdint>
#include <ostream>

struct PrivateFolder;

struct InstallerTempFile {
    UniqueFile file; // open for writing, positioned at its end; empty when none was made
    char path[MAX_PATH] = {};
};

// Makes the file in this run's private folder or, when there is none or it
// has no room for `size` bytes, in the Windows folder; a private folder so
// given up is let go and removed. Logs line 6 when a name was had in the
// private folder and line 7 when the Windows folder is tried, into `log`
// when there is one.
InstallerTempFile MakeInstallerTempFile(uint32_t size, std::ostream* log, PrivateFolder& privateFolder);

// Makes the name `path` (just created by the system in `folder`) the
// installer's file: created again with permissions for administrators alone,
// opened for writing while sharing reading alone, and sized. An empty owner
// when any step fails, as when another handle keeps the name or the volume
// has no room.
UniqueFile PrepareInstallerTempFile(const char* folder, const char* path, uint32_t size);

// Whether the volume of `folder` has `size` bytes free for this user (true
// when it cannot tell). SetEndOfFile reserves the room on NTFS and FAT, but
// where the file system keeps the file sparse (Wine on Linux, some network
// shares) a volume without room would pass the sizing and fail half-way
// through the unpacking instead of giving way to the Windows folder.
bool VolumeHasRoomFor(const char* folder, uint32_t size);

// Sets the length of `file` to `size` through its file pointer.
bool SizeFile(HANDLE file, uint32_t size);

// Trades `writer`, the open file at `path` after its last write, for a
// read-only hold that keeps the file from being renamed over or deleted until
// it has been started; the name is never without such a handle. `writer` is
// closed either way; an empty owner when the file could not be held.
UniqueFile HoldForStart(UniqueFile& writer, const char* path);
