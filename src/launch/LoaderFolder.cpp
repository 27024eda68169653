#include "launch/LoaderFolder.h"

#include <cstdlib>

void GetLoaderFolder(char (&folder)[MAX_PATH], ModuleFileNameSource moduleFileName)
{
    folder[0] = '\0';
    char modulePath[MAX_PATH] = {};
    if (moduleFileName(nullptr, modulePath, MAX_PATH) == 0)
        return;
    // A path cut to the buffer may come back without its terminator.
    modulePath[MAX_PATH - 1] = '\0';

    char drive[_MAX_DRIVE] = {};
    char directory[_MAX_DIR] = {};
    _splitpath(modulePath, drive, directory, nullptr, nullptr);
    // At most 2 + 255 characters and a backslash: always fits in MAX_PATH.
    _makepath(folder, drive, directory, nullptr, nullptr);
}
