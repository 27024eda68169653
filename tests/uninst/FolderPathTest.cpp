#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "uninst/FolderPath.h"

namespace {

struct CopyCase {
    std::string path;
    bool fits;
    std::string folder;
};

TEST(FolderPath, CopyDropsOneTrailingBackslashAndRefusesWhatDoesNotFit)
{
    const CopyCase cases[] = {
        {"C:\\Quelt\\", true, "C:\\Quelt"},
        {"C:\\Quelt\\\\", true, "C:\\Quelt\\"}, // only one removed
        {"C:\\Quelt", true, "C:\\Quelt"},
        {"C:/Quelt/", true, "C:/Quelt/"},      // a slash is not removed
        {"\\", true, ""},
        {"", true, ""},
        {std::string(259, 'a'), true, std::string(259, 'a')},
        {std::string(258, 'a') + "\\", true, std::string(258, 'a')},
        {std::string(260, 'a'), false, ""},
        {std::string(300, 'a'), false, ""},
    };
    for (const auto& c : cases) {
        char folder[MAX_PATH];
        std::memset(folder, 'x', sizeof folder);
        EXPECT_EQ(CopyFolderPath(c.path.c_str(), folder), c.fits) << c.path;
        EXPECT_EQ(std::string(folder), c.folder) << c.path;
    }
}

struct SplitCase {
    std::string path;
    bool fits;
    std::string drive;
    std::string dir;
};

TEST(FolderPath, SplitTakesDriveAndDirectoryLikeSplitpath)
{
    const SplitCase cases[] = {
        {"C:\\Program Files\\Quelt", true, "C:", "\\Program Files\\"},
        {"C:\\Quelt", true, "C:", "\\"},
        {"C:\\", true, "C:", "\\"},
        {"C:", true, "C:", ""},
        {"C:name", true, "C:", ""},
        {"\\Quelt", true, "", "\\"},
        {"\\\\server\\share\\Quelt", true, "", "\\\\server\\share\\"},
        {"\\\\server\\share", true, "", "\\\\server\\"},
        {"\\\\server", true, "", "\\\\"},
        {"name", true, "", ""},
        {"n", true, "", ""},
        {"C:/a/b", true, "C:", "/a/"},
        {"a\\b/c", true, "", "a\\b/"},  // the last separator of either kind
        {"C:\\" + std::string(253, 'd') + "\\n", true, "C:", "\\" + std::string(253, 'd') + "\\"}, // 255
        {"C:\\" + std::string(254, 'd') + "\\n", false, "", ""}, // 256 characters
        {std::string(258, 'd') + "\\", false, "", ""},
    };
    for (const auto& c : cases) {
        char drive[_MAX_DRIVE];
        char dir[_MAX_DIR];
        const bool fits = SplitDriveDir(c.path.c_str(), drive, dir);
        EXPECT_EQ(fits, c.fits) << c.path;
        if (fits) {
            EXPECT_EQ(std::string(drive), c.drive) << c.path;
            EXPECT_EQ(std::string(dir), c.dir) << c.path;
        }
    }
}

TEST(FolderPath, ClimbStopsAtEmptyRootAndNetworkStart)
{
    const std::pair<const char*, bool> cases[] = {
        {"", true},        {"\\", true},      {"\\\\", true},
        {"\\\\\\", false}, {"/", false},      {"//", false},
        {"\\a\\", false},  {"a\\", false},
    };
    for (const auto& [dir, top] : cases)
        EXPECT_EQ(IsClimbTop(dir), top) << dir;
}

TEST(FolderPath, JoinPutsDriveBeforeDirectoryAndEndsInSeparator)
{
    const struct {
        const char* drive;
        const char* dir;
        const char* path;
    } cases[] = {
        {"C:", "\\Program Files\\", "C:\\Program Files\\"},
        {"", "\\\\server\\", "\\\\server\\"},
        {"C:", "\\a", "C:\\a\\"},
        {"C:", "/a/", "C:/a/"},
        {"", "", ""},
    };
    for (const auto& c : cases) {
        char path[MAX_PATH];
        JoinDriveDir(c.drive, c.dir, path);
        EXPECT_STREQ(path, c.path) << c.drive << c.dir;
    }
}

TEST(FolderPath, ParentIsTheFolderAboveOrNothingAtATop)
{
    const struct {
        std::string folder;
        bool found;
        std::string parent;
    } cases[] = {
        {"C:\\Program Files\\Quelt", true, "C:\\Program Files\\"},
        {"C:\\Program Files\\", true, "C:\\Program Files\\"}, // a kept trailing backslash is its own parent
        {"C:\\Quelt", false, ""},
        {"Q:", false, ""},
        {"\\\\server\\share", true, "\\\\server\\"},
        {"\\\\server", false, ""},
        {"name", false, ""},
        {"C:/a/b", true, "C:/a/"},
        {"C:\\" + std::string(254, 'd') + "\\n", false, ""},
    };
    for (const auto& c : cases) {
        char parent[MAX_PATH];
        EXPECT_EQ(ParentFolderOf(c.folder.c_str(), parent), c.found) << c.folder;
        EXPECT_EQ(std::string(parent), c.parent) << c.folder;
    }
}

} // namespace
