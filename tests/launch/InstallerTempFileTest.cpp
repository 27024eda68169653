// The installer's temporary file: sizing through the file pointer, and the
// hold that keeps it unchanged between its last write and its start. Also the
// DLL search that the entry point narrows before anything loads a DLL.
#include "Driver.h"
#include "launch/DllSearch.h"
#include "launch/InstallerTempFile.h"
#include "launch/TempFileAccess.h"

#include <gtest/gtest.h>

#include <sddl.h>

#include <cstdint>

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

TEST(HoldAgainstChanges, KeepsTheFileFromBeingChangedYetStartable)
{
    driver::ScratchDir dir("hold");
    const std::string path = dir / "vutA1.tmp";
    const std::string renamed = dir / "other.tmp";
    ASSERT_TRUE(CopyFileA(driver::BinPath("VutUndo.exe").c_str(), path.c_str(), FALSE));
    const auto before = driver::ReadFileBytes(path);
    ASSERT_TRUE(before);

    {
        UniqueFile hold = HoldAgainstChanges(path.c_str());
        ASSERT_TRUE(hold);
        // Sharing is decided per open handle, so these opens stand for any
        // other process's.
        UniqueFile writer(CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, 0, nullptr));
        EXPECT_FALSE(writer) << "the file could be opened for writing";
        EXPECT_FALSE(MoveFileA(path.c_str(), renamed.c_str())) << "the file could be renamed";
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

TEST(RestrictToAdministrators, TheDaclGrantsAdministratorsAndSystemAloneAndOwningTheFileGrantsNothing)
{
    AdministratorsOnlyAcl acl;
    ASSERT_TRUE(BuildAdministratorsOnlyAcl(acl));
    ASSERT_TRUE(IsValidAcl(acl.get()));
    // As the file gets it: protected, so nothing of the folder's is inherited.
    SECURITY_DESCRIPTOR descriptor;
    ASSERT_TRUE(InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION));
    ASSERT_TRUE(SetSecurityDescriptorDacl(&descriptor, TRUE, acl.get(), FALSE));
    ASSERT_TRUE(SetSecurityDescriptorControl(&descriptor, SE_DACL_PROTECTED, SE_DACL_PROTECTED));
    char* text = nullptr;
    ASSERT_TRUE(ConvertSecurityDescriptorToStringSecurityDescriptorA(&descriptor, SDDL_REVISION_1,
                                                                     DACL_SECURITY_INFORMATION, &text, nullptr));
    const std::string sddl = text;
    LocalFree(text);
    // SYSTEM and Administrators: full control; OWNER RIGHTS (S-1-3-4): read
    // the permissions, nothing more; no entry for the user or Everyone.
    EXPECT_EQ(sddl, "D:P(A;;FA;;;SY)(A;;FA;;;BA)(A;;RC;;;OW)");
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

TEST(PrepareInstallerTempFile, AFileAnotherHandleCanWriteIsNeitherOpenedNorSized)
{
    driver::ScratchDir dir("prepare");
    const std::string path = dir / "vutC3.tmp";
    ASSERT_TRUE(driver::WriteFileBytes(path, {}));
    // Taken in the moment between the name's creation and the restriction;
    // sharing is decided per handle, so this stands for another program's.
    UniqueFile intruder(CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(intruder);
    EXPECT_FALSE(PrepareInstallerTempFile(dir.Path().c_str(), path.c_str(), 4096));
    EXPECT_EQ(driver::FileSize(path), std::optional<uint64_t>(0)) << "the held file was sized";
    intruder.reset();
    EXPECT_TRUE(PrepareInstallerTempFile(dir.Path().c_str(), path.c_str(), 4096)) << "once released the same file is taken";
}

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

TEST(RestrictDllSearch, APlantedDllBesideTheProgramIsNoLongerFound)
{
    // Any loadable image under a name no system DLL has.
    const std::string planted = driver::BinPath("quelt_planted_probe.dll");
    ASSERT_TRUE(CopyFileA(driver::BinPath("VutUndo.exe").c_str(), planted.c_str(), FALSE));
    struct Remove {
        std::string path;
        ~Remove() { DeleteFileA(path.c_str()); }
    } remove{planted};

    HMODULE found = LoadLibraryExA("quelt_planted_probe.dll", nullptr, DONT_RESOLVE_DLL_REFERENCES);
    ASSERT_NE(found, nullptr) << "without the restriction the program's folder is searched";
    FreeLibrary(found);

    RestrictDllSearch();
    EXPECT_EQ(LoadLibraryExA("quelt_planted_probe.dll", nullptr, DONT_RESOLVE_DLL_REFERENCES), nullptr);
    // System DLLs still load.
    EXPECT_NE(LoadLibraryA("version.dll"), nullptr);
}

} // namespace
