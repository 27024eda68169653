#include "Driver.h"

namespace driver {

bool ReplaceResource(const std::string& exe, LPCSTR type, WORD id, const std::vector<unsigned char>& data,
                     WORD language)
{
    HANDLE update = BeginUpdateResourceA(exe.c_str(), FALSE);
    if (!update)
        return false;
    const BOOL ok = UpdateResourceA(update, type, MAKEINTRESOURCEA(id), language,
                                    data.empty() ? nullptr : const_cast<unsigned char*>(data.data()),
                                    static_cast<DWORD>(data.size()));
    // Commit only what succeeded; a failed update is thrown away whole.
    return EndUpdateResourceA(update, ok ? FALSE : TRUE) && ok;
}

std::optional<std::vector<unsigned char>> ReadResource(const std::string& exe, LPCSTR type, WORD id,
                                                       std::optional<WORD> language)
{
    HMODULE module = LoadLibraryExA(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!module)
        return std::nullopt;
    std::optional<std::vector<unsigned char>> result;
    HRSRC found = language ? FindResourceExA(module, type, MAKEINTRESOURCEA(id), *language)
                           : FindResourceA(module, MAKEINTRESOURCEA(id), type);
    if (found) {
        HGLOBAL loaded = LoadResource(module, found);
        const DWORD size = SizeofResource(module, found);
        auto* bytes = static_cast<const unsigned char*>(loaded ? LockResource(loaded) : nullptr);
        if (bytes)
            result = std::vector<unsigned char>(bytes, bytes + size);
    }
    FreeLibrary(module);
    return result;
}

} // namespace driver
