#include "PayloadData.h"
#include "ProgressRecorder.h"

#include "Driver.h"
#include "payload/Payload.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>

namespace {

class ExtractPayloadTest : public ::testing::Test {
protected:
    driver::ScratchDir scratch_{"extract"};
    ProgressRecorder recorder_;

    // Inflates `stream` into a fresh file and closes it; the file's bytes land in `written`.
    ExtractResult Extract(const Bytes& stream, uint32_t declared, uint32_t base, uint32_t span,
                          ProgressState& progress, Bytes& written)
    {
        const std::string path = scratch_ / "out.bin";
        ExtractResult result;
        {
            UniqueFile file = CreateOutput(path);
            EXPECT_TRUE(file.valid());
            result = ExtractPayload(ViewOf(stream, declared), file.get(), base, span, progress);
        }
        written = driver::ReadFileBytes(path).value_or(Bytes{});
        return result;
    }

    ProgressState WithWindow(uint32_t lastSent = 0) const
    {
        ProgressState progress;
        progress.Window = recorder_.Window();
        progress.CurrentPercent = lastSent;
        progress.LastSentPercent = lastSent;
        return progress;
    }
};

void ExpectNoRepeats(const std::vector<uint32_t>& percents)
{
    EXPECT_EQ(std::adjacent_find(percents.begin(), percents.end()), percents.end())
        << "two equal percents in a row";
}

TEST_F(ExtractPayloadTest, MultiMegabyteRoundTripIsByteForByte)
{
    const Bytes data = SampleData(6 * 1024 * 1024 + 123);
    const Bytes stream = Compress(data);
    ASSERT_FALSE(stream.empty());
    ProgressState progress = WithWindow();
    Bytes written;

    EXPECT_EQ(Extract(stream, static_cast<uint32_t>(data.size()), 30, 70, progress, written),
              ExtractResult::Done);
    ASSERT_EQ(written.size(), data.size());
    EXPECT_TRUE(written == data);
}

struct PercentCase {
    uint32_t base;
    uint32_t span;
    uint32_t lastSentBefore;
    uint32_t firstSent;
    uint32_t lastSent;
};

void PrintTo(const PercentCase& c, std::ostream* out)
{
    *out << c.base << "+" << c.span << " after " << c.lastSentBefore;
}

class ExtractPercentTest : public ExtractPayloadTest, public ::testing::WithParamInterface<PercentCase> {};

TEST_P(ExtractPercentTest, WindowGetsEachNewPercentOnceUpToBasePlusSpan)
{
    const PercentCase& c = GetParam();
    const Bytes data = SampleData(3 * 1024 * 1024);
    const Bytes stream = Compress(data);
    ProgressState progress = WithWindow(c.lastSentBefore);
    Bytes written;

    ASSERT_EQ(Extract(stream, static_cast<uint32_t>(data.size()), c.base, c.span, progress, written),
              ExtractResult::Done);
    const std::vector<uint32_t>& sent = recorder_.Percents();
    ASSERT_FALSE(sent.empty());
    EXPECT_EQ(sent.front(), c.firstSent);
    EXPECT_EQ(sent.back(), c.lastSent);
    EXPECT_TRUE(std::is_sorted(sent.begin(), sent.end()));
    ExpectNoRepeats(sent);
    EXPECT_EQ(progress.CurrentPercent, c.lastSent);
    EXPECT_EQ(progress.LastSentPercent, c.lastSent);
}

INSTANTIATE_TEST_SUITE_P(Ranges, ExtractPercentTest,
                         ::testing::Values(
                             // The uninstaller on a first attempt: nothing until 1 %.
                             PercentCase{0, 30, 0, 1, 30},
                             // The installer after a fresh start: its base is new.
                             PercentCase{30, 70, 0, 30, 100},
                             // The installer after the uninstaller reached 30 %: 30 is not sent again.
                             PercentCase{30, 70, 30, 31, 100}));

TEST_F(ExtractPayloadTest, WithoutWindowNothingIsSentButThePercentIsWorkedOut)
{
    const Bytes data = SampleData(1024 * 1024);
    ProgressState progress; // no window, as when silent
    Bytes written;

    EXPECT_EQ(Extract(Compress(data), static_cast<uint32_t>(data.size()), 0, 30, progress, written),
              ExtractResult::Done);
    EXPECT_TRUE(written == data);
    EXPECT_TRUE(recorder_.Percents().empty());
    EXPECT_EQ(progress.CurrentPercent, 30u);
    EXPECT_EQ(progress.LastSentPercent, 0u);
}

struct DeclaredCase {
    const char* name;
    uint32_t declaredPerMillion; // declared size as a share of the real size
    uint32_t lastPercent;        // for base 0, span 30
};

class DeclaredSizeTest : public ExtractPayloadTest, public ::testing::WithParamInterface<DeclaredCase> {};

TEST_P(DeclaredSizeTest, DeclaredSizeOnlyScalesTheProgress)
{
    const DeclaredCase& c = GetParam();
    const Bytes data = SampleData(2 * 1000 * 1000);
    const auto declared = static_cast<uint32_t>(uint64_t{data.size()} * c.declaredPerMillion / 1000000);
    ProgressState progress = WithWindow();
    Bytes written;

    EXPECT_EQ(Extract(Compress(data), declared, 0, 30, progress, written), ExtractResult::Done);
    EXPECT_TRUE(written == data);
    ASSERT_FALSE(recorder_.Percents().empty());
    EXPECT_EQ(recorder_.Percents().back(), c.lastPercent);
    ExpectNoRepeats(recorder_.Percents());
}

INSTANTIATE_TEST_SUITE_P(Sizes, DeclaredSizeTest,
                         ::testing::Values(DeclaredCase{"Exact", 1000000, 30},
                                           DeclaredCase{"MoreBytesThanDeclared", 500000, 60},
                                           DeclaredCase{"FewerBytesThanDeclared", 2000000, 15}),
                         [](const ::testing::TestParamInfo<DeclaredCase>& info) { return info.param.name; });

TEST_F(ExtractPayloadTest, WrongAdlerIsWrittenInFullThenFails)
{
    const Bytes data = SampleData(500 * 1000);
    Bytes stream = Compress(data);
    stream.back() ^= 0x01;
    ProgressState progress = WithWindow();
    Bytes written;

    EXPECT_EQ(Extract(stream, static_cast<uint32_t>(data.size()), 0, 30, progress, written),
              ExtractResult::UnpackFailed);
    EXPECT_TRUE(written == data);
}

struct CutCase {
    const char* name;
    size_t keepPerThousand; // share of the stream kept...
    int adjustBytes;        // ...plus this many bytes
};

class TruncatedStreamTest : public ExtractPayloadTest, public ::testing::WithParamInterface<CutCase> {};

TEST_P(TruncatedStreamTest, EndsWithUnpackFailedKeepingWhatWasInflated)
{
    const Bytes data = SampleData(800 * 1000);
    Bytes stream = Compress(data);
    stream.resize(stream.size() * GetParam().keepPerThousand / 1000 + GetParam().adjustBytes);
    ProgressState progress = WithWindow();
    Bytes written;

    // A loop that never ends here is caught by the suite's time limit.
    EXPECT_EQ(Extract(stream, static_cast<uint32_t>(data.size()), 0, 30, progress, written),
              ExtractResult::UnpackFailed);
    EXPECT_LE(written.size(), data.size());
    EXPECT_TRUE(std::equal(written.begin(), written.end(), data.begin())) << "not a prefix of the data";
}

INSTANTIATE_TEST_SUITE_P(Cuts, TruncatedStreamTest,
                         ::testing::Values(CutCase{"Nothing", 0, 0}, CutCase{"HeaderOnly", 0, 2},
                                           CutCase{"Half", 500, 0}, CutCase{"NoTrailer", 1000, -4}),
                         [](const ::testing::TestParamInfo<CutCase>& info) { return info.param.name; });

TEST_F(ExtractPayloadTest, DamagedHeaderFailsWithoutWriting)
{
    Bytes stream = Compress(SampleData(10000));
    stream[0] = 0x00;
    ProgressState progress = WithWindow();
    Bytes written;

    EXPECT_EQ(Extract(stream, 10000, 0, 30, progress, written), ExtractResult::UnpackFailed);
    EXPECT_TRUE(written.empty());
    EXPECT_TRUE(recorder_.Percents().empty());
}

TEST_F(ExtractPayloadTest, FileWithoutWriteAccessGivesWriteFailed)
{
    const Bytes data = SampleData(100 * 1000);
    const Bytes stream = Compress(data);
    const std::string path = scratch_ / "readonly.bin";
    ProgressState progress = WithWindow();

    {
        UniqueFile file = CreateOutput(path, GENERIC_READ);
        ASSERT_TRUE(file.valid());
        EXPECT_EQ(ExtractPayload(ViewOf(stream, static_cast<uint32_t>(data.size())), file.get(), 0, 30, progress),
                  ExtractResult::WriteFailed);
    }
    EXPECT_EQ(driver::ReadFileBytes(path).value_or(Bytes{1}).size(), 0u);
    EXPECT_TRUE(recorder_.Percents().empty());
}

} // namespace
