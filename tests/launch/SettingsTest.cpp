#include "launch/GetParams.h"
#include "launch/Settings.h"

#include "Driver.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

struct SettingsCase {
    const char* name;
    const char* contents; // null: no setup.ini at all
    int32_t expected;
};

class SettingsTest : public ::testing::TestWithParam<SettingsCase> {
protected:
    driver::ScratchDir scratch_{"settings"};

    void WriteIni(const char* contents)
    {
        if (contents == nullptr)
            return;
        const std::vector<unsigned char> bytes(contents, contents + std::strlen(contents));
        ASSERT_TRUE(driver::WriteFileBytes(scratch_ / "setup.ini", bytes));
    }
};

TEST_P(SettingsTest, ReadsUninstallModeFromTheIniPath)
{
    const SettingsCase& c = GetParam();
    WriteIni(c.contents);
    LaunchOptions options;
    const std::string iniPath = scratch_ / "setup.ini";
    std::strcpy(options.IniPath, iniPath.c_str());
    options.UninstallMode = 12345; // must be replaced whatever the file says

    ReadSettings(options);

    EXPECT_EQ(options.UninstallMode, c.expected);
}

TEST_P(SettingsTest, FindsTheFileThroughTheSourceDirectoryOnTheCommandLine)
{
    const SettingsCase& c = GetParam();
    WriteIni(c.contents);
    const std::string tail = "\"" + scratch_.Path() + "\" /s";
    LaunchOptions options;

    GetParams(tail.c_str(), options);
    ReadSettings(options);

    EXPECT_EQ(std::string(options.IniPath), scratch_ / "setup.ini");
    EXPECT_EQ(options.UninstallMode, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Files, SettingsTest,
    ::testing::Values(SettingsCase{"One", "[Install]\r\nUninstallMode=1\r\n", 1},
                      SettingsCase{"Zero", "[Install]\r\nUninstallMode=0\r\n", 0},
                      SettingsCase{"Negative", "[Install]\r\nUninstallMode=-3\r\n", -3},
                      SettingsCase{"Large", "[Setup]\r\nX=1\r\n[Install]\r\nOther=5\r\nUninstallMode=7\r\n", 7},
                      SettingsCase{"MissingKey", "[Install]\r\nOther=1\r\n", 0},
                      SettingsCase{"KeyInOtherSection", "[Setup]\r\nUninstallMode=1\r\n", 0},
                      SettingsCase{"EmptyFile", "", 0}, SettingsCase{"MissingFile", nullptr, 0}),
    [](const ::testing::TestParamInfo<SettingsCase>& info) { return info.param.name; });

TEST(SettingsCutPathTest, ASourceDirectoryTooLongForTheFileNameReadsNothing)
{
    // A folder whose setup.ini would need more than 259 characters: the cut
    // path names no file, so the default comes back.
    LaunchOptions options;
    const std::string tail(300, 'q');
    GetParams(tail.c_str(), options);
    options.UninstallMode = 9;
    ReadSettings(options);
    EXPECT_EQ(options.UninstallMode, 0);
}

} // namespace
