#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Driver.h"
#include "common/UniqueHandle.h"
#include "uninst/UninstallerHome.h"

namespace {

using driver::DirectoryExists;
using driver::FileExists;

struct FolderCase {
    const char* description;
    std::vector<std::string> folders;  // made before the call, under the scratch folder
    std::vector<std::string> files;    // likewise
    std::string argument;              // appended to the scratch folder
    int expected;
    std::vector<std::string> created;  // folders that must exist afterwards
    std::vector<std::string> absent;   // names that must not exist afterwards
};

TEST(CreateDirectoryPath, AgainstRealFolders)
{
    const FolderCase cases[] = {
        {"existing folder", {"home"}, {}, "home", 0, {"home"}, {}},
        {"existing folder, trailing backslash", {"home"}, {}, "home\\", 0, {"home"}, {}},
        {"one missing level", {}, {}, "new", 1, {"new"}, {}},
        {"one missing level, trailing backslash", {}, {}, "new\\", 1, {"new"}, {}},
        {"two missing levels", {}, {}, "a\\b", 2, {"a", "a\\b"}, {}},
        {"three missing levels", {"home"}, {}, "home\\a\\b\\c", 3, {"home\\a\\b\\c"}, {}},
        {"a file in the way", {}, {"file"}, "file", -1, {}, {}},
        {"a file in the way of the parent", {}, {"file"}, "file\\sub", -1, {}, {}},
        {"two trailing backslashes, folder there", {"home"}, {}, "home\\\\", 0, {"home"}, {}},
        {"two trailing backslashes, one missing level", {}, {}, "new\\\\", 1, {"new"}, {}},
        // The inner call already makes the deeper folder from "a\b\", so the
        // last creation finds it there and fails.
        {"two trailing backslashes, two missing levels", {}, {}, "a\\b\\\\", -1, {"a", "a\\b"}, {}},
        {"forward slashes, two missing levels", {}, {}, "a/b", 2, {"a", "a\\b"}, {}},
        {"forward slashes, trailing slash", {}, {}, "a/b/", 2, {"a", "a\\b"}, {}},
        {"forward slashes, file in the way", {}, {"file"}, "file/a/b/", -1, {}, {"file\\a"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.description);
        driver::ScratchDir scratch("cdp");
        for (const auto& folder : c.folders)
            ASSERT_TRUE(CreateDirectoryA((scratch / folder).c_str(), nullptr));
        for (const auto& file : c.files)
            ASSERT_TRUE(driver::WriteFileBytes(scratch / file, {'x'}));

        EXPECT_EQ(CreateDirectoryPath((scratch / c.argument).c_str()), c.expected);

        for (const auto& folder : c.created)
            EXPECT_TRUE(DirectoryExists(scratch / folder)) << folder;
        for (const auto& name : c.absent)
            EXPECT_EQ(GetFileAttributesA((scratch / name).c_str()), INVALID_FILE_ATTRIBUTES) << name;
        for (const auto& file : c.files)
            EXPECT_TRUE(FileExists(scratch / file)) << file << " must stay a file";
    }
}

struct FindTraits {
    using Handle = HANDLE;
    static Handle empty() noexcept { return INVALID_HANDLE_VALUE; }
    static void close(Handle h) noexcept { FindClose(h); }
};

// True when `folder` holds no entry at all.
bool IsEmptyFolder(const std::string& folder)
{
    WIN32_FIND_DATAA entry = {};
    const UniqueResource<FindTraits> search(FindFirstFileA((folder + "*").c_str(), &entry));
    if (!search)
        return false;
    bool empty = true;
    do {
        const std::string name = entry.cFileName;
        if (name != "." && name != "..")
            empty = false;
    } while (FindNextFileA(search.get(), &entry));
    return empty;
}

TEST(CreateDirectoryPath, TextsThatDoNotFitFailAndMakeNothing)
{
    driver::ScratchDir scratch("cdp");
    const size_t prefix = scratch.Path().size() + 2; // the scratch folder, "m" and a backslash
    ASSERT_LT(prefix + 2, 255u);
    const std::string cases[] = {
        scratch / std::string(300, 'n'),
        scratch / std::string(MAX_PATH - scratch.Path().size(), 'n'), // 260 characters
        // 259 characters whose directory part, 256 long, exceeds the split's buffer.
        scratch / ("m\\" + std::string(259 - prefix - 2, 'd') + "\\n"),
    };
    EXPECT_EQ(cases[1].size(), size_t(MAX_PATH));
    EXPECT_EQ(cases[2].size(), size_t(MAX_PATH - 1));
    for (const auto& path : cases)
        EXPECT_EQ(CreateDirectoryPath(path.c_str()), -1) << path.size() << " characters";
    EXPECT_TRUE(IsEmptyFolder(scratch.Path()));
}

TEST(CreateDirectoryPath, EmptyArgumentFails)
{
    EXPECT_EQ(CreateDirectoryPath(""), -1);
}

// A drive letter that the prefix does not map.
std::string MissingDrive()
{
    const DWORD drives = GetLogicalDrives();
    for (char letter = 'Y'; letter >= 'D'; --letter) {
        if (!(drives & (1u << (letter - 'A'))))
            return std::string(1, letter) + ":";
    }
    return {};
}

TEST(CreateDirectoryPath, EndsWithFailureWhereThereIsNothingToClimbTo)
{
    const std::string drive = MissingDrive();
    ASSERT_FALSE(drive.empty()) << "every drive letter is mapped";
    const std::string cases[] = {
        drive + "\\Quelt",
        drive + "\\Program Files\\Quelt\\",
        drive + "\\a\\b\\c\\\\",
        drive + "/a/b/c",
        drive + "/a/b/c/",
        drive + "\\",
        drive,
        "\\\\nosuchserver.invalid\\share\\Quelt\\sub",
        "\\\\nosuchserver.invalid\\share\\",
        "//nosuchserver.invalid/share/Quelt/sub/",
    };
    for (const auto& path : cases)
        EXPECT_EQ(CreateDirectoryPath(path.c_str()), -1) << path;
}

// Runs `body` with the scratch folder as the current directory.
template <typename Body>
void InFolder(const std::string& folder, Body body)
{
    char previous[MAX_PATH] = "";
    ASSERT_NE(GetCurrentDirectoryA(MAX_PATH, previous), 0u);
    ASSERT_TRUE(SetCurrentDirectoryA(folder.c_str()));
    body();
    // The scratch folder is removed next; the driver's own folder is always there.
    EXPECT_TRUE(SetCurrentDirectoryA(previous));
}

TEST(CreateDirectoryPath, SingleRelativeName)
{
    driver::ScratchDir scratch("cdp");
    InFolder(scratch.Path(), [&] {
        EXPECT_EQ(CreateDirectoryPath("made"), 1);
        EXPECT_EQ(CreateDirectoryPath("made"), 0);
        // No folder can have this name, and a single name has no parent.
        EXPECT_EQ(CreateDirectoryPath("bad|name"), -1);
        EXPECT_EQ(CreateDirectoryPath("bad|name\\"), -1);
    });
    EXPECT_TRUE(DirectoryExists(scratch / "made"));
}

} // namespace
