#include "diag/LoaderVersion.h"

#include "common/LoaderInstance.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

std::string FixedFileVersion(const unsigned char* block, size_t size)
{
    // VS_FIXEDFILEINFO follows the block's key on a 32-bit boundary; its
    // signature is all that finds it without version.dll, which is no KnownDLL.
    for (size_t at = 0; at + sizeof(VS_FIXEDFILEINFO) <= size; at += 4) {
        VS_FIXEDFILEINFO info;
        std::memcpy(&info, block + at, sizeof info);
        if (info.dwSignature != VS_FFI_SIGNATURE)
            continue;
        char version[24];
        std::snprintf(version, sizeof version, "%u.%u.%u.%u", HIWORD(info.dwFileVersionMS),
                      LOWORD(info.dwFileVersionMS), HIWORD(info.dwFileVersionLS), LOWORD(info.dwFileVersionLS));
        return version;
    }
    return std::string();
}

std::string LoaderVersion()
{
    const HRSRC found =
        FindResourceA(LoaderInstance(), MAKEINTRESOURCEA(VS_VERSION_INFO), MAKEINTRESOURCEA(16) /* RT_VERSION */);
    const HGLOBAL loaded = found ? LoadResource(LoaderInstance(), found) : nullptr;
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (data == nullptr)
        return std::string();
    return FixedFileVersion(static_cast<const unsigned char*>(data), SizeofResource(LoaderInstance(), found));
}
