#include "uninst/FolderPath.h"
#include "uninst/UninstallerHome.h"

#include <cstring>

// Climbs only while creation fails, stops at the first ancestor it can create
// (or at a root, with -1), and creates the folders again on the way down.
int CreateDirectoryPath(const char* path)
{
    if (path == nullptr || path[0] == '\0')
        return -1;

    char folder[MAX_PATH];
    // A path that does not fit names no folder this program could make.
    if (!CopyFolderPath(path, folder))
        return -1;

    const DWORD attributes = GetFileAttributesA(folder);
    if (attributes != INVALID_FILE_ATTRIBUTES)
        return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? 0 : -1;

    if (CreateDirectoryA(folder, nullptr))
        return 1;

    char drive[_MAX_DRIVE];
    char dir[_MAX_DIR];
    if (!SplitDriveDir(folder, drive, dir) || IsClimbTop(dir))
        return -1;
    JoinDriveDir(drive, dir, folder);
    // A parent that is no shorter than the argument would climb forever; only
    // forms ending in a forward slash get here.
    if (std::strlen(folder) >= std::strlen(path))
        return -1;

    const int parentCreated = CreateDirectoryPath(folder);
    // 0 fails too: the parent was there, so the first creation failed for
    // another reason and would fail again.
    if (parentCreated < 1)
        return -1;

    CopyFolderPath(path, folder); // fitted above
    return CreateDirectoryA(folder, nullptr) ? parentCreated + 1 : -1;
}
