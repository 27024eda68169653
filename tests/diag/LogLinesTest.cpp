// Every log line, byte for byte, as written into a stream.
#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <string>

#include "diag/LogLines.h"

namespace {

struct LineCase {
    const char* name;
    std::function<void(std::ostream&)> write;
    const char* expected;
};

const char kCommandLine[] = "\"D:\\Kit\\VutSetup.exe\" D:\\Kit\\ /s /v";

const LineCase kLines[] = {
    {"Tail", [](std::ostream& o) { LogCommandTail("D:\\Kit /v", o); }, "D:\\Kit /v\n"},
    {"EmptyTail", [](std::ostream& o) { LogCommandTail("", o); }, "\n"},
    {"SourceDir", [](std::ostream& o) { LogSourceDir("D:\\Kit\\", o); }, "D:\\Kit\\\n"},
    {"IniPath", [](std::ostream& o) { LogIniPath("D:\\Kit\\setup.ini", o); }, "D:\\Kit\\setup.ini\n"},
    {"GetParamsTrue", [](std::ostream& o) { LogGetParams(true, o); }, "GetParams:1\n"},
    {"GetParamsFalse", [](std::ostream& o) { LogGetParams(false, o); }, "GetParams:0\n"},
    {"InstallUninstaller",
     [](std::ostream& o) { LogInstallUninstaller("C:\\Program Files\\Quelt\\vutundo.exe", o); },
     "Install VutUndo.exe: 'C:\\Program Files\\Quelt\\vutundo.exe'\n"},
    {"InstallInstallerFirst", [](std::ostream& o) { LogInstallInstallerFirst("C:\\Temp\\vut1F.tmp", o); },
     "Install VutSetup.exe 1: 'C:\\Temp\\vut1F.tmp'\n"},
    {"InstallInstallerSecond", [](std::ostream& o) { LogInstallInstallerSecond("C:\\windows\\vut20.tmp", o); },
     "Install VutSetup.exe 2: 'C:\\windows\\vut20.tmp'\n"},
    {"RunInstaller", [](std::ostream& o) { LogRunInstaller("C:\\Temp\\vut1F.tmp", kCommandLine, o); },
     "Run VutSetup.exe: 'C:\\Temp\\vut1F.tmp' '\"D:\\Kit\\VutSetup.exe\" D:\\Kit\\ /s /v'\n"},
    {"RunUninstaller",
     [](std::ostream& o) {
         LogRunUninstaller("C:\\Program Files\\Quelt\\vutundo.exe", "VutUndo.exe /p2468 C:\\Temp\\vut1F.tmp", o);
     },
     "Run VutUndo.exe: 'C:\\Program Files\\Quelt\\vutundo.exe' 'VutUndo.exe /p2468 C:\\Temp\\vut1F.tmp'\n"},
    {"WaitInstaller", [](std::ostream& o) { LogWaitInstaller("C:\\Temp\\vut1F.tmp", o); },
     "Wait VutSetup.exe: 'C:\\Temp\\vut1F.tmp'\n"},
    {"InstallerEnded", [](std::ostream& o) { LogInstallerEnded(3010, o); }, "End VutSetup.exe: 3010\n"},
    {"RunHeader",
     [](std::ostream& o) {
         SYSTEMTIME t = {2026, 12, 5, 11, 2, 7, 9, 0};
         LogRunHeader("2.5.1.0", t, o);
     },
     "Setup.exe 2.5.1.0, 2026-12-11 02:07:09 UTC\n"},
    {"ResultOfLoader", [](std::ostream& o) { LogRunResult(0, "", false, o); }, "Exit code: 0\n"},
    {"ResultOfError", [](std::ostream& o) { LogRunResult(4, "Cannot unpack installation", false, o); },
     "Exit code: 4 (Cannot unpack installation)\n"},
    {"ResultOfWizard", [](std::ostream& o) { LogRunResult(1641, "", true, o); },
     "Exit code: 1641 (VutSetup.exe)\n"},
    // Values are passed on byte for byte, whatever the code page made of them.
    {"AnsiBytes", [](std::ostream& o) { LogSourceDir("C:\\P\xF8\xEDprava\\ \t'x'\\", o); },
     "C:\\P\xF8\xEDprava\\ \t'x'\\\n"},
};

class LogLineTest : public testing::TestWithParam<LineCase> {};

TEST_P(LogLineTest, WritesExactBytes)
{
    std::ostringstream out;
    GetParam().write(out);
    EXPECT_EQ(out.str(), GetParam().expected);
    EXPECT_TRUE(out.good());
}

INSTANTIATE_TEST_SUITE_P(Lines, LogLineTest, testing::ValuesIn(kLines),
                         [](const testing::TestParamInfo<LineCase>& info) { return info.param.name; });

TEST(LogLines, FollowOneAnotherWithoutSeparators)
{
    std::ostringstream out;
    LogCommandTail("", out);
    LogSourceDir("C:\\", out);
    LogGetParams(true, out);
    EXPECT_EQ(out.str(), "\nC:\\\nGetParams:1\n");
}

} // namespace
