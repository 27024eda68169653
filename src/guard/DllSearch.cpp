#include "guard/DllSearch.h"

#include <windows.h>

void RestrictDllSearch()
{
    // Looked up rather than imported: systems without it must still start the
    // loader, with the weaker protection below.
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    const auto setDefault = reinterpret_cast<SetDefaultDllDirectoriesFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "SetDefaultDllDirectories")));
    if (setDefault)
        setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
    // Takes the current folder out of the search as well.
    SetDllDirectoryA("");
}
