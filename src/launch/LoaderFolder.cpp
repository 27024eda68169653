#include "launch/LoaderFolder.h"

#include <cstring>

void GetLoaderFolder(char (&folder)[MAX_PATH], ModuleFileNameSource moduleFileName)
{
    folder[0] = '\0';
    char modulePath[MAX_PATH] = {};
    const DWORD length = moduleFileName(nullptr, modulePath, MAX_PATH);
    // A path that fills the buffer was cut to it: it names another folder, or none.
    if (length == 0 || length >= MAX_PATH)
        return;

    FolderOfPath(modulePath, folder);
}

void FolderOfPath(const char* path, char (&folder)[MAX_PATH])
{
    // Drive and directory joined again: the path cut after its last
    // separator, the separator kept; without one only a drive stays. Not
    // through _splitpath: Wine's C runtime gives no drive and no directory at
    // all for a directory part of more than 255 characters, which a loader
    // with a one-letter name in a folder of 258 characters has.
    size_t keep = path[0] != '\0' && path[1] == ':' ? 2 : 0;
    for (size_t i = 0; path[i] != '\0'; ++i) {
        const unsigned char c = static_cast<unsigned char>(path[i]);
        if (c == '\\' || c == '/')
            keep = i + 1;
        else if (IsDBCSLeadByte(c) && path[i + 1] != '\0')
            ++i; // its trail byte may have a backslash's code
    }
    keep = keep < MAX_PATH ? keep : MAX_PATH - 1;
    std::memcpy(folder, path, keep);
    folder[keep] = '\0';
}
