// Two loaders started at the same moment on a machine without the
// uninstaller, so that both reach for the one home at once. Whatever each
// ends with, it is one of the loader's own endings with its box, both end
// within the bounds, and afterwards the home holds the payload's uninstaller
// byte for byte and no temporary wizard is left.
#include "SetupRun.h"

#include "CaseLog.h"
#include "resource_ids.h"

#include <algorithm>
#include <array>

namespace e2e {
namespace {

constexpr char kCategory[] = "two loaders at once";

// One of the two runs: its own records folder, so that its children can be told apart.
struct RaceRun {
    driver::ScratchDir records{"race"};
    driver::Process process;
    std::set<HWND> boxesSeen;
    std::vector<std::string> boxTexts;
    std::optional<uint32_t> exit;

    bool Start(const std::string& loader) { return process.Start(LoaderStart(loader, "/s", records.Path())); }

    // Closes the error boxes it shows, each counted once.
    void CloseBoxes()
    {
        for (const auto& window : driver::WindowsOf(process.Id())) {
            if (window.caption == ExpectedErrorBox(5).caption && boxesSeen.insert(window.window).second) {
                boxTexts.push_back(window.text);
                driver::CloseMessageBox(window.window);
            }
        }
    }

    std::vector<StartRecord> Starts(const char* log) const { return ReadStartRecords(records / log); }

    // After an ending of 0: waits for the wizard's and the hand-over's starts
    // and for both to end, so that the hand-over has removed the wizard's file.
    bool AwaitChildren()
    {
        const bool recorded = driver::WaitUntil(
            [&] {
                const auto undo = Starts("vutundo.log");
                return !Starts("vutsetup.log").empty() && std::any_of(undo.begin(), undo.end(), IsHandOver);
            },
            kRunBoundMs);
        std::vector<StartRecord> children = Starts("vutsetup.log");
        const auto undo = Starts("vutundo.log");
        children.insert(children.end(), undo.begin(), undo.end());
        bool ended = true;
        for (const StartRecord& child : children) {
            driver::Process running;
            if (running.Attach(child.pid))
                ended = running.Wait(kRunBoundMs).has_value() && ended;
        }
        return recorded && ended;
    }
};

class TwoLoaders : public SetupRun {};

TEST_F(TwoLoaders, RacingForTheUninstallerLeaveItWholeAndEndAsTheLoaderDoes)
{
    // The build's loader, and a copy whose uninstaller takes long enough to
    // unpack that the second run finds the first one's copy half-written.
    const std::vector<unsigned char> ballast = Bytes(driver::BinPath("VutUndoBallast.exe"));
    ASSERT_FALSE(ballast.empty());
    const std::string slowLoader = LoaderCarrying(IDR_UNINSTALLER, ballast);
    const std::vector<unsigned char> shipped = Bytes(BuiltUninstaller());
    ASSERT_FALSE(shipped.empty());

    const int rounds = driver::FullCampaign() ? 20 : 4;
    for (int round = 1; round <= rounds; ++round) {
        const bool slow = round % 2 == 0;
        const std::string name =
            "round " + std::to_string(round) + (slow ? " (a 32 MB uninstaller)" : " (the shipped records)");
        SCOPED_TRACE(name);
        const std::vector<unsigned char>& payload = slow ? ballast : shipped;
        ASSERT_TRUE(driver::RemoveTree(uninstallerHome_));
        const double started = driver::NowMs();
        std::array<RaceRun, 2> runs;
        for (RaceRun& run : runs)
            ASSERT_TRUE(run.Start(slow ? slowLoader : BuiltSetup())) << "cannot start a loader";

        EXPECT_TRUE(driver::WaitUntil(
            [&] {
                for (RaceRun& run : runs)
                    run.CloseBoxes();
                return std::none_of(runs.begin(), runs.end(), [](const RaceRun& r) { return r.process.Running(); });
            },
            kRunBoundMs))
            << "both runs must end";
        std::string left;
        const auto note = [&](bool wrong, const std::string& what) {
            EXPECT_FALSE(wrong) << what;
            if (wrong)
                left += (left.empty() ? "" : "; ") + what;
        };
        std::vector<uint32_t> endings;
        for (RaceRun& run : runs) {
            run.process.Kill(); // one that did not end in time
            run.exit = run.process.Wait(0);
            endings.push_back(run.exit.value_or(0xDEAD));
            const bool failed = run.exit == std::optional<uint32_t>(5u);
            EXPECT_TRUE(run.exit == std::optional<uint32_t>(0u) || failed) << "ended with " << endings.back();
            EXPECT_EQ(run.boxTexts, failed ? std::vector<std::string>{ExpectedErrorBox(5).text}
                                           : std::vector<std::string>{});
            if (run.exit == std::optional<uint32_t>(0u))
                note(!run.AwaitChildren(), "a wizard or hand-over of run " + std::to_string(run.process.Id()));
            else
                note(!run.Starts("vutsetup.log").empty(), "a wizard started by a failed run");
        }

        const auto home = driver::ReadFileBytes(uninstallerPath_);
        note(!home, "no uninstaller in its home");
        note(home && *home != payload, "an uninstaller that is not the payload's");
        for (const std::string& folder : {TempFolder(), WindowsFolder()}) {
            for (const std::string& file : NewTempFiles(folder)) {
                note(true, "left " + file);
                DeleteFileA(file.c_str());
            }
        }

        std::sort(endings.begin(), endings.end());
        driver::LogCaseEnd({kCategory, name,
                            "exit " + std::to_string(endings[0]) + " and " + std::to_string(endings[1]),
                            driver::NowMs() - started, left});
    }
}

} // namespace
} // namespace e2e
