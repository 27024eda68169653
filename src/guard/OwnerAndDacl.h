// Who controls a file or folder, judged from its security descriptor. The
// loader runs elevated what it finds in the uninstaller's home, so that home
// and its uninstaller must be such that only SYSTEM, the Administrators group
// and TrustedInstaller can change them.
#pragma once

#include <windows.h>

// Rights over an object that let their holder change what the loader would
// run from it: write or add files or folders, delete children, delete the
// object, change its DACL or owner (and the generic rights that include them).
constexpr ACCESS_MASK kChangingRights = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_DELETE_CHILD | DELETE |
                                        WRITE_DAC | WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL | MAXIMUM_ALLOWED;
// What the folder a private folder is made in may grant others: adding
// entries (its names are random and made in one call), not removing them or
// taking the folder over.
constexpr ACCESS_MASK kBaseChangingRights = FILE_DELETE_CHILD | DELETE | WRITE_DAC | WRITE_OWNER | GENERIC_ALL |
                                            MAXIMUM_ALLOWED;

// SYSTEM or the Administrators group: the owners of the loader's own folders.
bool IsAdministratorsOrSystem(PSID sid);

// SYSTEM, the Administrators group or TrustedInstaller.
bool IsTrustedSid(PSID sid);

// Whether `descriptor` (its owner and DACL) leaves the object to trusted SIDs
// alone: the owner is trusted, a DACL is present, and no entry allows another
// SID any of `rights`. Deny entries are not needed and not counted; CREATOR
// OWNER entries that only pass on to children do not count; an entry of a
// kind this does not know counts as allowing everything.
bool OnlyTrustedControl(PSECURITY_DESCRIPTOR descriptor, ACCESS_MASK rights = kChangingRights);

// Whether an object with the file attributes `attributes` and `descriptor`
// may be trusted: no reparse point (a junction or link leads elsewhere), and
// OnlyTrustedControl.
bool IsTrustedObject(DWORD attributes, PSECURITY_DESCRIPTOR descriptor, ACCESS_MASK rights = kChangingRights);

// Whether a descriptor read back from an object that the loader created
// owned by the Administrators group, with an entry for that group, shows
// that the file system kept them. False only on clear evidence: another
// owner and no entry for the group at all (Wine, which rebuilds both from
// Unix permission bits, a volume without ACLs). Anything else counts as kept.
bool DaclsWereKept(PSECURITY_DESCRIPTOR readBack);
