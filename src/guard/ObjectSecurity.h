// The owner-and-DACL rules applied to real files and folders, and the
// descriptors the loader gives what it makes for the uninstaller.
#pragma once

#include "common/UniqueHandle.h"
#include "guard/OwnerAndDacl.h"

#include <windows.h>

// Folders on the way to the uninstaller's home: SYSTEM and the Administrators
// group full control, Users read and execute, inherited; protected, so that
// nothing looser of the parent is merged in; owned by the group.
constexpr char kProgramFolderSddl[] = "O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)";
// The uninstaller's file itself: the same, for a file.
constexpr char kProgramFileSddl[] = "O:BAD:P(A;;FA;;;SY)(A;;FA;;;BA)(A;;0x1200a9;;;BU)";

// Security attributes made from an SDDL text; the descriptor is owned here.
struct TextSecurity {
    UniqueLocalMemory memory;
    SECURITY_ATTRIBUTES attributes = {sizeof(SECURITY_ATTRIBUTES), nullptr, FALSE};

    // False when the system could not build it.
    bool Build(const char* sddl);
};

// Whether the object `handle` is open on (with READ_CONTROL) is no reparse
// point and leaves `rights` to trusted SIDs alone. False when anything cannot
// be read.
bool HandleIsTrusted(HANDLE handle, ACCESS_MASK rights = kChangingRights);

// The same for the folder at `path`, opened without following a reparse point.
bool FolderIsTrusted(const char* path, ACCESS_MASK rights = kChangingRights);

// Whether the volume of `path`, a folder the loader itself created with an
// owner and DACL of the Administrators group, keeps what it was given (see
// DaclsWereKept). True when it cannot be told: then everything is checked.
bool DaclsKeptAt(const char* path);
