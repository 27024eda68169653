#include "ResourceIndex.h"

#include "common/UniqueHandle.h"

namespace {

struct ModuleTraits {
    using Handle = HMODULE;
    static Handle empty() noexcept { return nullptr; }
    static void close(Handle h) noexcept { FreeLibrary(h); }
};

using UniqueModule = UniqueResource<ModuleTraits>;

UniqueModule OpenAsData(const std::string& exe)
{
    return UniqueModule(LoadLibraryExA(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
}

BOOL CALLBACK CollectId(HMODULE, LPCSTR, LPSTR name, LONG_PTR param)
{
    if (IS_INTRESOURCE(name))
        reinterpret_cast<std::vector<WORD>*>(param)->push_back(static_cast<WORD>(reinterpret_cast<ULONG_PTR>(name)));
    return TRUE;
}

BOOL CALLBACK CollectLanguage(HMODULE, LPCSTR, LPCSTR, WORD language, LONG_PTR param)
{
    reinterpret_cast<std::vector<WORD>*>(param)->push_back(language);
    return TRUE;
}

} // namespace

std::vector<WORD> IdsOf(const std::string& exe, LPCSTR type)
{
    std::vector<WORD> ids;
    const UniqueModule module = OpenAsData(exe);
    if (module)
        // No resource of the type at all fails the enumeration: the list is then empty.
        static_cast<void>(EnumResourceNamesA(module.get(), type, CollectId, reinterpret_cast<LONG_PTR>(&ids)));
    return ids;
}

std::vector<WORD> LanguagesOf(const std::string& exe, LPCSTR type, WORD id)
{
    std::vector<WORD> languages;
    const UniqueModule module = OpenAsData(exe);
    if (module)
        // Likewise for a resource that does not exist.
        static_cast<void>(EnumResourceLanguagesA(module.get(), type, MAKEINTRESOURCEA(id), CollectLanguage,
                                                 reinterpret_cast<LONG_PTR>(&languages)));
    return languages;
}
