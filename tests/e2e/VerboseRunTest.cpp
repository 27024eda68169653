// Verbose runs: the trace on the console, byte for byte, and the box that
// holds the run open until it is closed.
#include "SetupRun.h"

namespace e2e {
namespace {

struct VerboseCase {
    const char* name;
    const char* tail;      // "{dir}" stands for the records folder as source folder
    const char* switches;  // what the wizard's command line ends with
    bool progressWindow;
};

void PrintTo(const VerboseCase& c, std::ostream* out) { *out << c.name; }

const VerboseCase kVerboseRuns[] = {
    {"verbose", "/v", " /v", true},
    {"silent_then_verbose", "/s /v", " /s /v", false},
    {"verbose_then_silent", "/v /s", " /s /v", false},
    {"source_folder", "\"{dir}\" /v", " /v", true},
};

class VerboseRun : public SetupRun, public ::testing::WithParamInterface<VerboseCase> {};

TEST_P(VerboseRun, ConsoleHoldsTheTraceWhileTheWaitBoxHoldsTheRun)
{
    const VerboseCase& c = GetParam();
    std::string tail = c.tail;
    std::string sourceFolder = FolderOf(BuiltSetup());
    if (const size_t at = tail.find("{dir}"); at != std::string::npos) {
        sourceFolder = records_.Path();
        tail.replace(at, 5, sourceFolder.substr(0, sourceFolder.size() - 1));
    }
    Start(tail);
    const auto box = driver::WaitForWindowCaption(setup_.Id(), "Wait Setup.exe", kRunBoundMs);
    ASSERT_TRUE(box) << "no wait box";
    EXPECT_EQ(box->text, "");
    EXPECT_EQ(box->buttons, std::vector<std::string>{"OK"});
    EXPECT_FALSE(box->hasIcon);

    const auto started = AwaitHandOver();
    ASSERT_TRUE(started);
    const auto& [wizard, handOver] = *started;
    EXPECT_TRUE(setup_.Running()) << "the run must wait for its box";

    const std::string temp = wizard.module;
    EXPECT_TRUE(IsInstallerTempName(temp, TempFolder())) << temp;
    const std::string loaderFolder = FolderOf(BuiltSetup());
    const std::string wizardLine = "\"" + loaderFolder + "VutSetup.exe\" " + loaderFolder + c.switches;
    const std::string handOverLine = "VutUndo.exe /p" + std::to_string(wizard.pid) + " " + temp;
    EXPECT_EQ(wizard.commandLine, wizardLine);
    EXPECT_EQ(handOver.commandLine, handOverLine);

    const auto expected = Lines(LogHead(tail, sourceFolder), {
        "Install VutSetup.exe 1: '" + temp + "'",
        "Run VutSetup.exe: '" + temp + "' '" + wizardLine + "'",
        "Run VutUndo.exe: '" + uninstallerPath_ + "' '" + handOverLine + "'",
    });
    EXPECT_EQ(ConsoleRows(expected.size()), expected);

    bool progressShown = false;
    for (const auto& window : driver::WindowsOf(setup_.Id()))
        progressShown = progressShown || window.caption == "Setup";
    EXPECT_EQ(progressShown, c.progressWindow);

    EXPECT_FALSE(setup_.Wait(0)) << "ended before its box was closed";
    driver::CloseMessageBox(box->window);
    EXPECT_EQ(ExitCode(), std::optional<uint32_t>(0));
}

INSTANTIATE_TEST_SUITE_P(Tails, VerboseRun, ::testing::ValuesIn(kVerboseRuns),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace e2e
