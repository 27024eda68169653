#include "guard/LogFileRules.h"

bool LogFileMayBeAppended(DWORD fileType, DWORD attributes, DWORD links)
{
    return fileType == FILE_TYPE_DISK && (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) == 0 &&
           links == 1;
}
