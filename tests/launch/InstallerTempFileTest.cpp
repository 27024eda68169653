// The installer's temporary file: sizing through the file pointer, and the
// hold that keeps it unchanged between its last write and its start; the
// private folder it is made in. Also the DLL search that the entry point
// narrows before anything loads a DLL.
#include "CaseLog.h"
#include "Driver.h"
#include "launch/InstallerTempFile.h"
#include "guard/AdministratorsOnly.h"
#include "guard/OwnerAndDacl.h"
#include "launch/WizardFolder.h"

#include <gtest/gtest.h>

#include <sddl.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <thread>

namespace {

struct SizeCase {
    const char* name;
    uint32_t size;
    bool sized;
};

class SizeFileTest : public ::testing::TestWithParam<SizeCase> {};

TEST_P(SizeFileTest, SetsTheLengthOrReportsFailure)
{
    const SizeCase& c = GetParam();
    driver::ScratchDir dir("size");
    const std::string path = dir / "vut.tmp";
    UniqueFile file(CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(file);
    EXPECT_EQ(SizeFile(file.get(), c.size), c.sized);
    LARGE_INTEGER length = {};
    ASSERT_TRUE(GetFileSizeEx(file.get(), &length));
    EXPECT_EQ(length.QuadPart, c.sized ? static_cast<LONGLONG>(c.size) : 0);
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, SizeFileTest,
    ::testing::Values(SizeCase{"empty", 0, true}, SizeCase{"one_block", 4096, true},
                      SizeCase{"largest_positive", 64u << 20, true},
                      // No high part: 2 GiB and more read as negative distances.
                      SizeCase{"two_gib", 0x80000000u, false},
                      // The failure value itself must not pass as a position.
                      SizeCase{"all_ones", 0xFFFFFFFFu, false}),
    [](const ::testing::TestParamInfo<SizeCase>& info) { return std::string(info.param.name); });

TEST(HoldForStart, KeepsTheFileFromBeingRenamedOrDeletedYetStartable)
{
    driver::ScratchDir dir("hold");
    const std::string path = dir / "vutA1.tmp";
    const std::string renamed = dir / "other.tmp";
    const std::string bait = dir / "bait.exe";
    ASSERT_TRUE(CopyFileA(driver::BinPath("VutUndo.exe").c_str(), path.c_str(), FALSE));
    ASSERT_TRUE(CopyFileA(driver::BinPath("VutUndo.exe").c_str(), bait.c_str(), FALSE));
    const auto before = driver::ReadFileBytes(path);
    ASSERT_TRUE(before);

    {
        UniqueFile writer(CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(writer);
        UniqueFile hold = HoldForStart(writer, path.c_str());
        ASSERT_TRUE(hold);
        EXPECT_FALSE(writer) << "the writer must be closed, or the file could not start";
        // Sharing is decided per open handle, so these stand for any other process's.
        EXPECT_FALSE(MoveFileA(path.c_str(), renamed.c_str())) << "the file could be renamed";
        EXPECT_FALSE(MoveFileExA(bait.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING)) << "renamed over";
        EXPECT_FALSE(DeleteFileA(path.c_str())) << "the file could be deleted";

        STARTUPINFOA startup = {};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION info = {};
        std::string commandLine = path;
        ASSERT_TRUE(CreateProcessA(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                   &startup, &info))
            << "the held file could not be started";
        UniqueHandle process(info.hProcess);
        UniqueHandle thread(info.hThread);
        ASSERT_EQ(WaitForSingleObject(process.get(), 30000), WAIT_OBJECT_0);
        DWORD code = 0;
        GetExitCodeProcess(process.get(), &code);
        EXPECT_EQ(code, 1001u) << "the stand-in uninstaller answers its check";
    }
    EXPECT_EQ(driver::ReadFileBytes(path), before);
    EXPECT_TRUE(DeleteFileA(path.c_str())) << "once released the file is free again";
}

// A hostile program of the user: it has learned the temporary file's name
// (watching the folder would tell it) and keeps renaming a file of its own
// over that name. The folder is the user's, so on Windows only the loader's
// handles can refuse it; a thread stands for the program, since sharing is
// decided per open handle.
class RacingRenamer {
public:
    explicit RacingRenamer(const std::string& bait) : bait_(bait), thread_([this] { Run(); }) {}
    ~RacingRenamer()
    {
        stop_ = true;
        thread_.join();
    }

    void Aim(const std::string& target)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        target_ = target;
    }
    int Landed() const { return landed_; }

private:
    void Run()
    {
        bool baitReady = false;
        while (!stop_) {
            std::string target;
            {
                std::lock_guard<std::mutex> lock(mutex_);
                target = target_;
            }
            if (target.empty()) {
                Sleep(0);
                continue;
            }
            if (!baitReady)
                baitReady = driver::WriteFileBytes(bait_, kHostile);
            if (baitReady && MoveFileExA(bait_.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) {
                baitReady = false;
                ++landed_;
            }
        }
    }

    const std::string bait_;
    std::mutex mutex_;
    std::string target_;
    std::atomic<bool> stop_{false};
    std::atomic<int> landed_{0};
    std::thread thread_;

public:
    static inline const std::vector<unsigned char> kHostile{'M', 'Z', 'h', 'o', 's', 't', 'i', 'l', 'e'};
};

TEST(HoldForStart, ARacingRenamerNeverPutsItsProgramInTheWizardsPlace)
{
    driver::ScratchDir dir("race");
    const std::string folder = dir.Path();
    const std::vector<unsigned char> wizard(4096, 0x5A);
    RacingRenamer renamer(dir / "bait.exe");
    const int rounds = driver::FullCampaign() ? 1000 : 300;
    int givenUp = 0, notHeld = 0, swapped = 0, unproven = 0;
    for (int round = 0; round < rounds; ++round) {
        char path[MAX_PATH] = {};
        ASSERT_NE(GetTempFileNameA(folder.c_str(), "vut", 0, path), 0u);
        renamer.Aim(path);
        UniqueFile file = PrepareInstallerTempFile(folder.c_str(), path, static_cast<uint32_t>(wizard.size()));
        if (!file) {
            ++givenUp; // the folder would be given up, as when it has no room
        } else {
            // Sized first, as the loader does, then written from the start.
            DWORD written = 0;
            ASSERT_EQ(SetFilePointer(file.get(), 0, nullptr, FILE_BEGIN), 0u);
            ASSERT_TRUE(WriteFile(file.get(), wizard.data(), static_cast<DWORD>(wizard.size()), &written, nullptr));
            UniqueFile hold = HoldForStart(file, path);
            if (!hold) {
                ++notHeld; // the run would end with exit 3
            } else if (driver::ReadFileBytes(path) != std::optional<std::vector<unsigned char>>(wizard)) {
                ++swapped; // what a start now would run is the renamer's
            }
            // Released, the name is the renamer's to take: proof that it was
            // aiming at this very name all along.
            hold.reset();
            const int before = renamer.Landed();
            if (!driver::WaitUntil([&] { return renamer.Landed() > before; }, 10000))
                ++unproven;
        }
        renamer.Aim("");
        DeleteFileA(path);
    }
    EXPECT_EQ(swapped, 0) << "of " << rounds << " rounds";
    EXPECT_EQ(notHeld, 0) << "of " << rounds << " rounds";
    EXPECT_EQ(unproven, 0) << "rounds in which the renamer was not seen to be racing";
    EXPECT_LT(givenUp, rounds / 2) << "too few rounds got as far as the hold";
    std::printf("racing renamer: %d rounds, %d gave the folder up, %d not held, %d swapped\n", rounds, givenUp,
                notHeld, swapped);
}

TEST(PrepareInstallerTempFile, RestrictsOpensAndSizesTheFileTheSystemCreated)
{
    driver::ScratchDir dir("prepare");
    const std::string path = dir / "vutB2.tmp";
    ASSERT_TRUE(driver::WriteFileBytes(path, {})) << "the system creates the name empty";
    UniqueFile file = PrepareInstallerTempFile(dir.Path().c_str(), path.c_str(), 4096);
    ASSERT_TRUE(file);
    file.reset();
    EXPECT_EQ(driver::FileSize(path), std::optional<uint64_t>(4096));
}

// A handle another program took on the name the system created, in the
// moment before the loader makes it its own: whether it lets deletions
// through or not, the loader never writes through that name's file.
class IntruderTest : public ::testing::TestWithParam<DWORD> {};

TEST_P(IntruderTest, AFileAnotherHandleHoldsIsGivenUpAndNeverWritten)
{
    driver::ScratchDir dir("prepare");
    const std::string path = dir / "vutC3.tmp";
    ASSERT_TRUE(driver::WriteFileBytes(path, {}));
    // Sharing is decided per handle, so this stands for another program's.
    UniqueFile intruder(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE | WRITE_DAC, GetParam(), nullptr,
                                    OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(intruder);
    EXPECT_FALSE(PrepareInstallerTempFile(dir.Path().c_str(), path.c_str(), 4096));
    LARGE_INTEGER size = {};
    ASSERT_TRUE(GetFileSizeEx(intruder.get(), &size));
    EXPECT_EQ(size.QuadPart, 0) << "the held file was sized";
    intruder.reset();
    char fresh[MAX_PATH] = {};
    ASSERT_NE(GetTempFileNameA(dir.Path().c_str(), "vut", 0, fresh), 0u);
    EXPECT_TRUE(PrepareInstallerTempFile(dir.Path().c_str(), fresh, 4096)) << "a name nobody holds is taken";
}

INSTANTIATE_TEST_SUITE_P(ShareModes, IntruderTest,
                         ::testing::Values(FILE_SHARE_READ | FILE_SHARE_WRITE,
                                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE));

TEST(PrepareInstallerTempFile, AVolumeWithoutRoomGivesUpTheFileUnsized)
{
    const std::string volume = driver::SmallVolumeFolder();
    if (volume.empty())
        GTEST_SKIP() << driver::kNoSmallVolume;
    const std::string path = volume + "vutD4.tmp";
    ASSERT_TRUE(driver::WriteFileBytes(path, {}));
    ULARGE_INTEGER available = {};
    ASSERT_TRUE(GetDiskFreeSpaceExA(volume.c_str(), &available, nullptr, nullptr));
    ASSERT_LT(available.QuadPart, 0xFFFFFFFFu);
    const auto room = static_cast<uint32_t>(available.QuadPart);
    EXPECT_TRUE(VolumeHasRoomFor(volume.c_str(), room));
    EXPECT_FALSE(VolumeHasRoomFor(volume.c_str(), room + 1));
    // Sizing alone would pass: Wine keeps the file sparse.
    EXPECT_FALSE(PrepareInstallerTempFile(volume.c_str(), path.c_str(), room + 1));
    EXPECT_EQ(driver::FileSize(path), std::optional<uint64_t>(0));
    EXPECT_TRUE(DeleteFileA(path.c_str()));
    EXPECT_TRUE(VolumeHasRoomFor("Q:\\no-such-volume\\", 4096)) << "what cannot be told is left to the sizing";
}

// Random bits 1, 2, 3, ... in turn.
BOOLEAN WINAPI CountingBytes(PVOID out, ULONG size)
{
    static uint64_t next = 0;
    const uint64_t bits = ++next;
    std::memcpy(out, &bits, std::min<size_t>(size, sizeof bits));
    return TRUE;
}

std::string Folder(const std::string& base, uint64_t bits)
{
    char folder[MAX_PATH] = {};
    EXPECT_TRUE(FormatWizardFolder(base.c_str(), bits, folder));
    return folder;
}

// Users can create names in the Windows folder's Temp before the loader does:
// a name that exists, a folder or a file, is passed over and left alone. A
// later run's sweep removes only empty folders of its own pattern and owner,
// and none that a running loader holds.
TEST(CreateWizardFolder, PassesOverNamesTakenFirstAndIsSweptOnlyWhenEmptyAndLetGo)
{
    driver::ScratchDir base("base");
    const std::string otherFolder = Folder(base.Path(), 1), otherFile = Folder(base.Path(), 2);
    ASSERT_TRUE(CreateDirectoryA(otherFolder.c_str(), nullptr));
    ASSERT_TRUE(driver::WriteFileBytes(otherFolder + "planted.dll", {'d'}));
    ASSERT_TRUE(driver::WriteFileBytes(otherFile.substr(0, otherFile.size() - 1), {'f'}));
    const std::string notOurs = base / "QueltSetup.notours";
    ASSERT_TRUE(CreateDirectoryA(notOurs.c_str(), nullptr));

    char folder[MAX_PATH] = {};
    UniqueFile hold = CreateWizardFolder(base.Path().c_str(), folder, CountingBytes);
    ASSERT_TRUE(hold);
    EXPECT_GT(std::string(folder), otherFile) << "a name taken first was used: " << folder;
    ASSERT_TRUE(driver::DirectoryExists(folder));
    EXPECT_EQ(driver::ReadFileBytes(otherFolder + "planted.dll"), std::vector<unsigned char>{'d'});
    const std::string moved = base / "moved";
    EXPECT_FALSE(MoveFileA(std::string(folder).c_str(), moved.c_str())) << "a held folder was renamed";

    // The owner rule itself, on the owners a folder can have (Wine reads every
    // folder back as the user's, so the folder below is one of a user's own).
    for (const auto& [owner, ours] : {std::pair<const char*, bool>{"BA", true}, {"SY", true}, {"BU", false},
                                      {"S-1-5-21-1-2-3-1001", false}}) {
        PSID sid = nullptr;
        ASSERT_TRUE(ConvertStringSidToSidA(owner, &sid)) << owner;
        EXPECT_EQ(IsAdministratorsOrSystem(sid), ours) << owner;
        LocalFree(sid);
    }
    hold.reset();
    EXPECT_EQ(SweepWizardFolders(base.Path().c_str()), 0) << "a folder of the user's own went";
    hold = UniqueFile(CreateFileA(folder, FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    const OwnerCheck anyOwner = [](const char*) { return true; };
    EXPECT_EQ(SweepWizardFolders(base.Path().c_str(), kWizardFolderSweepBound, anyOwner), 0)
        << "a held or full folder, a file or another name went";
    hold.reset();
    EXPECT_EQ(SweepWizardFolders(base.Path().c_str(), kWizardFolderSweepBound, anyOwner), 1);
    EXPECT_FALSE(driver::DirectoryExists(folder));
    EXPECT_TRUE(driver::FileExists(otherFolder + "planted.dll"));
    EXPECT_TRUE(driver::DirectoryExists(notOurs));
}

// What failed or killed runs left: a vut*.tmp that nothing uses goes, and
// then its folder; one that a handle holds, one that a started program runs
// from, and one in a folder that a running loader holds stay, with their folders.
TEST(SweepWizardFolders, RemovesLeftFilesNothingUsesAndThenTheirFolders)
{
    driver::ScratchDir base("sweep");
    std::vector<std::string> folders;
    for (uint64_t bits = 1; bits <= 4; ++bits) {
        folders.push_back(Folder(base.Path(), bits));
        ASSERT_TRUE(CreateDirectoryA(folders.back().c_str(), nullptr));
        ASSERT_TRUE(CopyFileA(driver::BinPath("VutUndo.exe").c_str(), (folders.back() + "vut1.tmp").c_str(), FALSE));
    }
    const UniqueFile held(CreateFileA((folders[1] + "vut1.tmp").c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0, nullptr));
    const std::string program = folders[2] + "vut1.tmp";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started = {};
    ASSERT_TRUE(CreateProcessA(program.c_str(), nullptr, nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr, nullptr,
                               &startup, &started));
    const UniqueHandle process(started.hProcess), thread(started.hThread);
    const UniqueFile folderHold(CreateFileA(folders[3].c_str(), FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                            nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    ASSERT_TRUE(held && folderHold);

    const OwnerCheck anyOwner = [](const char*) { return true; };
    EXPECT_EQ(SweepWizardFolders(base.Path().c_str(), kWizardFolderSweepBound, anyOwner), 1);
    EXPECT_FALSE(driver::DirectoryExists(folders[0]));
    for (size_t i = 1; i < folders.size(); ++i)
        EXPECT_TRUE(driver::FileExists(folders[i] + "vut1.tmp")) << folders[i];
    TerminateProcess(process.get(), 0);
    WaitForSingleObject(process.get(), 5000);
}

} // namespace
