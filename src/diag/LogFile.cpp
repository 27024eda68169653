#include "diag/LogFile.h"

#include "guard/LogFileRules.h"
#include "guard/ObjectSecurity.h"

UniqueFile OpenLogFile(const char* path)
{
    if (path[0] == '\0')
        return UniqueFile();
    // Never created with what its folder would give instead.
    TextSecurity security;
    if (!security.Build(kLogFileSddl))
        return UniqueFile();
    // Appending only: every write lands at the end, so nothing already in the
    // file is overwritten. A link at the last component is opened, not
    // followed, and then refused; a pipe's server may only identify the loader,
    // never impersonate it. Other runs may append to the same file.
    UniqueFile file(CreateFileA(path, FILE_APPEND_DATA | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, &security.attributes, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT | SECURITY_SQOS_PRESENT |
                                    SECURITY_IDENTIFICATION,
                                nullptr));
    BY_HANDLE_FILE_INFORMATION info = {};
    if (!file || !GetFileInformationByHandle(file.get(), &info) ||
        !LogFileMayBeAppended(GetFileType(file.get()), info.dwFileAttributes, info.nNumberOfLinks))
        return UniqueFile();
    return file;
}
