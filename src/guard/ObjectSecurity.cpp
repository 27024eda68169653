#include "guard/ObjectSecurity.h"

#include <aclapi.h>
#include <sddl.h>

namespace {

UniqueFile OpenFolder(const char* path)
{
    return UniqueFile(CreateFileA(path, READ_CONTROL | FILE_READ_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
}

UniqueLocalMemory ReadSecurity(HANDLE handle)
{
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetSecurityInfo(handle, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, nullptr,
                        nullptr, nullptr, nullptr, &descriptor) != ERROR_SUCCESS)
        return UniqueLocalMemory();
    return UniqueLocalMemory(descriptor);
}

} // namespace

bool TextSecurity::Build(const char* sddl)
{
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1, &descriptor, nullptr))
        return false;
    memory.reset(descriptor);
    attributes.lpSecurityDescriptor = descriptor;
    return true;
}

bool HandleIsTrusted(HANDLE handle, ACCESS_MASK rights)
{
    BY_HANDLE_FILE_INFORMATION information = {};
    if (!GetFileInformationByHandle(handle, &information))
        return false;
    const UniqueLocalMemory descriptor = ReadSecurity(handle);
    return descriptor && IsTrustedObject(information.dwFileAttributes, descriptor.get(), rights);
}

bool FolderIsTrusted(const char* path, ACCESS_MASK rights)
{
    const UniqueFile folder = OpenFolder(path);
    return folder && HandleIsTrusted(folder.get(), rights);
}

bool DaclsKeptAt(const char* path)
{
    const UniqueFile folder = OpenFolder(path);
    if (!folder)
        return true;
    const UniqueLocalMemory descriptor = ReadSecurity(folder.get());
    return !descriptor || DaclsWereKept(descriptor.get());
}
