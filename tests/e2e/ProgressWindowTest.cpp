// The progress window: up for the whole run unless silent, never when silent.
#include "SetupRun.h"

#include <algorithm>

namespace e2e {
namespace {

struct ProgressCase {
    const char* name;
    const char* tail;
    bool window;
};

void PrintTo(const ProgressCase& c, std::ostream* out) { *out << c.name; }

const ProgressCase kProgress[] = {
    {"shown", "", true},
    {"shown_when_reinstalling", "/a", true},
    {"hidden_when_silent", "/s", false},
};

class ProgressWindow : public SetupRun, public ::testing::WithParamInterface<ProgressCase> {};

TEST_P(ProgressWindow, ShowsWhileTheRunLastsUnlessSilent)
{
    const ProgressCase& c = GetParam();
    // A slow check keeps the run, and any window of it, up long enough to be seen.
    Start(c.tail, {{"VUT_STANDIN_UNDO_SLEEP_MS", "1500"}});
    std::vector<std::string> captions;
    const bool ended = driver::WaitUntil(
        [&] {
            for (const auto& window : driver::WindowsOf(setup_.Id())) {
                // Listed, then destroyed before it could be described: the run was ending.
                if (window.className.empty() && !IsWindow(window.window))
                    continue;
                if (std::find(captions.begin(), captions.end(), window.caption) == captions.end())
                    captions.push_back(window.caption);
            }
            return !setup_.Running();
        },
        kRunBoundMs);
    ASSERT_TRUE(ended);
    EXPECT_EQ(ExitCode(), std::optional<uint32_t>(0));
    EXPECT_EQ(UninstallerChecks().size(), 1u);
    EXPECT_EQ(captions, c.window ? std::vector<std::string>{"Setup"} : std::vector<std::string>{});
    EXPECT_TRUE(AwaitHandOver());
}

INSTANTIATE_TEST_SUITE_P(Tails, ProgressWindow, ::testing::ValuesIn(kProgress),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace e2e
