#include "launch/GetParams.h"

#include "Driver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

namespace {

constexpr unsigned char Canary = 0xA5;

// LaunchOptions with guard bytes behind it, handed over empty as WinMain does.
struct GuardedOptions {
    GuardedOptions() { std::memset(guard, Canary, sizeof guard); }
    LaunchOptions options;
    unsigned char guard[64];

    void ExpectUntouchedOutsideTheTexts() const
    {
        for (unsigned char b : guard)
            ASSERT_EQ(b, Canary) << "written past the options";
        ExpectZeroAfterText(options.SourceDir, "SourceDir");
        ExpectZeroAfterText(options.IniPath, "IniPath");
        ExpectZeroAfterText(options.LogPath, "LogPath");
        EXPECT_EQ(options.UninstallMode, 0);
    }

    // The buffers come in all zero; nothing but the text and its NUL may change.
    static void ExpectZeroAfterText(const char (&text)[MAX_PATH], const char* name)
    {
        const size_t length = strnlen(text, MAX_PATH);
        ASSERT_LT(length, size_t{MAX_PATH}) << name << " is not terminated";
        for (size_t i = length; i < MAX_PATH; ++i)
            ASSERT_EQ(text[i], '\0') << name << " byte " << i << " written";
    }
};

// The current directory for the length of a test.
class CurrentDirectory {
public:
    explicit CurrentDirectory(const std::string& path)
    {
        GetCurrentDirectoryA(MAX_PATH, saved_);
        EXPECT_TRUE(SetCurrentDirectoryA(path.c_str()));
    }
    ~CurrentDirectory()
    {
        // The saved folder still exists; a failure would show in later tests.
        SetCurrentDirectoryA(saved_);
    }

private:
    char saved_[MAX_PATH] = {};
};

struct ParamsCase {
    const char* name;
    std::string tail;
    std::string sourceDir; // "<cwd>" and "<bin>" stand for the current and the program's folder
    std::string iniPath;   // "<dir>" stands for the expected SourceDir
    bool silent;
    bool reinstall;
    bool verbose;
    bool wait = false;
    std::string logPath = "";
};

class GetParamsTest : public ::testing::TestWithParam<ParamsCase> {
protected:
    driver::ScratchDir scratch_{"params"};
};

std::string Expand(std::string text, const std::string& marker, const std::string& value)
{
    const size_t at = text.find(marker);
    if (at != std::string::npos)
        text.replace(at, marker.size(), value);
    return text;
}

TEST_P(GetParamsTest, FillsTheOptionsFromTheTail)
{
    const ParamsCase& c = GetParam();
    CurrentDirectory current(scratch_.Path());
    GuardedOptions guarded;

    EXPECT_TRUE(GetParams(c.tail.c_str(), guarded.options));

    std::string sourceDir = Expand(c.sourceDir, "<cwd>", scratch_.Path());
    sourceDir = Expand(sourceDir, "<bin>", driver::BinDir());
    EXPECT_EQ(std::string(guarded.options.SourceDir), sourceDir);
    EXPECT_EQ(std::string(guarded.options.IniPath), Expand(c.iniPath, "<dir>", sourceDir));
    EXPECT_EQ(guarded.options.Silent, c.silent);
    EXPECT_EQ(guarded.options.ReinstallUndo, c.reinstall);
    EXPECT_EQ(guarded.options.Verbose, c.verbose);
    EXPECT_EQ(guarded.options.WaitForInstaller, c.wait);
    EXPECT_EQ(std::string(guarded.options.LogPath), c.logPath);
    guarded.ExpectUntouchedOutsideTheTexts();
}

const std::string Long300(300, 'q');

INSTANTIATE_TEST_SUITE_P(
    Tails, GetParamsTest,
    ::testing::Values(
        ParamsCase{"Empty", "", "<cwd>", "<dir>setup.ini", false, false, false},
        ParamsCase{"SlashFirst", "/s /v", "<bin>", "<dir>setup.ini", true, false, true},
        ParamsCase{"DirAndSwitch", "D:\\inst /s", "D:\\inst\\", "D:\\inst\\setup.ini", true, false, false},
        ParamsCase{"SlashEndsToken", "D:\\inst/v", "D:\\inst\\", "D:\\inst\\setup.ini", false, false, true},
        ParamsCase{"SlashInsideToken", "D:\\a/s /v", "D:\\a/s\\", "D:\\a/s\\setup.ini", false, false, true},
        ParamsCase{"QuotedWithBlank", "\"C:\\my kit\" /a", "C:\\my kit\\", "C:\\my kit\\setup.ini", false, true,
                   false},
        ParamsCase{"SwitchTextInsideQuotes", "\"C:\\k/s\" /v", "C:\\k/s\\", "C:\\k/s\\setup.ini", false, false,
                   true},
        ParamsCase{"Unclosed", "\"C:\\my kit /s /a /v", "<bin>", "<dir>setup.ini", false, false, false},
        ParamsCase{"EmptyQuotes", "\"\" /v", "<bin>", "<dir>setup.ini", false, false, true},
        ParamsCase{"UpperCase", "/S /A /V", "<bin>", "<dir>setup.ini", false, false, false},
        ParamsCase{"Relative", "inst", "inst\\", "inst\\setup.ini", false, false, false},
        ParamsCase{"DriveRoot", "C:\\ /a", "C:\\", "C:\\setup.ini", false, true, false},
        ParamsCase{"TrailingForwardSlash", "D:\\dir/ /a", "D:\\dir/\\", "D:\\dir/\\setup.ini", false, true,
                   false},
        ParamsCase{"WordsSetSwitches", "D:\\i /silent /verbose", "D:\\i\\", "D:\\i\\setup.ini", true, false,
                   true},
        ParamsCase{"LongToken", Long300 + " /s", Long300.substr(0, 259), Long300.substr(0, 259), true, false,
                   false},
        ParamsCase{"TokenOf249", std::string(249, 'r'), std::string(249, 'r') + "\\",
                   std::string(249, 'r') + "\\setup.ini", false, false, false},
        ParamsCase{"TokenOf250", std::string(250, 'r'), std::string(250, 'r') + "\\",
                   std::string(250, 'r') + "\\setup.in", false, false, false},
        ParamsCase{"TokenOf259", std::string(259, 'r'), std::string(259, 'r'), std::string(259, 'r'), false,
                   false, false},
        ParamsCase{"LogAfterSourceFolder", "D:\\inst /log=D:\\l.log /w", "D:\\inst\\", "D:\\inst\\setup.ini",
                   false, false, false, true, "D:\\l.log"},
        ParamsCase{"QuotedFolderAndLog", "\"C:\\my kit\" /log=\"C:\\Deploy Logs\\q.log\" /s", "C:\\my kit\\",
                   "C:\\my kit\\setup.ini", true, false, false, false, "C:\\Deploy Logs\\q.log"},
        ParamsCase{"UnclosedFolderNoLog", "\"C:\\kit /log=C:\\l.log /w", "<bin>", "<dir>setup.ini", false, false, false}),
    [](const ::testing::TestParamInfo<ParamsCase>& info) { return info.param.name; });

TEST(GetParamsTest, ClearsSwitchesSetBefore)
{
    LaunchOptions options;
    options.Silent = options.ReinstallUndo = options.Verbose = options.WaitForInstaller = true;
    options.LogPath[0] = 'x';
    GetParams("D:\\inst", options);
    EXPECT_FALSE(options.WaitForInstaller);
    EXPECT_STREQ(options.LogPath, "");
    EXPECT_FALSE(options.Silent);
    EXPECT_FALSE(options.ReinstallUndo);
    EXPECT_FALSE(options.Verbose);
}

// Stand-ins for the two folder sources, for what a real machine cannot be made to do.
std::string g_currentDirectory;
DWORD g_currentDirectoryAnswer = 0;
std::string g_modulePath;

DWORD WINAPI FakeCurrentDirectory(DWORD size, LPSTR buffer)
{
    if (g_currentDirectoryAnswer != 0)
        return g_currentDirectoryAnswer;
    if (g_currentDirectory.size() + 1 > size)
        return static_cast<DWORD>(g_currentDirectory.size() + 1);
    std::memcpy(buffer, g_currentDirectory.c_str(), g_currentDirectory.size() + 1);
    return static_cast<DWORD>(g_currentDirectory.size());
}

DWORD WINAPI FakeModuleFileName(HMODULE, LPSTR buffer, DWORD size)
{
    if (g_modulePath.empty())
        return 0;
    const DWORD copied = static_cast<DWORD>(std::min<size_t>(g_modulePath.size(), size));
    std::memcpy(buffer, g_modulePath.data(), copied);
    if (copied < size)
        buffer[copied] = '\0';
    return copied;
}

struct FallbackCase {
    const char* name;
    const char* tail;
    std::string currentDirectory;
    DWORD currentDirectoryAnswer; // forced answer; 0 to answer from currentDirectory
    std::string modulePath;
    std::string sourceDir;
    std::string iniPath;
};

class GetParamsFallbackTest : public ::testing::TestWithParam<FallbackCase> {};

TEST_P(GetParamsFallbackTest, FallsBackToAUsableFolder)
{
    const FallbackCase& c = GetParam();
    g_currentDirectory = c.currentDirectory;
    g_currentDirectoryAnswer = c.currentDirectoryAnswer;
    g_modulePath = c.modulePath;
    FolderSources sources;
    sources.CurrentDirectory = FakeCurrentDirectory;
    sources.ModuleFileName = FakeModuleFileName;
    GuardedOptions guarded;

    EXPECT_TRUE(GetParams(c.tail, guarded.options, sources));

    EXPECT_EQ(std::string(guarded.options.SourceDir), c.sourceDir);
    EXPECT_EQ(std::string(guarded.options.IniPath), c.iniPath);
    guarded.ExpectUntouchedOutsideTheTexts();
}

const std::string Dir259 = "C:\\" + std::string(256, 'd');

INSTANTIATE_TEST_SUITE_P(
    Cases, GetParamsFallbackTest,
    ::testing::Values(
        FallbackCase{"DriveRootKeepsOneBackslash", "", "C:\\", 0, "D:\\Kit\\Setup.exe", "C:\\", "C:\\setup.ini"},
        FallbackCase{"CurrentDirectory", "", "C:\\work", 0, "D:\\Kit\\Setup.exe", "C:\\work\\",
                     "C:\\work\\setup.ini"},
        FallbackCase{"CurrentDirectoryOf259", "", Dir259, 0, "D:\\Kit\\Setup.exe", Dir259, Dir259},
        FallbackCase{"CurrentDirectoryTooLong", "", "", 300, "D:\\Kit\\Setup.exe", "D:\\Kit\\",
                     "D:\\Kit\\setup.ini"},
        FallbackCase{"CurrentDirectoryUnreadable", "", "", 0, "D:\\Kit\\Setup.exe", "D:\\Kit\\",
                     "D:\\Kit\\setup.ini"},
        FallbackCase{"SlashFirstIgnoresCurrentDirectory", "/s", "C:\\work", 0, "D:\\Kit\\Setup.exe",
                     "D:\\Kit\\", "D:\\Kit\\setup.ini"},
        FallbackCase{"NetworkPathHasNoDrive", "/v", "C:\\work", 0, "\\\\server\\share\\Kit\\Setup.exe",
                     "\\\\server\\share\\Kit\\", "\\\\server\\share\\Kit\\setup.ini"},
        FallbackCase{"DriveRootModule", "\"\"", "C:\\work", 0, "E:\\Setup.exe", "E:\\", "E:\\setup.ini"},
        FallbackCase{"ModulePathUnreadable", "/s", "C:\\work", 0, "", "", "\\setup.ini"}),
    [](const ::testing::TestParamInfo<FallbackCase>& info) { return info.param.name; });

} // namespace

namespace {

TEST(GetParamsLongModulePathTest, AFolderOfAMaximalPathIsKeptWhole)
{
    // 259 characters with a directory of 256: more than a C runtime's split
    // holds (Wine's then gives nothing at all); the folder must still come whole.
    g_currentDirectory = "C:\\work";
    g_currentDirectoryAnswer = 0;
    g_modulePath = "C:\\" + std::string(254, 'd') + "\\a";
    ASSERT_EQ(g_modulePath.size(), 259u);
    FolderSources sources;
    sources.CurrentDirectory = FakeCurrentDirectory;
    sources.ModuleFileName = FakeModuleFileName;
    GuardedOptions guarded;

    EXPECT_TRUE(GetParams("/s", guarded.options, sources));

    guarded.ExpectUntouchedOutsideTheTexts();
    EXPECT_EQ(std::string(guarded.options.SourceDir), g_modulePath.substr(0, 258));
    EXPECT_EQ(std::string(guarded.options.IniPath), g_modulePath.substr(0, 258) + "s");
    EXPECT_TRUE(guarded.options.Silent);
}

} // namespace
