// A hostile program renames a copy of itself over every vut*.tmp that appears
// in the Windows folder's Temp, or in any folder in it (the wizard's private
// folder among them, which Wine lets it write), while loaders run. However
// the race falls, the program started as the wizard is the wizard: the
// renamer's copy never runs in its place, and each run ends with 0.
#include "SetupRun.h"

#include "CaseLog.h"
#include "resource_ids.h"

namespace e2e {
namespace {

// One row per kind of system, as the campaign runs both.
std::string Category()
{
    BOOL wow64 = FALSE;
    IsWow64Process(GetCurrentProcess(), &wow64);
    return wow64 ? "racing renamer, 32-bit loader on 64-bit Windows" : "racing renamer";
}

class RacingRenamer : public SetupRun {};

TEST_F(RacingRenamer, NeverGetsItsProgramStartedInTheWizardsPlace)
{
    const int rounds = driver::FullCampaign() ? 12 : 2;
    // A wizard of a real product's size, so that the renamer is at work on
    // the name long before the unpacking ends; the ballast behind its image
    // changes nothing of how it runs.
    std::vector<unsigned char> wizard = Bytes(BuiltInstaller());
    ASSERT_FALSE(wizard.empty());
    wizard.resize(wizard.size() + (8u << 20), 0x5A);
    const std::string loader = LoaderCarrying(IDR_INSTALLER, wizard);
    const std::string hijacks = records_ / "hijacks.log";
    driver::Process renamer;
    driver::StartOptions options;
    options.application = driver::BinPath("renamer_host.exe");
    options.commandLine = "\"" + options.application + "\" " + TempFolder() + " " +
                          std::to_string(static_cast<unsigned long>(rounds) * kRunBoundMs);
    ASSERT_TRUE(renamer.Start(options)) << "cannot start the renamer";

    for (int round = 1; round <= rounds; ++round) {
        const std::string name = "round " + std::to_string(round);
        SCOPED_TRACE(name);
        const double started = driver::NowMs();
        SeparateRun run;
        ASSERT_TRUE(run.Start(loader, "/s", {{"QUELT_HIJACK_LOG", hijacks}}));
        EXPECT_TRUE(driver::WaitUntil(
            [&] {
                run.CloseBoxes();
                return !run.process.Running();
            },
            kRunBoundMs))
            << "the run must end";
        run.process.Kill(); // one that did not end in time
        run.exit = run.process.Wait(0);
        const uint32_t exit = run.exit.value_or(0xDEAD);
        std::string left;
        const auto note = [&](bool wrong, const std::string& what) {
            EXPECT_FALSE(wrong) << what;
            if (wrong)
                left += (left.empty() ? "" : "; ") + what;
        };
        note(exit != 0, "ended with " + std::to_string(exit));
        note(!run.boxTexts.empty(), "a box: " + (run.boxTexts.empty() ? "" : run.boxTexts.front()));
        note(!run.AwaitChildren(), "no wizard and hand-over of the stand-ins");
        const auto wizards = run.Starts("vutsetup.log");
        note(wizards.size() != 1 || (!IsInstallerTempName(wizards.front().module, TempFolder()) &&
                                     !IsInstallerTempName(wizards.front().module, WindowsFolder())),
             "not one wizard, started from a temporary file");
        const auto hijacked = driver::ReadFileBytes(hijacks);
        note(hijacked && !hijacked->empty(), "the renamer's program started: " +
                                                 (hijacked ? std::string(hijacked->begin(), hijacked->end()) : ""));
        driver::LogCaseEnd({Category(), name, "exit " + std::to_string(exit) + (hijacked ? ", hijacked" : ""),
                            driver::NowMs() - started, left});
        DeleteFileA(hijacks.c_str());
    }
    // Still at work, and landing where no handle refuses it: a name left
    // unheld is taken within the bound, in the top folder and in a folder
    // named as the wizard's private ones are.
    ASSERT_TRUE(renamer.Running()) << "the renamer must have raced every round";
    const std::string privateFolder = TempFolder() + "QueltSetup.FFFFFFFFFFFFFFFF\\";
    ASSERT_TRUE(CreateDirectoryA(privateFolder.c_str(), nullptr));
    for (const std::string& unheld : {TempFolder() + "vutFFFF.tmp", privateFolder + "vutFFFF.tmp"}) {
        ASSERT_TRUE(driver::WriteFileBytes(unheld, {'w', 'i', 'z'}));
        EXPECT_TRUE(driver::WaitUntil([&] { return Bytes(unheld) == Bytes(options.application); }, kRunBoundMs))
            << "the renamer never took the unheld " << unheld;
    }
    renamer.Kill();
    renamer.Wait(kRunBoundMs);
    DeleteFileA((TempFolder() + "vutFFFF.tmp").c_str());
    driver::RemoveTree(privateFolder);
    DeleteFileA((TempFolder() + "renamer-" + std::to_string(renamer.Id()) + ".exe").c_str());
}

} // namespace
} // namespace e2e
