// The log console of a real GUI process started as from the desktop, read
// back from the console itself while the process waits in its closing box.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Driver.h"

namespace {

constexpr DWORD kTimeoutMs = 90000;

struct ConsoleCase {
    const char* name;
    const char* tail;
};

class LogConsoleTest : public testing::TestWithParam<ConsoleCase> {};

TEST_P(LogConsoleTest, LinesStandOnTheTitledConsoleWhileTheWaitBoxIsUp)
{
    const ConsoleCase& c = GetParam();
    driver::StartOptions options;
    options.application = driver::BinPath("console_host.exe");
    options.commandLine = "\"" + options.application + "\"" + (*c.tail ? std::string(" ") + c.tail : "");
    driver::Process host;
    ASSERT_TRUE(host.Start(options));
    // Whatever fails below, the host goes with the test.
    struct EndHost {
        driver::Process& host;
        ~EndHost() { host.Kill(); }
    } endHost{host};

    const auto box = driver::WaitForWindowCaption(host.Id(), "Wait Setup.exe", kTimeoutMs);
    ASSERT_TRUE(box) << "no wait box";
    EXPECT_EQ(box->text, "");
    EXPECT_EQ(box->buttons, std::vector<std::string>{"OK"});
    EXPECT_FALSE(box->hasIcon);

    // Read at once: the host is blocked in its box, so anything still held
    // in a buffer would be missing here.
    const auto console = driver::ReadConsoleOf(host.Id());
    ASSERT_TRUE(console) << "no console";
    EXPECT_EQ(console->title, L"Logovaci konzole Setup.exe");
    const std::vector<std::string> expected = {
        c.tail,
        "D:\\Kit\\",
        "D:\\Kit\\setup.ini",
        "GetParams:1",
        "Install VutUndo.exe: 'C:\\Program Files\\Quelt\\vutundo.exe'",
        "Install VutSetup.exe 1: 'C:\\Temp\\vut1F.tmp'",
        "Install VutSetup.exe 2: 'C:\\windows\\vut20.tmp'",
        "Run VutSetup.exe: 'C:\\windows\\vut20.tmp' '\"D:\\Kit\\VutSetup.exe\" D:\\Kit\\ /s /v'",
        "Run VutUndo.exe: 'C:\\Program Files\\Quelt\\vutundo.exe' 'VutUndo.exe /p2468 C:\\windows\\vut20.tmp'",
        "second open:0",
        "standard error",
        "standard input on console:1",
    };
    EXPECT_EQ(console->lines, expected);

    driver::CloseMessageBox(box->window);
    EXPECT_EQ(host.Wait(kTimeoutMs), std::optional<uint32_t>(0)) << "second open did not fail cleanly";
}

INSTANTIATE_TEST_SUITE_P(Tails, LogConsoleTest,
                         testing::Values(ConsoleCase{"WithSwitches", "D:\\Kit /v"}, ConsoleCase{"Empty", ""}),
                         [](const testing::TestParamInfo<ConsoleCase>& info) { return info.param.name; });

} // namespace
