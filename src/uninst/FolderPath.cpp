#include "uninst/FolderPath.h"

#include <cstring>

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

} // namespace

bool CopyFolderPath(const char* path, char (&folder)[MAX_PATH])
{
    const size_t length = std::strlen(path);
    if (length >= MAX_PATH) {
        folder[0] = '\0';
        return false;
    }
    std::memcpy(folder, path, length + 1);
    if (length > 0 && folder[length - 1] == '\\')
        folder[length - 1] = '\0';
    return true;
}

bool SplitDriveDir(const char* path, char (&drive)[_MAX_DRIVE], char (&dir)[_MAX_DIR])
{
    drive[0] = '\0';
    dir[0] = '\0';
    const char* rest = path;
    if (path[0] != '\0' && path[1] == ':') {
        drive[0] = path[0];
        drive[1] = ':';
        drive[2] = '\0';
        rest = path + 2;
    }
    const char* lastSeparator = nullptr;
    for (const char* p = rest; *p != '\0'; ++p) {
        if (IsSeparator(*p))
            lastSeparator = p;
    }
    if (lastSeparator == nullptr)
        return true;
    const size_t length = static_cast<size_t>(lastSeparator - rest) + 1;
    if (length >= _MAX_DIR)
        return false;
    std::memcpy(dir, rest, length);
    dir[length] = '\0';
    return true;
}

bool IsClimbTop(const char* dir)
{
    return std::strcmp(dir, "") == 0 || std::strcmp(dir, "\\") == 0 || std::strcmp(dir, "\\\\") == 0;
}

void JoinDriveDir(const char* drive, const char* dir, char (&path)[MAX_PATH])
{
    // At most 2 + 255 + 1 characters: always room in MAX_PATH.
    size_t length = 0;
    for (const char* p = drive; *p != '\0' && length < 2; ++p)
        path[length++] = *p;
    const size_t dirLength = std::strlen(dir);
    for (size_t i = 0; i < dirLength && length < MAX_PATH - 2; ++i)
        path[length++] = dir[i];
    if (dirLength > 0 && !IsSeparator(dir[dirLength - 1]))
        path[length++] = '\\';
    path[length] = '\0';
}

bool ParentFolderOf(const char* folder, char (&parent)[MAX_PATH])
{
    char drive[_MAX_DRIVE];
    char dir[_MAX_DIR];
    if (!SplitDriveDir(folder, drive, dir) || IsClimbTop(dir)) {
        parent[0] = '\0';
        return false;
    }
    JoinDriveDir(drive, dir, parent);
    return true;
}
