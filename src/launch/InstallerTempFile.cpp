#include "launch/InstallerTempFile.h"

#include "diag/LogLines.h"
#include "launch/TempFileAccess.h"

namespace {

UniqueFile OpenForWriting(const char* path)
{
    return UniqueFile(CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
}

// A folder's unique "vut" name; false when the folder could not be read.
bool TempNameIn(const char* folder, DWORD folderLength, char (&path)[MAX_PATH])
{
    if (folderLength == 0 || folderLength >= MAX_PATH)
        return false;
    return GetTempFileNameA(folder, "vut", 0, path) != 0;
}

} // namespace

bool VolumeHasRoomFor(const char* folder, uint32_t size)
{
    ULARGE_INTEGER available = {};
    if (!GetDiskFreeSpaceExA(folder, &available, nullptr, nullptr))
        return true; // not known: the sizing alone decides
    return available.QuadPart >= size;
}

bool SizeFile(HANDLE file, uint32_t size)
{
    // No high part: a size of 2 GiB or more reads as a negative distance and fails.
    SetLastError(NO_ERROR);
    const DWORD position = SetFilePointer(file, static_cast<LONG>(size), nullptr, FILE_BEGIN);
    // A size of 0xFFFFFFFF would otherwise pass as the failure value itself.
    if (position == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR)
        return false;
    return position == size && SetEndOfFile(file);
}

UniqueFile PrepareInstallerTempFile(const char* folder, const char* path, uint32_t size)
{
    // Restricted before the first open for writing: a handle that another
    // program took in the moment since the name was created keeps its access,
    // but then this open, which shares reading alone, fails.
    if (!RestrictToAdministrators(path))
        return UniqueFile();
    UniqueFile file = OpenForWriting(path);
    if (file && VolumeHasRoomFor(folder, size) && SizeFile(file.get(), size))
        return file;
    return UniqueFile();
}

UniqueFile MakeInstallerTempFile(uint32_t size, bool verbose, char (&path)[MAX_PATH])
{
    char folder[MAX_PATH] = {};
    path[0] = '\0';
    if (TempNameIn(folder, GetTempPathA(MAX_PATH, folder), path)) {
        if (verbose)
            LogInstallInstallerFirst(path);
        if (UniqueFile file = PrepareInstallerTempFile(folder, path, size))
            return file;
        // The name given up stays behind, created empty by the system.
    }

    path[0] = '\0';
    if (!TempNameIn(folder, GetWindowsDirectoryA(folder, MAX_PATH), path))
        return UniqueFile();
    if (verbose)
        LogInstallInstallerSecond(path);
    return PrepareInstallerTempFile(folder, path, size);
}

UniqueFile HoldAgainstChanges(const char* path)
{
    return UniqueFile(
        CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}
