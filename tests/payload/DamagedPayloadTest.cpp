// Thousands of damaged variants of both real payload records, each read by
// the record rule and inflated by ExtractPayload into a real file: every one
// must end, with the result zlib's own reading of the stream calls for, the
// file holding exactly the bytes inflated before the end, and progress that
// only ever rises.
#include "PayloadData.h"
#include "ProgressRecorder.h"
#include "TestRecords.h"

#include "CaseLog.h"
#include "Driver.h"
#include "RecordDamage.h"
#include "payload/Payload.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

struct RecordUnderTest {
    const char* label;
    WORD id;
    uint32_t base;
    uint32_t span;
};

void PrintTo(const RecordUnderTest& r, std::ostream* out) { *out << r.label; }

// The record's bytes as built: its declared size, then the stream.
driver::RecordBytes WholeRecord(WORD id)
{
    PayloadView view;
    if (!FindPayload(id, view))
        return {};
    const unsigned char* begin = view.Stream - 4;
    return driver::RecordBytes(begin, begin + 4 + view.StreamLength);
}

const char* Name(ExtractResult result)
{
    switch (result) {
    case ExtractResult::Done:
        return "Done";
    case ExtractResult::UnpackFailed:
        return "UnpackFailed";
    case ExtractResult::WriteFailed:
        return "WriteFailed";
    }
    return "?";
}

class DamagedPayload : public ::testing::TestWithParam<RecordUnderTest> {
protected:
    driver::ScratchDir scratch_{"damaged"};
    ProgressRecorder recorder_;
};

TEST_P(DamagedPayload, EveryVariantEndsAsZlibReadsIt)
{
    const RecordUnderTest& r = GetParam();
    const driver::RecordBytes record = WholeRecord(r.id);
    ASSERT_GT(record.size(), 1000u) << "the build's record is missing from the test program";
    const driver::Inflated real = driver::InflateWhole(record.data() + 4, record.size() - 4);
    ASSERT_TRUE(real.complete);
    ASSERT_EQ(real.output.size(), driver::DeclaredSizeOf(record));

    const std::vector<driver::DamagedRecord> cases = driver::DamageRecord(record, driver::FullCampaign() ? driver::FullDamagePlan() : driver::DamagePlan{});
    ASSERT_GE(cases.size(), 1000u);
    const std::string path = scratch_ / "out.bin";
    size_t done = 0;
    size_t failed = 0;
    size_t refused = 0;

    for (const driver::DamagedRecord& c : cases) {
        SCOPED_TRACE(c.name);
        const double start = driver::NowMs();
        PayloadView view;
        const bool accepted = ReadPayloadRecord(c.record.data(), static_cast<uint32_t>(c.record.size()), view);
        std::string outcome = "no record";
        std::string left;
        if (!accepted) {
            ++refused;
            EXPECT_TRUE(c.record.size() < 4 || driver::DeclaredSizeOf(c.record) == 0)
                << "a record with a size field and a declared size was refused";
        } else {
            const driver::Inflated expected = driver::InflateWhole(view.Stream, view.StreamLength);
            ProgressState progress;
            progress.Window = recorder_.Window();
            const size_t percentsBefore = recorder_.Percents().size();
            ExtractResult result;
            {
                UniqueFile file = CreateOutput(path);
                ASSERT_TRUE(file.valid());
                result = ExtractPayload(view, file.get(), r.base, r.span, progress);
            }
            outcome = Name(result);
            (result == ExtractResult::Done ? done : failed) += 1;
            EXPECT_EQ(result, expected.complete ? ExtractResult::Done : ExtractResult::UnpackFailed);

            const driver::RecordBytes written = driver::ReadFileBytes(path).value_or(driver::RecordBytes{});
            if (written != expected.output) {
                ADD_FAILURE() << written.size() << " bytes in the file, " << expected.output.size()
                              << " inflated by zlib before the end";
                left = "a file that differs from the inflated bytes";
            }
            // zlib's Adler-32 lets through a rare damage that changes bytes in
            // step (seen: three bytes of the stand-in uninstaller); the loader
            // writes what zlib gives, which is what is asserted above.
            if (expected.complete && expected.output != real.output)
                outcome += ", other bytes that zlib's check passed";

            const std::vector<uint32_t> sent(recorder_.Percents().begin() + static_cast<std::ptrdiff_t>(percentsBefore),
                                             recorder_.Percents().end());
            EXPECT_TRUE(std::adjacent_find(sent.begin(), sent.end(), std::greater_equal<uint32_t>()) == sent.end())
                << "progress fell back or repeated";
            if (!sent.empty()) {
                EXPECT_GT(sent.front(), 0u);
                EXPECT_EQ(progress.LastSentPercent, sent.back());
            }
            if (written.size() <= view.DeclaredSize) {
                EXPECT_LE(progress.CurrentPercent, r.base + r.span);
            }
            if (written.size() == view.DeclaredSize && !written.empty()) {
                EXPECT_EQ(progress.CurrentPercent, r.base + r.span);
            }
        }
        driver::LogCaseEnd({"damaged payload, in process: " + c.kind, std::string(r.label) + " record, " + c.name,
                            outcome, driver::NowMs() - start, left});
    }
    // The damage covers all three ends, not only the easy one.
    EXPECT_GT(done, 0u);
    EXPECT_GT(failed, cases.size() / 2);
    EXPECT_GT(refused, 0u);
}

INSTANTIATE_TEST_SUITE_P(Records, DamagedPayload,
                         ::testing::Values(RecordUnderTest{"installer", IDR_TEST_INSTALLER, 30, 70},
                                           RecordUnderTest{"uninstaller", IDR_TEST_UNINSTALLER, 0, 30}),
                         [](const auto& info) { return std::string(info.param.label); });

// The record rule on its own: the size field must be whole and non-zero, and
// the view covers exactly the bytes behind it.
TEST(ReadPayloadRecordTest, NeedsAWholeNonZeroSizeField)
{
    const unsigned char bytes[] = {0x24, 0x00, 0x00, 0x80, 0x78, 0xDA, 0x01};
    PayloadView view;
    for (uint32_t length = 0; length < 4; ++length) {
        EXPECT_FALSE(ReadPayloadRecord(bytes, length, view)) << length;
    }
    EXPECT_FALSE(ReadPayloadRecord(nullptr, 7, view));
    EXPECT_EQ(view.Stream, nullptr) << "a refused record left a view behind";

    ASSERT_TRUE(ReadPayloadRecord(bytes, 4, view));
    EXPECT_EQ(view.Stream, bytes + 4);
    EXPECT_EQ(view.StreamLength, 0u);
    EXPECT_EQ(view.DeclaredSize, 0x80000024u);

    const unsigned char zero[] = {0, 0, 0, 0, 0x78, 0xDA};
    EXPECT_FALSE(ReadPayloadRecord(zero, sizeof zero, view));
}

} // namespace
