#include "launch/TempFileAccess.h"

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

bool BuildAdministratorsOnlySecurity(AdministratorsOnlySecurity& security)
{
    if (!BuildAdministratorsOnlyAcl(security.acl) ||
        !InitializeSecurityDescriptor(&security.descriptor, SECURITY_DESCRIPTOR_REVISION) ||
        !SetSecurityDescriptorDacl(&security.descriptor, TRUE, security.acl.get(), FALSE) ||
        !SetSecurityDescriptorControl(&security.descriptor, SE_DACL_PROTECTED, SE_DACL_PROTECTED))
        return false;
    security.attributes.nLength = sizeof(security.attributes);
    security.attributes.lpSecurityDescriptor = &security.descriptor;
    security.attributes.bInheritHandle = FALSE;
    return true;
}
