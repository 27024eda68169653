#include "guard/OwnerAndDacl.h"

namespace {

bool IsTrustedInstaller(PSID sid)
{
    // NT SERVICE\TrustedInstaller: S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464.
    static const DWORD kRids[] = {80, 956008885u, 3418522649u, 1831038044u, 1853292631u, 2271478464u};
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    alignas(DWORD) BYTE bytes[SECURITY_MAX_SID_SIZE];
    const PSID trusted = bytes;
    if (!InitializeSid(trusted, &nt, 6))
        return false;
    for (BYTE i = 0; i < 6; ++i)
        *GetSidSubAuthority(trusted, i) = kRids[i];
    return EqualSid(sid, trusted) != FALSE;
}

bool Allows(const ACE_HEADER* ace, PSID& sid, ACCESS_MASK& mask)
{
    switch (ace->AceType) {
    case ACCESS_ALLOWED_ACE_TYPE:
    case ACCESS_ALLOWED_CALLBACK_ACE_TYPE: {
        // Both lay out a header, a mask and the SID.
        const auto* allowed = reinterpret_cast<const ACCESS_ALLOWED_ACE*>(ace);
        sid = const_cast<DWORD*>(&allowed->SidStart);
        mask = allowed->Mask;
        return true;
    }
    default:
        sid = nullptr;
        mask = ~ACCESS_MASK{0};
        return true;
    }
}

} // namespace

bool IsAdministratorsOrSystem(PSID sid)
{
    return sid && IsValidSid(sid) &&
           (IsWellKnownSid(sid, WinLocalSystemSid) || IsWellKnownSid(sid, WinBuiltinAdministratorsSid));
}

bool IsTrustedSid(PSID sid)
{
    return IsAdministratorsOrSystem(sid) || (sid && IsValidSid(sid) && IsTrustedInstaller(sid));
}

bool OnlyTrustedControl(PSECURITY_DESCRIPTOR descriptor, ACCESS_MASK rights)
{
    PSID owner = nullptr;
    BOOL defaulted = FALSE;
    if (!descriptor || !GetSecurityDescriptorOwner(descriptor, &owner, &defaulted) || !IsTrustedSid(owner))
        return false;
    BOOL present = FALSE;
    PACL dacl = nullptr;
    // No DACL at all grants everyone everything.
    if (!GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted) || !present || !dacl)
        return false;
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        void* entry = nullptr;
        if (!GetAce(dacl, i, &entry))
            return false;
        const auto* ace = static_cast<const ACE_HEADER*>(entry);
        if (ace->AceType == ACCESS_DENIED_ACE_TYPE || ace->AceType == ACCESS_DENIED_CALLBACK_ACE_TYPE)
            continue;
        PSID sid = nullptr;
        ACCESS_MASK mask = 0;
        Allows(ace, sid, mask);
        if (sid && (ace->AceFlags & INHERIT_ONLY_ACE) && IsWellKnownSid(sid, WinCreatorOwnerSid))
            continue;
        if ((mask & rights) && !IsTrustedSid(sid))
            return false;
    }
    return true;
}

bool IsTrustedObject(DWORD attributes, PSECURITY_DESCRIPTOR descriptor, ACCESS_MASK rights)
{
    return !(attributes & FILE_ATTRIBUTE_REPARSE_POINT) && OnlyTrustedControl(descriptor, rights);
}

bool DaclsWereKept(PSECURITY_DESCRIPTOR readBack)
{
    PSID owner = nullptr;
    BOOL defaulted = FALSE;
    BOOL present = FALSE;
    PACL dacl = nullptr;
    if (!readBack || !GetSecurityDescriptorOwner(readBack, &owner, &defaulted) ||
        !GetSecurityDescriptorDacl(readBack, &present, &dacl, &defaulted))
        return true;
    if (owner && IsWellKnownSid(owner, WinBuiltinAdministratorsSid))
        return true;
    for (DWORD i = 0; present && dacl && i < dacl->AceCount; ++i) {
        void* entry = nullptr;
        PSID sid = nullptr;
        ACCESS_MASK mask = 0;
        if (!GetAce(dacl, i, &entry))
            return true;
        Allows(static_cast<const ACE_HEADER*>(entry), sid, mask);
        if (!sid || IsWellKnownSid(sid, WinBuiltinAdministratorsSid))
            return true;
    }
    return false;
}
