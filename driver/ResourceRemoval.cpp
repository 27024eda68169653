#include "Driver.h"

#include <vector>

namespace driver {
namespace {

// A resource type or name: a number, or a text.
struct ResourceKey {
    WORD number = 0;
    std::string text;

    explicit ResourceKey(LPCSTR key)
    {
        if (IS_INTRESOURCE(key))
            number = static_cast<WORD>(reinterpret_cast<ULONG_PTR>(key));
        else
            text = key;
    }
    LPCSTR Get() const { return text.empty() ? MAKEINTRESOURCEA(number) : text.c_str(); }
    bool Is(LPCSTR key) const
    {
        return IS_INTRESOURCE(key) ? text.empty() && number == reinterpret_cast<ULONG_PTR>(key)
                                   : text == key;
    }
};

struct Resource {
    ResourceKey type;
    ResourceKey name;
    WORD language;
    std::vector<unsigned char> data;
};

struct Collection {
    HMODULE module;
    std::vector<Resource> resources;
    bool complete = true;
};

BOOL CALLBACK CollectLanguage(HMODULE module, LPCSTR type, LPCSTR name, WORD language, LONG_PTR param)
{
    auto* collection = reinterpret_cast<Collection*>(param);
    HRSRC found = FindResourceExA(module, type, name, language);
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const auto* bytes = static_cast<const unsigned char*>(loaded ? LockResource(loaded) : nullptr);
    if (bytes == nullptr) {
        collection->complete = false;
        return FALSE;
    }
    collection->resources.push_back(
        {ResourceKey(type), ResourceKey(name), language,
         std::vector<unsigned char>(bytes, bytes + SizeofResource(module, found))});
    return TRUE;
}

BOOL CALLBACK CollectName(HMODULE module, LPCSTR type, LPSTR name, LONG_PTR param)
{
    return EnumResourceLanguagesA(module, type, name, CollectLanguage, param);
}

BOOL CALLBACK CollectType(HMODULE module, LPSTR type, LONG_PTR param)
{
    return EnumResourceNamesA(module, type, CollectName, param);
}

} // namespace

bool RemoveResource(const std::string& exe, LPCSTR type, WORD id)
{
    Collection collection{LoadLibraryExA(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE), {}};
    if (collection.module == nullptr)
        return false;
    EnumResourceTypesA(collection.module, CollectType, reinterpret_cast<LONG_PTR>(&collection));
    FreeLibrary(collection.module);
    if (!collection.complete)
        return false;

    HANDLE update = BeginUpdateResourceA(exe.c_str(), TRUE);
    if (update == nullptr)
        return false;
    bool ok = true;
    for (const Resource& resource : collection.resources) {
        if (resource.type.Is(type) && resource.name.Is(MAKEINTRESOURCEA(id)))
            continue;
        ok = ok && UpdateResourceA(update, resource.type.Get(), resource.name.Get(), resource.language,
                                   const_cast<unsigned char*>(resource.data.data()),
                                   static_cast<DWORD>(resource.data.size()));
    }
    // A failed rewrite is thrown away whole.
    return EndUpdateResourceA(update, ok ? FALSE : TRUE) && ok;
}

} // namespace driver
