// Two loaders at once on a machine without the uninstaller, its payload
// large enough that the second finds the first one's copy half-written: the
// second waits for the first, checks the finished copy, and both end with 0,
// no box, the home holding the payload's uninstaller byte for byte and no
// temporary wizard left. A partner killed half-way leaves a cut copy that the
// waiting loader replaces; one that hangs is waited for only until the bound.
#include "SetupRun.h"

#include "CaseLog.h"
#include "common/UniqueHandle.h"
#include "launch/UninstallerHomeLock.h"
#include "resource_ids.h"

#include <algorithm>
#include <array>

namespace e2e {
namespace {

constexpr char kCategory[] = "two loaders at once";

class TwoLoaders : public SetupRun {
protected:
    void SetUp() override
    {
        SetupRun::SetUp();
        ballast_ = Bytes(driver::BinPath("VutUndoBallast.exe"));
        ASSERT_GT(ballast_.size(), 32u << 20);
        slowLoader_ = LoaderCarrying(IDR_UNINSTALLER, ballast_);
    }

    // Waits for every run to end, closing any box they show.
    template <size_t N>
    void AwaitEnd(std::array<SeparateRun, N>& runs)
    {
        EXPECT_TRUE(driver::WaitUntil(
            [&] {
                for (SeparateRun& run : runs)
                    run.CloseBoxes();
                return std::none_of(runs.begin(), runs.end(), [](const SeparateRun& r) { return r.process.Running(); });
            },
            kRunBoundMs))
            << "both runs must end";
        for (SeparateRun& run : runs) {
            run.process.Kill(); // one that did not end in time
            run.exit = run.process.Wait(0);
        }
    }

    // Waits until `run` has unpacked a megabyte of the uninstaller, or has ended.
    bool AwaitUnpacking(SeparateRun& run)
    {
        return driver::WaitUntil(
            [&] {
                const auto size = driver::FileSize(uninstallerPath_);
                return (size && *size >= (1u << 20)) || !run.process.Running();
            },
            kRunBoundMs);
    }

    // What a run that should have started its wizard did wrong; empty when nothing.
    static std::string Faults(SeparateRun& run)
    {
        std::string faults;
        if (run.exit != std::optional<uint32_t>(0u))
            faults += "ended with " + std::to_string(run.exit.value_or(0xDEAD)) + "; ";
        if (!run.boxTexts.empty())
            faults += "a box: " + run.boxTexts.front() + "; ";
        if (!run.AwaitChildren())
            faults += "no wizard and hand-over; ";
        return faults;
    }

    // What the runs left that they should not have; removes stray temporary files.
    std::string Leftovers()
    {
        std::string left;
        const auto home = driver::ReadFileBytes(uninstallerPath_);
        if (!home)
            left += "no uninstaller in its home; ";
        else if (*home != ballast_)
            left += "an uninstaller that is not the payload's; ";
        for (const std::string& folder : {TempFolder(), WindowsFolder()}) {
            for (const std::string& file : NewTempFiles(folder)) {
                left += "left " + file + "; ";
                DeleteFileA(file.c_str());
            }
        }
        return left;
    }

    std::vector<unsigned char> ballast_;
    std::string slowLoader_;
};

TEST_F(TwoLoaders, StartedTogetherBothEndWithZeroAndTheUninstallerWhole)
{
    const int rounds = driver::FullCampaign() ? 20 : 3;
    for (int round = 1; round <= rounds; ++round) {
        const std::string name = "round " + std::to_string(round) + " (a 32 MB uninstaller)";
        SCOPED_TRACE(name);
        ASSERT_TRUE(driver::RemoveTree(uninstallerHome_));
        const double started = driver::NowMs();
        std::array<SeparateRun, 2> runs;
        for (SeparateRun& run : runs)
            ASSERT_TRUE(run.Start(slowLoader_, "/s")) << "cannot start a loader";
        AwaitEnd(runs);
        std::string left;
        for (SeparateRun& run : runs)
            left += Faults(run);
        left += Leftovers();
        EXPECT_EQ(left, "");
        driver::LogCaseEnd({kCategory, name,
                            "exit " + std::to_string(runs[0].exit.value_or(0xDEAD)) + " and " +
                                std::to_string(runs[1].exit.value_or(0xDEAD)),
                            driver::NowMs() - started, left.empty() ? "" : left});
    }
}

TEST_F(TwoLoaders, APartnerKilledWhileUnpackingLeavesACutCopyThatTheWaiterReplaces)
{
    caseCategory_ = kCategory;
    std::array<SeparateRun, 2> runs;
    ASSERT_TRUE(runs[0].Start(slowLoader_, "/s"));
    ASSERT_TRUE(AwaitUnpacking(runs[0]));
    ASSERT_TRUE(runs[0].process.Running()) << "the partner ended before it could be stopped half-way";
    ASSERT_TRUE(runs[1].Start(slowLoader_, "/s"));
    runs[0].process.Kill();
    ASSERT_EQ(runs[0].process.Wait(kRunBoundMs), std::optional<uint32_t>(0xDEAD));
    const auto cut = driver::FileSize(uninstallerPath_);
    ASSERT_TRUE(cut && *cut < ballast_.size()) << "the partner's copy must be cut";

    AwaitEnd(runs);
    EXPECT_TRUE(runs[0].Starts("vutsetup.log").empty());
    EXPECT_EQ(Faults(runs[1]), "");
    EXPECT_EQ(Leftovers(), "");
    caseOutcome_ = "partner killed half-way, the waiter's exit " + std::to_string(runs[1].exit.value_or(0xDEAD));
}

// A holds the lock while it unpacks; B waits, then replaces the copy (/a)
// and checks it slowly; C comes once A has ended and B checks. B and C must
// still meet in the lock: C's check may start only after B's has answered
// (the stand-in counts an answer as it ends).
TEST_F(TwoLoaders, AThirdLoaderWaitsForTheSecondOnceTheFirstHasEnded)
{
    caseCategory_ = kCategory;
    std::array<SeparateRun, 3> runs;
    ASSERT_TRUE(runs[0].Start(slowLoader_, "/s"));
    ASSERT_TRUE(AwaitUnpacking(runs[0]));
    ASSERT_TRUE(runs[1].Start(slowLoader_, "/s /a",
                              {{"VUT_STANDIN_UNDO_SLEEP_MS", "5000"}, {"VUT_STANDIN_UNDO_EXIT", "1001"}}));
    EXPECT_EQ(runs[0].process.Wait(kRunBoundMs), std::optional<uint32_t>(0u));
    ASSERT_TRUE(driver::WaitUntil([&] { return !runs[1].Starts("vutundo.log").empty(); }, kRunBoundMs));
    ASSERT_TRUE(runs[2].Start(slowLoader_, "/s"));
    ASSERT_TRUE(driver::WaitUntil([&] { return !runs[2].Starts("vutundo.log").empty(); }, kRunBoundMs));
    EXPECT_TRUE(driver::FileExists(runs[1].records / "vutundo.checks"))
        << "the third checked while the second still held the lock";
    AwaitEnd(runs);
    std::string left;
    for (SeparateRun& run : runs)
        left += Faults(run);
    EXPECT_EQ(left + Leftovers(), "");
    caseOutcome_ = "three in a row, exit " + std::to_string(runs[2].exit.value_or(0xDEAD)) + " for the third";
}

TEST_F(TwoLoaders, APartnerThatHangsIsWaitedForUntilTheBoundWithTheWindowAnswered)
{
    caseCategory_ = kCategory;
    // The hung partner: this process holds the loaders' lock file throughout.
    ASSERT_TRUE(CreateDirectoryA(uninstallerHome_.c_str(), nullptr));
    UniqueFile lock(CreateFileA((uninstallerHome_ + "\\" + kUninstallerHomeLockFile).c_str(), DELETE, 0, nullptr,
                                CREATE_NEW, FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    ASSERT_TRUE(lock) << "another loader holds the lock";
    const double started = driver::NowMs();
    Start("");
    const auto window = driver::WaitForWindowCaption(setup_.Id(), "Setup", kWindowBoundMs);
    ASSERT_TRUE(window) << "no progress window";
    // While it waits: nothing unpacked, and its window answers.
    DWORD_PTR answer = 0;
    EXPECT_NE(SendMessageTimeoutA(window->window, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &answer), 0)
        << "the waiting loader's window did not answer";
    EXPECT_FALSE(driver::FileExists(uninstallerPath_)) << "unpacked while the partner held the lock";
    EXPECT_TRUE(setup_.Running());

    // Past the bound it goes on as a lone loader.
    EXPECT_TRUE(AwaitHandOver());
    EXPECT_EQ(ExitCode(), std::optional<uint32_t>(0u));
    EXPECT_GE(driver::NowMs() - started, kUninstallerHomeLockBoundMs) << "did not wait for the bound";
    EXPECT_EQ(Bytes(uninstallerPath_), Bytes(BuiltUninstaller()));
    lock.reset();
    caseOutcome_ = "partner hung past the bound, exit 0";
}

} // namespace
} // namespace e2e
