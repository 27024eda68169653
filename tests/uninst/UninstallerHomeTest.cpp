#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "Driver.h"
#include "uninst/UninstallerHome.h"

namespace {

// The prefix's Program Files folder, as its environment names it.
std::string ProgramFiles()
{
    char folder[MAX_PATH] = "";
    const DWORD length = GetEnvironmentVariableA("ProgramFiles", folder, MAX_PATH);
    return length > 0 && length < MAX_PATH ? folder : "";
}

// Gives each test the real home under Program Files to itself: a home that
// was there before is moved aside and put back afterwards.
class UninstallerHome : public ::testing::Test {
protected:
    void SetUp() override
    {
        programFiles_ = ProgramFiles();
        ASSERT_FALSE(programFiles_.empty());
        ASSERT_NE(programFiles_.back(), '\\');
        home_ = programFiles_ + "\\Quelt";
        saved_ = home_ + ".saved-" + std::to_string(GetCurrentProcessId());
        if (GetFileAttributesA(home_.c_str()) != INVALID_FILE_ATTRIBUTES) {
            ASSERT_TRUE(MoveFileA(home_.c_str(), saved_.c_str()));
        }
    }

    void TearDown() override
    {
        EXPECT_TRUE(driver::RemoveTree(home_));
        if (GetFileAttributesA(saved_.c_str()) != INVALID_FILE_ATTRIBUTES) {
            EXPECT_TRUE(MoveFileA(saved_.c_str(), home_.c_str()));
        }
    }

    std::string programFiles_;
    std::string home_;
    std::string saved_;
};

TEST_F(UninstallerHome, PathEndsInQueltVutundoUnderProgramFilesAndHomeIsMade)
{
    char path[MAX_PATH];
    PrepareUninstallerHome(path);

    EXPECT_EQ(std::string(path), programFiles_ + "\\Quelt\\vutundo.exe");
    const std::string text = path;
    const size_t quelt = text.rfind("Quelt\\vutundo.exe");
    ASSERT_NE(quelt, std::string::npos);
    ASSERT_GE(quelt, 2u);
    EXPECT_EQ(text[quelt - 1], '\\');
    EXPECT_NE(text[quelt - 2], '\\'); // exactly one backslash before "Quelt"

    EXPECT_TRUE(driver::DirectoryExists(home_));
    EXPECT_FALSE(driver::FileExists(path)); // only the folder: the file is unpacked later
}

TEST_F(UninstallerHome, ExistingHomeIsKeptAsItIs)
{
    ASSERT_TRUE(CreateDirectoryA(home_.c_str(), nullptr));
    ASSERT_TRUE(driver::WriteFileBytes(home_ + "\\vutundo.exe", {'M', 'Z'}));

    char path[MAX_PATH];
    PrepareUninstallerHome(path);

    EXPECT_EQ(std::string(path), home_ + "\\vutundo.exe");
    EXPECT_EQ(driver::ReadFileBytes(path), std::vector<unsigned char>({'M', 'Z'}));
}

TEST_F(UninstallerHome, FileNamedQueltInTheWayStillGivesThePath)
{
    ASSERT_TRUE(driver::WriteFileBytes(home_, {'x'}));

    char path[MAX_PATH];
    PrepareUninstallerHome(path);

    EXPECT_EQ(std::string(path), home_ + "\\vutundo.exe");
    EXPECT_TRUE(driver::FileExists(home_)); // not replaced by a folder
    // Nothing can be written there, which the launch sequence reports later.
    EXPECT_FALSE(driver::WriteFileBytes(path, {'M', 'Z'}));
}

TEST_F(UninstallerHome, OldUninstallerInTheHomeIsRemoved)
{
    char path[MAX_PATH];
    PrepareUninstallerHome(path);
    ASSERT_TRUE(driver::WriteFileBytes(path, {'M', 'Z'}));

    RemoveOldUninstaller(path);

    EXPECT_EQ(GetFileAttributesA(path), INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(driver::DirectoryExists(home_)); // the home itself stays
}

} // namespace
