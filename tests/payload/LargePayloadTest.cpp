// A payload far larger than the real ones: the percent must keep rising to
// base + span however many bytes pass through.
#include "PayloadData.h"
#include "ProgressRecorder.h"

#include "Driver.h"
#include "payload/Payload.h"

#include <gtest/gtest.h>

#include <zlib.h>

#include <numeric>

namespace {

constexpr uint32_t LargeSize = 200u * 1024 * 1024;
constexpr size_t Chunk = 1024 * 1024;

// Byte `offset` of the large payload: a short noisy block repeated (so it
// compresses well), changed every megabyte (so misplaced blocks show).
class LargePattern {
public:
    LargePattern() : block_(SampleData(4099, 7)) {}
    void Fill(uint64_t offset, Bytes& out) const
    {
        for (size_t i = 0; i < out.size(); ++i) {
            const uint64_t at = offset + i;
            out[i] = static_cast<unsigned char>(block_[at % block_.size()] ^ (at >> 20));
        }
    }

private:
    Bytes block_;
};

Bytes CompressLarge(const LargePattern& pattern)
{
    z_stream stream = {};
    if (deflateInit(&stream, Z_DEFAULT_COMPRESSION) != Z_OK)
        return {};
    Bytes compressed;
    Bytes input(Chunk);
    Bytes output(Chunk);
    for (uint64_t offset = 0; offset < LargeSize; offset += Chunk) {
        pattern.Fill(offset, input);
        stream.next_in = input.data();
        stream.avail_in = static_cast<uInt>(input.size());
        const int flush = offset + Chunk >= LargeSize ? Z_FINISH : Z_NO_FLUSH;
        do {
            stream.next_out = output.data();
            stream.avail_out = static_cast<uInt>(output.size());
            deflate(&stream, flush);
            compressed.insert(compressed.end(), output.data(), stream.next_out);
        } while (stream.avail_out == 0);
    }
    deflateEnd(&stream);
    return compressed;
}

bool FileMatches(const std::string& path, const LargePattern& pattern)
{
    UniqueFile file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file)
        return false;
    Bytes expected(Chunk);
    Bytes actual(Chunk);
    for (uint64_t offset = 0; offset < LargeSize; offset += Chunk) {
        DWORD read = 0;
        if (!ReadFile(file.get(), actual.data(), static_cast<DWORD>(Chunk), &read, nullptr) || read != Chunk)
            return false;
        pattern.Fill(offset, expected);
        if (actual != expected)
            return false;
    }
    DWORD extra = 0;
    unsigned char probe = 0;
    return ReadFile(file.get(), &probe, 1, &extra, nullptr) && extra == 0;
}

TEST(LargePayloadTest, TwoHundredMegabytesRiseOnePercentAtATimeToTheEnd)
{
    const LargePattern pattern;
    const Bytes stream = CompressLarge(pattern);
    ASSERT_FALSE(stream.empty());
    driver::ScratchDir scratch("large");
    const std::string path = scratch / "large.bin";
    ProgressRecorder recorder;
    ProgressState progress;
    progress.Window = recorder.Window();

    {
        UniqueFile file = CreateOutput(path);
        ASSERT_TRUE(file.valid());
        ASSERT_EQ(ExtractPayload(ViewOf(stream, LargeSize), file.get(), 30, 70, progress), ExtractResult::Done);
    }

    std::vector<uint32_t> everyPercent(71);
    std::iota(everyPercent.begin(), everyPercent.end(), 30u);
    EXPECT_EQ(recorder.Percents(), everyPercent);
    EXPECT_EQ(progress.CurrentPercent, 100u);
    EXPECT_TRUE(FileMatches(path, pattern));
}

} // namespace
