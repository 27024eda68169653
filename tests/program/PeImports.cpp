#include "PeImports.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

namespace {

template <typename T>
bool ReadAt(const std::vector<unsigned char>& file, size_t offset, T& out)
{
    if (offset > file.size() || file.size() - offset < sizeof(T))
        return false;
    std::memcpy(&out, file.data() + offset, sizeof(T));
    return true;
}

} // namespace

std::optional<PeSummary> ReadPeSummary(const std::vector<unsigned char>& file)
{
    IMAGE_DOS_HEADER dos;
    if (!ReadAt(file, 0, dos) || dos.e_magic != IMAGE_DOS_SIGNATURE)
        return std::nullopt;
    const size_t nt = static_cast<size_t>(dos.e_lfanew);
    DWORD signature = 0;
    IMAGE_FILE_HEADER header;
    if (!ReadAt(file, nt, signature) || signature != IMAGE_NT_SIGNATURE || !ReadAt(file, nt + 4, header))
        return std::nullopt;
    const size_t optional = nt + 4 + sizeof(IMAGE_FILE_HEADER);
    WORD magic = 0;
    if (!ReadAt(file, optional, magic))
        return std::nullopt;

    PeSummary summary;
    summary.machine = header.Machine;
    IMAGE_DATA_DIRECTORY imports = {};
    if (magic == IMAGE_NT_OPTIONAL_HDR32_MAGIC) {
        IMAGE_OPTIONAL_HEADER32 h;
        if (!ReadAt(file, optional, h))
            return std::nullopt;
        summary.subsystem = h.Subsystem;
        imports = h.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    } else if (magic == IMAGE_NT_OPTIONAL_HDR64_MAGIC) {
        IMAGE_OPTIONAL_HEADER64 h;
        if (!ReadAt(file, optional, h))
            return std::nullopt;
        summary.subsystem = h.Subsystem;
        imports = h.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    } else {
        return std::nullopt;
    }

    // Relative addresses to file offsets through the section table.
    const size_t sections = optional + header.SizeOfOptionalHeader;
    auto toOffset = [&](DWORD rva) -> std::optional<size_t> {
        for (WORD i = 0; i < header.NumberOfSections; ++i) {
            IMAGE_SECTION_HEADER s;
            if (!ReadAt(file, sections + i * sizeof(IMAGE_SECTION_HEADER), s))
                return std::nullopt;
            const DWORD size = std::max(s.Misc.VirtualSize, s.SizeOfRawData);
            if (rva >= s.VirtualAddress && rva < s.VirtualAddress + size)
                return static_cast<size_t>(rva - s.VirtualAddress) + s.PointerToRawData;
        }
        return std::nullopt;
    };
    if (imports.VirtualAddress == 0)
        return summary;
    auto at = toOffset(imports.VirtualAddress);
    if (!at)
        return std::nullopt;
    for (size_t entry = *at;; entry += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
        IMAGE_IMPORT_DESCRIPTOR d;
        if (!ReadAt(file, entry, d))
            return std::nullopt;
        if (d.Name == 0)
            break;
        auto name = toOffset(d.Name);
        if (!name)
            return std::nullopt;
        std::string dll;
        for (size_t p = *name; p < file.size() && file[p]; ++p)
            dll += static_cast<char>(file[p]);
        summary.imports.push_back(dll);
    }
    return summary;
}
