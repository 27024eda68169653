// The log file that "/log=" names: what may be appended to, how it is opened,
// and the lines that reach it.
#include <gtest/gtest.h>

#include "Driver.h"
#include "common/UniqueHandle.h"
#include "diag/LoaderVersion.h"
#include "diag/LogFile.h"
#include "diag/RunLog.h"
#include "guard/LogFileRules.h"

#include <string>

namespace {

std::string Text(const std::string& path)
{
    const auto bytes = driver::ReadFileBytes(path);
    return bytes ? std::string(bytes->begin(), bytes->end()) : "<none>";
}

TEST(LogFileMayBeAppended, OnlyAPlainDiskFileWithOneName)
{
    EXPECT_TRUE(LogFileMayBeAppended(FILE_TYPE_DISK, FILE_ATTRIBUTE_ARCHIVE, 1));
    EXPECT_TRUE(LogFileMayBeAppended(FILE_TYPE_DISK, FILE_ATTRIBUTE_NORMAL | FILE_ATTRIBUTE_HIDDEN, 1));
    EXPECT_FALSE(LogFileMayBeAppended(FILE_TYPE_DISK, FILE_ATTRIBUTE_REPARSE_POINT, 1)) << "a link, not followed";
    EXPECT_FALSE(LogFileMayBeAppended(FILE_TYPE_DISK, FILE_ATTRIBUTE_DIRECTORY, 1));
    EXPECT_FALSE(LogFileMayBeAppended(FILE_TYPE_DISK, FILE_ATTRIBUTE_ARCHIVE, 2)) << "a hard link to another file";
    EXPECT_FALSE(LogFileMayBeAppended(FILE_TYPE_PIPE, FILE_ATTRIBUTE_NORMAL, 1));
    EXPECT_FALSE(LogFileMayBeAppended(FILE_TYPE_CHAR, FILE_ATTRIBUTE_NORMAL, 1));
    EXPECT_FALSE(LogFileMayBeAppended(FILE_TYPE_UNKNOWN, FILE_ATTRIBUTE_NORMAL, 1));
}

TEST(OpenLogFile, AppendsToAFileAndRefusesWhatIsNone)
{
    driver::ScratchDir scratch{"log"};
    const std::string kept = scratch / "kept.log";
    ASSERT_TRUE(driver::WriteFileBytes(kept, {'o', 'l', 'd', '\r', '\n'}));
    {
        RunLog log(false, OpenLogFile(kept.c_str()));
        ASSERT_TRUE(log.On());
        log.Lines() << "D:\\Kit /s" << "\n";
        log.Lines() << "GetParams:" << true << "\n";
        EXPECT_EQ(Text(kept), "old\r\nD:\\Kit /s\r\nGetParams:1\r\n") << "each whole line written at once";
        log.End(4, 0, true);
    }
    EXPECT_EQ(Text(kept), "old\r\nD:\\Kit /s\r\nGetParams:1\r\nExit code: 4 (VutSetup.exe)\r\n");

    const std::string fresh = scratch / "fresh.log";
    EXPECT_TRUE(OpenLogFile(fresh.c_str()));
    EXPECT_EQ(Text(fresh), "") << "made empty";
    EXPECT_FALSE(OpenLogFile(""));
    EXPECT_FALSE(OpenLogFile(scratch.Path().c_str())) << "a folder";
    EXPECT_FALSE(OpenLogFile((scratch / "no such folder\\q.log").c_str()));

    // Another name for a file its maker could not write would lead the loader's lines there.
    const std::string linked = scratch / "linked.log";
    ASSERT_TRUE(CreateHardLinkA(linked.c_str(), kept.c_str(), nullptr));
    const std::string before = Text(kept);
    {
        RunLog log(false, OpenLogFile(linked.c_str()));
        EXPECT_FALSE(log.On());
        log.Begin();
    }
    EXPECT_EQ(Text(kept), before);
}

TEST(LoaderVersion, ReadFromTheVersionBlock)
{
    const auto block = driver::ReadResource(driver::BinDir() + "Setup.exe", MAKEINTRESOURCEA(16), 1);
    ASSERT_TRUE(block);
    EXPECT_EQ(FixedFileVersion(block->data(), block->size()), "1.0.0.0");
    EXPECT_EQ(FixedFileVersion(block->data(), 40), "") << "cut before its fixed part";
}

} // namespace
