// A loader killed half-way through unpacking either program, and the run
// after it: a cut uninstaller fails its check, is deleted and unpacked afresh;
// a cut installer stays behind as the stale temporary file it is, and the
// next run makes its own. Both next runs end with 0.
#include "SetupRun.h"

#include "resource_ids.h"

#include <functional>

namespace e2e {
namespace {

constexpr size_t kBallastBytes = 32u << 20;
constexpr unsigned char kInstallerBallast = 0x5A;

// The byte at `offset` of a file the loader may still be writing.
std::optional<unsigned char> ByteAt(const std::string& path, uint64_t offset)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return std::nullopt;
    LARGE_INTEGER at;
    at.QuadPart = static_cast<LONGLONG>(offset);
    unsigned char byte = 0;
    DWORD read = 0;
    const bool ok = SetFilePointerEx(file, at, nullptr, FILE_BEGIN) && ReadFile(file, &byte, 1, &read, nullptr) &&
                    read == 1;
    CloseHandle(file);
    return ok ? std::optional<unsigned char>(byte) : std::nullopt;
}

class KilledRun : public SetupRun {
protected:
    // Kills the run once `midWrite` holds, then checks it ended by the kill.
    void KillWhen(const std::function<bool()>& midWrite)
    {
        ASSERT_TRUE(driver::WaitUntil([&] { return midWrite() || !setup_.Running(); }, kRunBoundMs))
            << "the unpacking was never seen half-way";
        ASSERT_TRUE(setup_.Running()) << "the run ended before it could be stopped half-way: " << *setup_.Wait(0);
        setup_.Kill();
        ASSERT_EQ(setup_.Wait(kRunBoundMs), std::optional<uint32_t>(0xDEAD));
    }

    // A second run of `loader`, silent: the wizard and the hand-over start and it ends with 0.
    std::optional<StartRecord> RunAgain(const std::string& loader)
    {
        setup_ = driver::Process();
        Start("/s", {}, loader);
        const auto started = AwaitHandOver();
        EXPECT_EQ(ExitCode(), std::optional<uint32_t>(0u));
        return started ? std::optional<StartRecord>(started->first) : std::nullopt;
    }
};

TEST_F(KilledRun, WhileUnpackingTheUninstallerTheNextRunReplacesTheCutCopy)
{
    caseCategory_ = "loader killed while unpacking the uninstaller";
    const std::vector<unsigned char> program = Bytes(driver::BinPath("VutUndoBallast.exe"));
    ASSERT_GT(program.size(), kBallastBytes);
    const std::string loader = LoaderCarrying(IDR_UNINSTALLER, program);

    Start("/s", {}, loader);
    KillWhen([&] {
        const auto size = driver::FileSize(uninstallerPath_);
        return size && *size >= (1u << 20) && *size < program.size();
    });
    const auto cut = driver::FileSize(uninstallerPath_);
    ASSERT_TRUE(cut);
    ASSERT_LT(*cut, program.size()) << "the copy must be cut";
    EXPECT_TRUE(UninstallerStarts().empty()) << "no check before the copy is whole";
    EXPECT_TRUE(NewTempFiles(TempFolder()).empty());

    const auto wizard = RunAgain(loader);
    ASSERT_TRUE(wizard);
    EXPECT_TRUE(IsInstallerTempName(wizard->module, TempFolder())) << wizard->module;
    EXPECT_TRUE(Bytes(uninstallerPath_) == program) << "the cut copy must be replaced by the payload's";
    const auto checks = UninstallerChecks();
    ASSERT_FALSE(checks.empty());
    EXPECT_EQ(checks.back().module, uninstallerPath_);
    EXPECT_TRUE(NewTempFiles(TempFolder()).empty()) << "the hand-over removes the wizard's file";
    EXPECT_TRUE(NewTempFiles(WindowsFolder()).empty());
    caseOutcome_ = "cut copy replaced, exit 0";
}

TEST_F(KilledRun, WhileUnpackingTheInstallerTheStaleFileStaysAndTheNextRunEndsWithZero)
{
    caseCategory_ = "loader killed while unpacking the installer";
    std::vector<unsigned char> program = Bytes(BuiltInstaller());
    ASSERT_FALSE(program.empty());
    const size_t ballastBegin = program.size();
    program.resize(program.size() + kBallastBytes, kInstallerBallast); // behind the image: it runs the same
    const std::string loader = LoaderCarrying(IDR_INSTALLER, program);

    Start("/s", {}, loader);
    // The file gets its full size before the first byte is written: a
    // quarter of the ballast written shows that the unpacking is under way.
    const uint64_t quarter = ballastBegin + kBallastBytes / 4;
    std::string stale;
    KillWhen([&] {
        for (const std::string& file : NewTempFiles(TempFolder())) {
            if (ByteAt(file, quarter) == std::optional<unsigned char>(kInstallerBallast)) {
                stale = file;
                return true;
            }
        }
        return false;
    });
    EXPECT_EQ(driver::FileSize(stale), std::optional<uint64_t>(program.size())) << "sized before the unpacking";
    EXPECT_EQ(ByteAt(stale, program.size() - 1), std::optional<unsigned char>(0)) << "the file must be cut";
    EXPECT_TRUE(WizardStarts().empty());

    const auto wizard = RunAgain(loader);
    ASSERT_TRUE(wizard);
    EXPECT_TRUE(IsInstallerTempName(wizard->module, TempFolder())) << wizard->module;
    EXPECT_NE(wizard->module, stale) << "the next run makes a file of its own";
    // What the launch sequence leaves: the stale file, as the kill left it.
    EXPECT_EQ(NewTempFiles(TempFolder()), std::set<std::string>{stale});
    EXPECT_EQ(driver::FileSize(stale), std::optional<uint64_t>(program.size()));
    EXPECT_TRUE(NewTempFiles(WindowsFolder()).empty());
    EXPECT_TRUE(Bytes(uninstallerPath_) == Bytes(BuiltUninstaller()));
    caseOutcome_ = "exit 0, 1 stale temporary file";
}

} // namespace
} // namespace e2e
