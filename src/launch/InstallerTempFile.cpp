#include "launch/InstallerTempFile.h"

#include "diag/LogLines.h"
#include "guard/AdministratorsOnly.h"
#include "launch/WizardFolder.h"

namespace {

// Creates the file anew for writing, with `security`, denying other writers
// and, like every handle the loader keeps to it, delete sharing.
UniqueFile CreateForWriting(const char* path, AdministratorsOnlySecurity& security)
{
    return UniqueFile(CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, &security.attributes, CREATE_NEW,
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
    // The system created the name with the folder's permissions, open to the
    // user's own programs, and a handle taken on it since keeps its rights
    // (WRITE_DAC among them) whatever the DACL becomes. So the name is made
    // again, with the DACL in the creating call: the file never exists with
    // looser permissions. A name that another handle keeps from going, or
    // that another program takes in between, gives the folder up.
    AdministratorsOnlySecurity security;
    if (!BuildAdministratorsOnlySecurity(security) || !DeleteFileA(path))
        return UniqueFile();
    UniqueFile file = CreateForWriting(path, security);
    if (file && VolumeHasRoomFor(folder, size) && SizeFile(file.get(), size))
        return file;
    return UniqueFile();
}

InstallerTempFile MakeInstallerTempFile(uint32_t size, std::ostream* log, PrivateFolder& privateFolder)
{
    InstallerTempFile temp;
    if (privateFolder.hold && TempNameIn(privateFolder.path, lstrlenA(privateFolder.path), temp.path)) {
        if (log)
            LogInstallInstallerFirst(temp.path, *log);
        temp.file = PrepareInstallerTempFile(privateFolder.path, temp.path, size);
        if (temp.file)
            return temp;
        // No other account can reach the folder: what is left in it is the
        // loader's own, a name given up for want of room.
        DeleteFileA(temp.path);
    }
    GiveUpPrivateFolder(privateFolder);

    char folder[MAX_PATH] = {};
    temp.path[0] = '\0';
    if (!TempNameIn(folder, GetSystemWindowsDirectoryA(folder, MAX_PATH), temp.path))
        return temp;
    if (log)
        LogInstallInstallerSecond(temp.path, *log);
    temp.file = PrepareInstallerTempFile(folder, temp.path, size);
    return temp;
}

UniqueFile HoldForStart(UniqueFile& writer, const char* path)
{
    // Taken while the writer, which refuses delete sharing, still holds the
    // name, so that no moment is left in which it could be renamed over or
    // deleted (the user's programs may do both in their own folder, whatever
    // the file's DACL). It must share writing with that writer; the DACL
    // leaves writing to SYSTEM and Administrators.
    UniqueFile hold(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    // A program cannot start while a handle can write its file.
    writer.reset();
    return hold;
}
