#include "PayloadData.h"
#include "ProgressRecorder.h"
#include "TestRecords.h"

#include "Driver.h"
#include "payload/Payload.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

class MissingPayloadTest : public ::testing::TestWithParam<WORD> {};

TEST_P(MissingPayloadTest, GivesNoneAndLeavesTheViewAlone)
{
    PayloadView view;
    const unsigned char marker = 0;
    view.Stream = &marker;
    view.StreamLength = 77;
    view.DeclaredSize = 88;

    EXPECT_FALSE(FindPayload(GetParam(), view));
    EXPECT_EQ(view.Stream, &marker);
    EXPECT_EQ(view.StreamLength, 77u);
    EXPECT_EQ(view.DeclaredSize, 88u);
}

INSTANTIATE_TEST_SUITE_P(Records, MissingPayloadTest,
                         ::testing::Values(IDR_TEST_ZERO_SIZE, IDR_TEST_SHORT, IDR_TEST_MISSING));

// The record as the platform hands it out, looked up without FindPayload.
const unsigned char* RawRecord(WORD id, DWORD& length)
{
    HRSRC resource = FindResourceA(nullptr, MAKEINTRESOURCEA(id), RT_RCDATA);
    length = resource ? SizeofResource(nullptr, resource) : 0;
    HGLOBAL loaded = resource ? LoadResource(nullptr, resource) : nullptr;
    return loaded ? static_cast<const unsigned char*>(LockResource(loaded)) : nullptr;
}

TEST(FindPayloadTest, GoodRecordGivesAViewIntoTheModule)
{
    DWORD length = 0;
    const unsigned char* record = RawRecord(IDR_TEST_GOOD, length);
    ASSERT_NE(record, nullptr);
    PayloadView view;

    ASSERT_TRUE(FindPayload(IDR_TEST_GOOD, view));
    EXPECT_EQ(view.Stream, record + 4);
    EXPECT_EQ(view.StreamLength, length - 4);
    EXPECT_EQ(view.DeclaredSize, std::strlen(TEST_GOOD_TEXT));
    EXPECT_EQ(view.Stream[0], 0x78);
    EXPECT_EQ(view.Stream[1], 0xDA);
}

TEST(FindPayloadTest, GoodRecordInflatesToItsText)
{
    driver::ScratchDir scratch("find");
    const std::string path = scratch / "good.txt";
    PayloadView view;
    ASSERT_TRUE(FindPayload(IDR_TEST_GOOD, view));
    ProgressState progress;

    {
        UniqueFile file = CreateOutput(path);
        ASSERT_TRUE(file.valid());
        EXPECT_EQ(ExtractPayload(view, file.get(), 0, 30, progress), ExtractResult::Done);
    }
    const Bytes expected(TEST_GOOD_TEXT, TEST_GOOD_TEXT + std::strlen(TEST_GOOD_TEXT));
    EXPECT_EQ(driver::ReadFileBytes(path).value_or(Bytes{}), expected);
    EXPECT_EQ(progress.CurrentPercent, 30u);
}

TEST(FindPayloadTest, SizeWithoutStreamIsFoundButDoesNotInflate)
{
    driver::ScratchDir scratch("find");
    PayloadView view;
    ASSERT_TRUE(FindPayload(IDR_TEST_SIZE_ONLY, view));
    EXPECT_EQ(view.StreamLength, 0u);
    EXPECT_EQ(view.DeclaredSize, 5u);
    ProgressState progress;

    UniqueFile file = CreateOutput(scratch / "empty.bin");
    ASSERT_TRUE(file.valid());
    EXPECT_EQ(ExtractPayload(view, file.get(), 0, 30, progress), ExtractResult::UnpackFailed);
}

struct BuiltRecord {
    WORD id;
    const char* program; // the program the build compressed into it
    uint32_t base;
    uint32_t span;
};

class BuiltRecordTest : public ::testing::TestWithParam<BuiltRecord> {};

TEST_P(BuiltRecordTest, InflatesToTheProgramItWasMadeFrom)
{
    const BuiltRecord& r = GetParam();
    const auto program = driver::ReadFileBytes(driver::BinPath(r.program));
    ASSERT_TRUE(program.has_value());
    PayloadView view;
    ASSERT_TRUE(FindPayload(r.id, view));
    EXPECT_EQ(view.DeclaredSize, program->size());

    driver::ScratchDir scratch("built");
    const std::string path = scratch / "out.exe";
    ProgressRecorder recorder;
    ProgressState progress;
    progress.Window = recorder.Window();
    {
        UniqueFile file = CreateOutput(path);
        ASSERT_TRUE(file.valid());
        EXPECT_EQ(ExtractPayload(view, file.get(), r.base, r.span, progress), ExtractResult::Done);
    }
    EXPECT_TRUE(driver::ReadFileBytes(path).value_or(Bytes{}) == *program);
    ASSERT_FALSE(recorder.Percents().empty());
    EXPECT_EQ(recorder.Percents().back(), r.base + r.span);
}

INSTANTIATE_TEST_SUITE_P(Programs, BuiltRecordTest,
                         ::testing::Values(BuiltRecord{IDR_TEST_UNINSTALLER, "VutUndo.exe", 0, 30},
                                           BuiltRecord{IDR_TEST_INSTALLER, "VutSetup.exe", 30, 70}));

} // namespace
