#include "guard/AdministratorsOnly.h"

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

bool BuildAdministratorsOnlyAcl(AdministratorsOnlyAcl& acl, SecuredObject object)
{
    const DWORD inherit = object == SecuredObject::Folder ? OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE : 0;
    const OwnedSid system(SECURITY_NT_AUTHORITY, 1, SECURITY_LOCAL_SYSTEM_RID);
    const OwnedSid administrators(SECURITY_NT_AUTHORITY, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS);
    const OwnedSid ownerRights(SECURITY_CREATOR_SID_AUTHORITY, 1, SECURITY_CREATOR_OWNER_RIGHTS_RID);
    return system.sid && administrators.sid && ownerRights.sid &&
           InitializeAcl(acl.get(), sizeof(acl.bytes), ACL_REVISION) &&
           AddAccessAllowedAceEx(acl.get(), ACL_REVISION, inherit, FILE_ALL_ACCESS, system.sid) &&
           AddAccessAllowedAceEx(acl.get(), ACL_REVISION, inherit, FILE_ALL_ACCESS, administrators.sid) &&
           AddAccessAllowedAceEx(acl.get(), ACL_REVISION, inherit, READ_CONTROL, ownerRights.sid);
}

bool BuildAdministratorsOnlySecurity(AdministratorsOnlySecurity& security, SecuredObject object)
{
    if (!BuildAdministratorsOnlyAcl(security.acl, object) ||
        !InitializeSecurityDescriptor(&security.descriptor, SECURITY_DESCRIPTOR_REVISION) ||
        !SetSecurityDescriptorDacl(&security.descriptor, TRUE, security.acl.get(), FALSE) ||
        !SetSecurityDescriptorControl(&security.descriptor, SE_DACL_PROTECTED, SE_DACL_PROTECTED))
        return false;
    // The folder is the group's whoever of them made it: later runs' sweeps
    // know the loader's folders by this owner. Elevated administrators and
    // SYSTEM may both name the group as owner.
    DWORD ownerSize = sizeof(security.owner);
    if (object == SecuredObject::Folder &&
        (!CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, security.owner, &ownerSize) ||
         !SetSecurityDescriptorOwner(&security.descriptor, security.owner, FALSE)))
        return false;
    security.attributes.nLength = sizeof(security.attributes);
    security.attributes.lpSecurityDescriptor = &security.descriptor;
    security.attributes.bInheritHandle = FALSE;
    return true;
}
