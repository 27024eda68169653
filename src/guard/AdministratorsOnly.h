// Who may open the installer's temporary file and the private folder it is
// made in. The loader runs elevated and starts that file elevated, while other
// programs may write beside it: the file must be theirs to read at most.
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

// Security attributes that give a file that DACL, protected (nothing
// inheritable of its folder merged in), in the very call that creates it.
// Not copyable: the attributes point into the record itself.
struct AdministratorsOnlySecurity {
    AdministratorsOnlyAcl acl;
    alignas(DWORD) BYTE owner[SECURITY_MAX_SID_SIZE];
    SECURITY_DESCRIPTOR descriptor;
    SECURITY_ATTRIBUTES attributes;

    AdministratorsOnlySecurity() = default;
    AdministratorsOnlySecurity(const AdministratorsOnlySecurity&) = delete;
    AdministratorsOnlySecurity& operator=(const AdministratorsOnlySecurity&) = delete;
};

// What is made with that DACL: the installer's file, or the private folder it
// is made in, whose entries are inherited by what is created inside and whose
// owner is the Administrators group, whoever of them made it.
enum class SecuredObject { File, Folder };

// Fills `acl`; false when the system could not build it.
bool BuildAdministratorsOnlyAcl(AdministratorsOnlyAcl& acl, SecuredObject object = SecuredObject::File);

// Fills `security`; false when the system could not build it.
bool BuildAdministratorsOnlySecurity(AdministratorsOnlySecurity& security,
                                     SecuredObject object = SecuredObject::File);
