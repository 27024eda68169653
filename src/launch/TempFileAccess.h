// Who may open the installer's temporary file. The loader runs elevated and
// starts that file elevated, while the user's unelevated programs can write
// in the temporary folder: the file must be theirs to read at most.
#pragma once

#include <windows.h>

// The DACL of the installer's temporary file: full control for SYSTEM and
// the Administrators group, and for OWNER RIGHTS only the right to read these
// permissions, so that owning the file grants no right to change them back.
struct AdministratorsOnlyAcl {
    // The header and three allowed entries, each a header, a mask and a SID.
    alignas(DWORD) BYTE bytes[sizeof(ACL) + 3 * (sizeof(ACCESS_ALLOWED_ACE) + SECURITY_MAX_SID_SIZE)];
    PACL get() { return reinterpret_cast<PACL>(bytes); }
};

// Fills `acl`; false when the system could not build it.
bool BuildAdministratorsOnlyAcl(AdministratorsOnlyAcl& acl);

// Gives the file at `path` that DACL, protected (nothing inherited from its
// folder). False when it could not be set.
bool RestrictToAdministrators(const char* path);
