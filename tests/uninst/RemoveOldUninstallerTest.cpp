#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "Driver.h"
#include "common/UniqueHandle.h"
#include "uninst/UninstallerHome.h"

namespace {

struct RemovalCase {
    const char* description;
    std::function<void(const std::string& target)> arrange;
    bool removed; // false: whatever was there stays
};

void MakeFile(const std::string& path) { ASSERT_TRUE(driver::WriteFileBytes(path, {'M', 'Z'})); }
void MakeFolder(const std::string& path) { ASSERT_TRUE(CreateDirectoryA(path.c_str(), nullptr)); }

TEST(RemoveOldUninstaller, RemovesAFileOrAnEmptyFolderOnly)
{
    const RemovalCase cases[] = {
        {"old uninstaller file", MakeFile, true},
        {"empty folder of that name", MakeFolder, true},
        {"folder that is not empty",
         [](const std::string& target) {
             MakeFolder(target);
             MakeFile(target + "\\keep.txt");
         },
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.description);
        driver::ScratchDir scratch("rou");
        const std::string target = scratch / "vutundo.exe";
        c.arrange(target);
        ASSERT_NE(GetFileAttributesA(target.c_str()), INVALID_FILE_ATTRIBUTES);

        RemoveOldUninstaller(target.c_str());

        EXPECT_EQ(GetFileAttributesA(target.c_str()) == INVALID_FILE_ATTRIBUTES, c.removed);
        if (!c.removed) {
            EXPECT_TRUE(driver::FileExists(target + "\\keep.txt"));
        }
    }
}

TEST(RemoveOldUninstaller, MissingFileIsNoError)
{
    driver::ScratchDir scratch("rou");
    const std::string target = scratch / "vutundo.exe";
    RemoveOldUninstaller(target.c_str());
    RemoveOldUninstaller((scratch / "no such folder\\vutundo.exe").c_str());
    RemoveOldUninstaller("");
    EXPECT_EQ(GetFileAttributesA(target.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(driver::DirectoryExists(scratch.Path()));
}

TEST(RemoveOldUninstaller, FileInUseStaysWithoutReport)
{
    driver::ScratchDir scratch("rou");
    const std::string target = scratch / "vutundo.exe";
    MakeFile(target);
    {
        // Held open without delete sharing, as by an uninstaller that still runs.
        const UniqueFile holder(CreateFileA(target.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(holder);
        RemoveOldUninstaller(target.c_str());
        EXPECT_TRUE(driver::FileExists(target));
    }
    RemoveOldUninstaller(target.c_str());
    EXPECT_FALSE(driver::FileExists(target));
}

} // namespace
