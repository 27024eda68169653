// The Windows folder's Temp on a small real volume without room for the
// wizard (a link to it in the prefix): the loader makes its private folder
// there, finds no room for the declared size before unpacking a byte, gives
// the folder up and unpacks the wizard into the Windows folder instead (log
// lines 6 and 7). The run ends with 0, and nothing is left on that volume.
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

// Runs `script` in a Linux shell; its effect, not its end, is waited for.
bool Shell(const std::string& script)
{
    driver::StartOptions options;
    options.commandLine = "Z:\\bin\\sh -c \"" + script + "\"";
    return driver::StartLinuxProgram(options);
}

class SmallVolumeRun : public SetupRun {
protected:
    void TearDown() override
    {
        SetupRun::TearDown();
        if (linked_) {
            EXPECT_TRUE(Shell("rm \\\"$WINEPREFIX/drive_c/windows/temp\\\""));
            EXPECT_TRUE(driver::WaitUntil([&] { return !driver::DirectoryExists(windowsTemp_); }, kRunBoundMs));
        }
        if (driver::DirectoryExists(windowsTemp_ + ".aside"))
            EXPECT_TRUE(MoveFileA((windowsTemp_ + ".aside").c_str(), windowsTemp_.c_str()));
        if (!temp_.empty())
            EXPECT_TRUE(driver::RemoveTree(temp_)) << "cannot clear " << temp_;
    }

    std::string windowsTemp_ = TempFolder().substr(0, TempFolder().size() - 1);
    std::string temp_; // the folder on the small volume
    bool linked_ = false;
};

TEST_F(SmallVolumeRun, APrivateFolderWithoutRoomGivesWayToTheWindowsFolder)
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
    ASSERT_TRUE(MoveFileA(windowsTemp_.c_str(), (windowsTemp_ + ".aside").c_str()));
    ASSERT_TRUE(Shell("ln -s \\\"$SETUP_SMALL_VOLUME/Temp\\\" \\\"$WINEPREFIX/drive_c/windows/temp\\\""));
    linked_ = driver::WaitUntil([&] { return driver::FileExists(TempFolder() + "filler.bin"); }, kRunBoundMs);
    ASSERT_TRUE(linked_) << "the Windows folder's Temp was not put on the volume";

    Start("/v");
    const auto box = driver::WaitForWindowCaption(setup_.Id(), "Wait Setup.exe", kRunBoundMs);
    ASSERT_TRUE(box) << "no wait box";
    const auto started = AwaitHandOver();
    ASSERT_TRUE(started);
    const auto& [wizard, handOver] = *started;
    EXPECT_TRUE(IsInstallerTempName(wizard.module, WindowsFolder())) << wizard.module;

    const std::string loaderFolder = FolderOf(BuiltSetup());
    const std::string wizardLine = "\"" + loaderFolder + "VutSetup.exe\" " + loaderFolder + " /v";
    const auto rows = ConsoleRows(9);
    ASSERT_EQ(rows.size(), 9u);
    const std::string first = "Install VutSetup.exe 1: '";
    ASSERT_EQ(rows[5].compare(0, first.size(), first), 0) << rows[5];
    const std::string given = rows[5].substr(first.size(), rows[5].size() - first.size() - 1);
    EXPECT_TRUE(IsInstallerTempName(given, TempFolder())) << given;
    const auto expected = Lines(Lines(LogHead("/v", loaderFolder),
                                      {rows[5], "Install VutSetup.exe 2: '" + wizard.module + "'"}),
                                RunLines(wizard, wizardLine));
    EXPECT_EQ(rows, expected);
    driver::CloseMessageBox(box->window);
    EXPECT_EQ(ExitCode(), std::optional<uint32_t>(0u));
    EXPECT_EQ(wizard.commandLine, wizardLine);
    EXPECT_EQ(handOver.module, uninstallerPath_);
    EXPECT_FALSE(driver::FileExists(wizard.module)) << "the hand-over removes the wizard's file";
    EXPECT_FALSE(driver::DirectoryExists(FolderOf(given))) << "the private folder given up is removed";
    caseOutcome_ = "exit 0 from the Windows folder";
}

} // namespace
} // namespace e2e
