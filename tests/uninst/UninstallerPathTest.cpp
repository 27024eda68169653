#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "uninst/UninstallerPath.h"

namespace {

struct HomeCase {
    std::string programFiles;
    bool composed;
    std::string home;
};

TEST(UninstallerPath, HomeIsQueltDirectlyUnderProgramFiles)
{
    const std::string longest(241 - 3, 'p'); // with "C:\" 241 characters: the path is 259
    const HomeCase cases[] = {
        {"C:\\Program Files", true, "C:\\Program Files\\Quelt\\"},
        {"C:\\Program Files (x86)", true, "C:\\Program Files (x86)\\Quelt\\"},
        {"D:\\", true, "D:\\Quelt\\"}, // no second backslash
        {"C:\\Program Files\\", true, "C:\\Program Files\\Quelt\\"},
        {"\\\\server\\share", true, "\\\\server\\share\\Quelt\\"},
        {"C:\\" + longest, true, "C:\\" + longest + "\\Quelt\\"},
        {"C:\\" + longest + "p", false, ""},
        {"C:\\" + longest + "\\", true, "C:\\" + longest + "\\Quelt\\"},
        {"C:\\" + longest + "p\\", false, ""},
        {std::string(259, 'p'), false, ""},
        // Nothing the shell could have meant: never a relative home.
        {"", false, ""},
        {"Program Files", false, ""},
        {"\\Program Files", false, ""},
        {"C:Program Files", false, ""},
        {"C:", false, ""},
    };
    for (const auto& c : cases) {
        char home[MAX_PATH];
        std::memset(home, 'x', sizeof home);
        EXPECT_EQ(ComposeUninstallerHome(c.programFiles.c_str(), home), c.composed) << c.programFiles;
        EXPECT_EQ(std::string(home), c.home) << c.programFiles;
    }
}

TEST(UninstallerPath, FileNameCompletesTheHomeAndNeverAnEmptyText)
{
    char path[MAX_PATH] = "C:\\Program Files\\Quelt\\";
    AppendUninstallerFileName(path);
    EXPECT_STREQ(path, "C:\\Program Files\\Quelt\\vutundo.exe");

    char empty[MAX_PATH] = "";
    AppendUninstallerFileName(empty);
    EXPECT_STREQ(empty, "");
}

TEST(UninstallerPath, LongestHomeTakesTheFileNameWithinTheBuffer)
{
    const std::string programFiles = "C:\\" + std::string(241 - 3, 'p');
    char path[MAX_PATH];
    ASSERT_TRUE(ComposeUninstallerHome(programFiles.c_str(), path));
    AppendUninstallerFileName(path);
    EXPECT_EQ(std::string(path), programFiles + "\\Quelt\\vutundo.exe");
    EXPECT_EQ(std::string(path).size(), 259u);
}

} // namespace
