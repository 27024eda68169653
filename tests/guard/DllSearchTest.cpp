#include "guard/DllSearch.h"

#include "Driver.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(RestrictDllSearch, APlantedDllBesideTheProgramIsNoLongerFound)
{
    // Any loadable image under a name no system DLL has.
    const std::string planted = driver::BinPath("quelt_planted_probe.dll");
    ASSERT_TRUE(CopyFileA(driver::BinPath("VutUndo.exe").c_str(), planted.c_str(), FALSE));
    struct Remove {
        std::string path;
        ~Remove() { DeleteFileA(path.c_str()); }
    } remove{planted};

    HMODULE found = LoadLibraryExA("quelt_planted_probe.dll", nullptr, DONT_RESOLVE_DLL_REFERENCES);
    ASSERT_NE(found, nullptr) << "without the restriction the program's folder is searched";
    FreeLibrary(found);

    RestrictDllSearch();
    EXPECT_EQ(LoadLibraryExA("quelt_planted_probe.dll", nullptr, DONT_RESOLVE_DLL_REFERENCES), nullptr);
    // System DLLs still load.
    EXPECT_NE(LoadLibraryA("version.dll"), nullptr);
}

} // namespace
