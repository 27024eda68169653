#include "uninst/UninstallerPath.h"

#include <cstring>

namespace {

constexpr char kHomeFolder[] = "Quelt\\";
constexpr char kFileName[] = "vutundo.exe";

bool IsAbsolute(const char* path)
{
    const bool drive = path[0] != '\0' && path[1] == ':' && path[2] == '\\';
    const bool network = path[0] == '\\' && path[1] == '\\';
    return drive || network;
}

} // namespace

bool ComposeUninstallerHome(const char* programFiles, char (&home)[MAX_PATH])
{
    home[0] = '\0';
    if (!IsAbsolute(programFiles))
        return false;
    const size_t length = std::strlen(programFiles);
    const bool hasBackslash = programFiles[length - 1] == '\\';
    const size_t separator = hasBackslash ? 0 : 1;
    const size_t total = length + separator + (sizeof kHomeFolder - 1) + (sizeof kFileName - 1);
    if (total >= MAX_PATH)
        return false;
    std::memcpy(home, programFiles, length);
    if (!hasBackslash)
        home[length] = '\\';
    std::memcpy(home + length + separator, kHomeFolder, sizeof kHomeFolder);
    return true;
}

void AppendUninstallerFileName(char (&path)[MAX_PATH])
{
    const size_t length = std::strlen(path);
    if (length == 0 || length + sizeof kFileName > MAX_PATH)
        return;
    std::memcpy(path + length, kFileName, sizeof kFileName);
}
