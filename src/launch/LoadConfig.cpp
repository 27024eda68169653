// The program's load configuration. Its one setting that matters:
// DependentLoadFlags, which makes Windows 10 1607 and later resolve the
// program's static imports (and what they import) from System32 alone, before
// the program's first line can restrict the search itself. The loader imports
// only known DLLs today; this keeps a later import from being taken from the
// downloads folder. Older systems ignore the field.
#include <windows.h>

#include <cstddef>

namespace {

// Through SecurityCookie only: a 32-bit directory this short declares no
// SafeSEH handler table, which the program (DWARF unwinding, no SEH) has none
// of, and no control-flow guard.
constexpr DWORD kLoadConfigSize = offsetof(IMAGE_LOAD_CONFIG_DIRECTORY32, SEHandlerTable);
static_assert(kLoadConfigSize == 0x40, "the 32-bit directory up to the SafeSEH fields");

constexpr IMAGE_LOAD_CONFIG_DIRECTORY32 LoadConfig()
{
    IMAGE_LOAD_CONFIG_DIRECTORY32 config = {};
    config.Size = kLoadConfigSize;
    config.Reserved1 = LOAD_LIBRARY_SEARCH_SYSTEM32; // the DependentLoadFlags field
    return config;
}

} // namespace

// Named as the linker's convention has it; the build points the PE header's
// load configuration entry at it (tools/set_load_config.py), which this
// toolchain's linker does not do by itself.
extern "C" __attribute__((used)) const IMAGE_LOAD_CONFIG_DIRECTORY32 _load_config_used = LoadConfig();
