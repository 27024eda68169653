#include "uninst/FolderPath.h"
#include "uninst/UninstallerHome.h"

#include <cstring>

// Climbs only while creation fails, stops at the first ancestor it can create
// (or at a root, with -1), and creates the folders again on the way down.
int CreateDirectoryPath(const char* path, LPSECURITY_ATTRIBUTES security)
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

    if (CreateDirectoryA(folder, security))
        return 1;

    char parent[MAX_PATH];
    if (!ParentFolderOf(folder, parent))
        return -1;
    if (std::strlen(parent) >= std::strlen(path)) {
        // Only a text ending in a forward slash gets here: that separator was
        // kept, so the text is its own parent and the climb would never end.
        // Climb from the text without it; the parent is then shorter.
        folder[std::strlen(folder) - 1] = '\0';
        if (!ParentFolderOf(folder, parent))
            return -1;
    }

    const int parentCreated = CreateDirectoryPath(parent, security);
    // 0 fails too: the parent was there, so the first creation failed for
    // another reason and would fail again.
    if (parentCreated < 1)
        return -1;

    static_cast<void>(CopyFolderPath(path, folder)); // it fitted above
    return CreateDirectoryA(folder, security) ? parentCreated + 1 : -1;
}
