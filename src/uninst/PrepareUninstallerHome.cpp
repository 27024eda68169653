#include "uninst/UninstallerHome.h"
#include "uninst/UninstallerPath.h"

#include "guard/ObjectSecurity.h"

#include <shlobj.h>

int PrepareUninstallerHome(char (&path)[MAX_PATH])
{
    char programFiles[MAX_PATH] = "";
    // Checked, unlike the rest of this step: a shell that cannot answer must
    // not leave a relative "\Quelt\" behind. The path then stays empty, every
    // access to it fails, and the run ends with UninstallerFailed.
    const BOOL answered = SHGetSpecialFolderPathA(nullptr, programFiles, CSIDL_PROGRAM_FILES, FALSE);
    if (!answered || !ComposeUninstallerHome(programFiles, path)) {
        path[0] = '\0';
        return -1;
    }
    // A home that cannot be made shows up later, when the uninstaller can be
    // neither written nor started, as UninstallerFailed. Without its
    // descriptor a folder inherits, as before; the home's check judges it
    // either way.
    TextSecurity security;
    const int made = CreateDirectoryPath(path, security.Build(kProgramFolderSddl) ? &security.attributes : nullptr);
    AppendUninstallerFileName(path);
    return made;
}
