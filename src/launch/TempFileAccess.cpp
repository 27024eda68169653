#include "launch/TempFileAccess.h"

#include <aclapi.h>

namespace {

// A SID from its authority and relative ids, freed with the owner.
struct OwnedSid {
    PSID sid = nullptr;
    OwnedSid(SID_IDENTIFIER_AUTHORITY authority, BYTE count, DWORD first, DWORD second = 0)
    {
        if (!AllocateAndInitializeSid(&authority, count, first, second, 0, 0, 0, 0, 0, 0, &sid))
            sid = nullptr;
    }
    ~OwnedSid()
    {
        if (sid)
            FreeSid(sid);
    }
    OwnedSid(const OwnedSid&) = delete;
    OwnedSid& operator=(const OwnedSid&) = delete;
};

} // namespace

bool BuildAdministratorsOnlyAcl(AdministratorsOnlyAcl& acl)
{
    const OwnedSid system(SECURITY_NT_AUTHORITY, 1, SECURITY_LOCAL_SYSTEM_RID);
    const OwnedSid administrators(SECURITY_NT_AUTHORITY, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS);
    const OwnedSid ownerRights(SECURITY_CREATOR_SID_AUTHORITY, 1, SECURITY_CREATOR_OWNER_RIGHTS_RID);
    return system.sid && administrators.sid && ownerRights.sid &&
           InitializeAcl(acl.get(), sizeof(acl.bytes), ACL_REVISION) &&
           AddAccessAllowedAce(acl.get(), ACL_REVISION, FILE_ALL_ACCESS, system.sid) &&
           AddAccessAllowedAce(acl.get(), ACL_REVISION, FILE_ALL_ACCESS, administrators.sid) &&
           AddAccessAllowedAce(acl.get(), ACL_REVISION, READ_CONTROL, ownerRights.sid);
}

bool RestrictToAdministrators(const char* path)
{
    AdministratorsOnlyAcl acl;
    if (!BuildAdministratorsOnlyAcl(acl))
        return false;
    char name[MAX_PATH];
    lstrcpynA(name, path, MAX_PATH); // the call takes a writable name
    return SetNamedSecurityInfoA(name, SE_FILE_OBJECT,
                                 DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                 acl.get(), nullptr) == ERROR_SUCCESS;
}
