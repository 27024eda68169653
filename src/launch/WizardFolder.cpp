#include "launch/WizardFolder.h"

#include "guard/AdministratorsOnly.h"
#include "guard/OwnerAndDacl.h"

#include <aclapi.h>
#include <ntsecapi.h>

#include <cstdio>
#include <cstring>

namespace {

bool RunsAsSystem()
{
    UniqueHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put()))
        return false;
    alignas(DWORD) BYTE user[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
    DWORD size = 0;
    return GetTokenInformation(token.get(), TokenUser, user, sizeof user, &size) &&
           IsWellKnownSid(reinterpret_cast<TOKEN_USER*>(user)->User.Sid, WinLocalSystemSid);
}

// The system's SYSTEM-only temporary folder, where it has one (newer systems
// than Windows 7, which must still start the loader: looked up, not imported).
bool SystemOnlyTempFolder(char (&base)[MAX_PATH])
{
    using GetTempPath2Fn = DWORD(WINAPI*)(DWORD, LPSTR);
    const auto getTempPath2 = reinterpret_cast<GetTempPath2Fn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetTempPath2A")));
    if (!getTempPath2 || !RunsAsSystem())
        return false;
    // It is not checked to exist; SYSTEM's own SystemTemp variable may move it.
    const DWORD length = getTempPath2(MAX_PATH, base);
    const DWORD kind = length > 0 && length < MAX_PATH ? GetFileAttributesA(base) : INVALID_FILE_ATTRIBUTES;
    return kind != INVALID_FILE_ATTRIBUTES && (kind & FILE_ATTRIBUTE_DIRECTORY) &&
           !(kind & FILE_ATTRIBUTE_REPARSE_POINT);
}

} // namespace

bool OwnedByAdministratorsOrSystem(const char* path)
{
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetNamedSecurityInfoA(path, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr, nullptr,
                              &descriptor) != ERROR_SUCCESS)
        return false;
    const bool ours = owner && IsAdministratorsOrSystem(owner);
    LocalFree(descriptor);
    return ours;
}

bool WizardFolderBase(char (&base)[MAX_PATH])
{
    if (SystemOnlyTempFolder(base))
        return true;
    const UINT length = GetSystemWindowsDirectoryA(base, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return false;
    const char* separator = base[length - 1] == '\\' ? "" : "\\";
    if (std::snprintf(base + length, MAX_PATH - length, "%sTemp\\", separator) >= static_cast<int>(MAX_PATH - length))
        return false;
    // The folder's name as the file system spells it, as the children will
    // see their own paths; unchanged when it cannot be read.
    char spelled[MAX_PATH];
    const DWORD spelledLength = GetLongPathNameA(base, spelled, MAX_PATH);
    if (spelledLength > 0 && spelledLength < MAX_PATH)
        lstrcpyA(base, spelled);
    return true;
}

bool FormatWizardFolder(const char* base, uint64_t bits, char (&folder)[MAX_PATH])
{
    const int written = std::snprintf(folder, MAX_PATH, "%s%s%08lX%08lX\\", base, kWizardFolderPrefix,
                                      static_cast<unsigned long>(bits >> 32), static_cast<unsigned long>(bits));
    if (written > 0 && written < MAX_PATH)
        return true;
    folder[0] = '\0';
    return false;
}

bool IsWizardFolderName(const char* name)
{
    const size_t prefix = sizeof kWizardFolderPrefix - 1;
    if (std::strlen(name) != prefix + kWizardFolderDigits || std::strncmp(name, kWizardFolderPrefix, prefix) != 0)
        return false;
    for (const char* digit = name + prefix; *digit; ++digit) {
        if (!((*digit >= '0' && *digit <= '9') || (*digit >= 'A' && *digit <= 'F')))
            return false;
    }
    return true;
}

UniqueFile CreateWizardFolder(const char* base, char (&folder)[MAX_PATH], RandomBytes random)
{
    if (!random)
        random = RtlGenRandom;
    AdministratorsOnlySecurity security;
    if (!BuildAdministratorsOnlySecurity(security, SecuredObject::Folder))
        return UniqueFile();
    for (int attempt = 0; attempt < kWizardFolderAttempts; ++attempt) {
        uint64_t bits = 0;
        if (!random(&bits, sizeof bits) || !FormatWizardFolder(base, bits, folder))
            break;
        // Fails on any name that exists, a junction or a file included, so
        // the folder is always new and the loader's own.
        if (!CreateDirectoryA(folder, &security.attributes)) {
            if (GetLastError() == ERROR_ALREADY_EXISTS)
                continue;
            break;
        }
        // Refusing delete sharing keeps it from being renamed or removed (by
        // another loader's sweep among others) until this process ends.
        UniqueFile hold(CreateFileA(folder, FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        if (hold)
            return hold;
        RemoveDirectoryA(folder); // an empty folder left behind goes with a later sweep
        break;
    }
    folder[0] = '\0';
    return UniqueFile();
}

bool RemoveUnusedFile(const char* path)
{
    return UniqueFile(CreateFileA(path, DELETE, 0, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_DELETE_ON_CLOSE | FILE_FLAG_OPEN_REPARSE_POINT, nullptr))
        .valid();
}

namespace {

// The vut*.tmp files in `folder` (with a trailing backslash) that nothing uses.
void RemoveLeftInstallerFiles(const char* folder, int bound)
{
    char pattern[MAX_PATH];
    if (std::snprintf(pattern, MAX_PATH, "%svut*.tmp", folder) >= MAX_PATH)
        return;
    WIN32_FIND_DATAA found;
    const HANDLE search = FindFirstFileA(pattern, &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    int looked = 0;
    do {
        char path[MAX_PATH];
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
            std::snprintf(path, MAX_PATH, "%s%s", folder, found.cFileName) < MAX_PATH)
            RemoveUnusedFile(path); // one in use stays, and so does its folder
    } while (++looked < bound && FindNextFileA(search, &found));
    FindClose(search);
}

} // namespace

int SweepWizardFolders(const char* base, int bound, OwnerCheck owned)
{
    char pattern[MAX_PATH];
    if (std::snprintf(pattern, MAX_PATH, "%s%s*", base, kWizardFolderPrefix) >= MAX_PATH)
        return 0;
    WIN32_FIND_DATAA found;
    const HANDLE search = FindFirstFileA(pattern, &found);
    if (search == INVALID_HANDLE_VALUE)
        return 0;
    int removed = 0;
    int looked = 0;
    do {
        const DWORD kind = found.dwFileAttributes;
        if (!(kind & FILE_ATTRIBUTE_DIRECTORY) || (kind & FILE_ATTRIBUTE_REPARSE_POINT) ||
            !IsWizardFolderName(found.cFileName))
            continue;
        char path[MAX_PATH];
        if (std::snprintf(path, MAX_PATH - 1, "%s%s", base, found.cFileName) >= MAX_PATH - 1 || !owned(path))
            continue;
        // Asking for delete access fails while a running loader holds the
        // folder (its hold refuses delete sharing): its files are left alone.
        if (!UniqueFile(CreateFileA(path, DELETE | FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                                    nullptr)))
            continue;
        char inside[MAX_PATH];
        lstrcpyA(inside, path);
        lstrcatA(inside, "\\");
        RemoveLeftInstallerFiles(inside, bound);
        // RemoveDirectoryA removes only an empty folder.
        if (RemoveDirectoryA(path))
            ++removed;
    } while (++looked < 4 * bound && removed < bound && FindNextFileA(search, &found));
    FindClose(search);
    return removed;
}

PrivateFolder MakePrivateFolder()
{
    PrivateFolder folder;
    char base[MAX_PATH] = {};
    if (!WizardFolderBase(base))
        return folder;
    SweepWizardFolders(base);
    folder.hold = CreateWizardFolder(base, folder.path);
    return folder;
}

void GiveUpPrivateFolder(PrivateFolder& folder)
{
    if (!folder.hold)
        return;
    folder.hold.reset();
    RemoveDirectoryA(folder.path); // one left behind goes with a later run's sweep
    folder.path[0] = '\0';
}
