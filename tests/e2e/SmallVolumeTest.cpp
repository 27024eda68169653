// TMP and TEMP naming a folder on a small real volume without room for the
// wizard: they do not move it. It is unpacked into its private folder (log
// line 6 alone), nothing is put on that volume, and the run ends with 0. (A
// private folder without room gives way to the Windows folder: the oversized
// wizard's run, and the volume check in process.)
#include "SetupRun.h"

namespace e2e {
namespace {

std::optional<uint64_t> FreeBytes(const std::string& folder)
{
    ULARGE_INTEGER available = {};
    if (!GetDiskFreeSpaceExA(folder.c_str(), &available, nullptr, nullptr))
        return std::nullopt;
    return available.QuadPart;
}

class SmallVolumeRun : public SetupRun {
protected:
    void TearDown() override
    {
        SetupRun::TearDown();
        if (!temp_.empty()) {
            EXPECT_TRUE(driver::RemoveTree(temp_)) << "cannot clear " << temp_;
        }
    }

    std::string temp_; // the temporary folder on the small volume
};

TEST_F(SmallVolumeRun, TemporaryFolderOnAFullVolumeDoesNotMoveTheWizard)
{
    const std::string volume = driver::SmallVolumeFolder();
    if (volume.empty())
        GTEST_SKIP() << driver::kNoSmallVolume;
    caseCategory_ = "temporary folder on a small volume";
    temp_ = volume + "Temp\\";
    ASSERT_TRUE(CreateDirectoryA(temp_.c_str(), nullptr)) << temp_;

    // Filled until half the wizard's size is left: room for the name, none for the file.
    const uint64_t declared = Bytes(BuiltInstaller()).size();
    ASSERT_GT(declared, 8192u);
    const auto free = FreeBytes(temp_);
    ASSERT_TRUE(free);
    if (*free > declared / 2) {
        const uint64_t filler = (*free - declared / 2) / 4096 * 4096;
        ASSERT_TRUE(driver::WriteFileBytes(temp_ + "filler.bin", std::vector<unsigned char>(filler, 0xA5)));
    }
    const auto left = FreeBytes(temp_);
    ASSERT_TRUE(left);
    ASSERT_LT(*left, declared) << "the volume must have no room for the wizard";

    std::string variable = temp_;
    variable.pop_back();
    Start("/v", {{"TEMP", variable}, {"TMP", variable}});
    const auto box = driver::WaitForWindowCaption(setup_.Id(), "Wait Setup.exe", kRunBoundMs);
    ASSERT_TRUE(box) << "no wait box";
    const auto started = AwaitHandOver();
    ASSERT_TRUE(started);
    const auto& [wizard, handOver] = *started;
    EXPECT_TRUE(IsInstallerTempName(wizard.module, TempFolder())) << wizard.module;
    EXPECT_TRUE(InstallerTempFiles(temp_).empty()) << "a name was taken on the full volume";

    const std::string loaderFolder = FolderOf(BuiltSetup());
    const std::string wizardLine = "\"" + loaderFolder + "VutSetup.exe\" " + loaderFolder + " /v";
    const auto expected = Lines(Lines(LogHead("/v", loaderFolder), {
                                          "Install VutSetup.exe 1: '" + wizard.module + "'",
                                      }),
                                RunLines(wizard, wizardLine));
    EXPECT_EQ(ConsoleRows(expected.size()), expected);
    driver::CloseMessageBox(box->window);
    EXPECT_EQ(ExitCode(), std::optional<uint32_t>(0u));
    EXPECT_EQ(wizard.commandLine, wizardLine);
    EXPECT_EQ(handOver.module, uninstallerPath_);
    EXPECT_FALSE(driver::FileExists(wizard.module)) << "the hand-over removes the wizard's file";
    EXPECT_TRUE(NewTempFiles(WindowsFolder()).empty());
    caseOutcome_ = "exit 0 from the private folder";
}

} // namespace
} // namespace e2e
