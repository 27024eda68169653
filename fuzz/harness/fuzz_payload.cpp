// The input as a control byte and a payload record: the declared size (4
// bytes, little-endian) and the zlib stream. The record is read by the
// product's own rule; a valid one is extracted twice into files in memory,
// over 0 to 30 % and then over 30 to 100 %, as the launch sequence does, and
// each result is held against zlib's own reading of the same stream.
//
// Control bits: 0 a progress window is there; 1-3 the write call that fails
// (from 1; 0 none); 4 it fails short instead of refused; 5 the second
// extraction goes on from the first one's progress state.
#include "Check.h"
#include "Shim.h"

#include "payload/Payload.h"
#include "resource_ids.h"
#include "ui/ProgressGeometry.h"

#include <zlib.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

extern "C" size_t LLVMFuzzerMutate(uint8_t* data, size_t size, size_t maxSize);

namespace {

// Bounds what a small input can inflate to, so that runs stay fast.
constexpr size_t kMaxInput = 64 * 1024;
constexpr uint64_t kBufferSize = 4096;

struct Reference {
    std::vector<unsigned char> Output; // everything zlib produced
    bool ReachedEnd = false;           // and whether it met the stream's end
};

// zlib's own inflation of the whole stream, in large steps.
Reference Inflate(const unsigned char* stream, size_t length)
{
    Reference r;
    z_stream z = {};
    z.next_in = const_cast<Bytef*>(stream);
    z.avail_in = static_cast<uInt>(length);
    if (inflateInit(&z) != Z_OK)
        return r;
    constexpr size_t kStep = 1 << 16;
    for (;;) {
        const size_t before = r.Output.size();
        r.Output.resize(before + kStep);
        z.next_out = r.Output.data() + before;
        z.avail_out = kStep;
        const uInt inputBefore = z.avail_in;
        const int answer = inflate(&z, Z_NO_FLUSH);
        r.Output.resize(before + kStep - z.avail_out);
        if (answer == Z_STREAM_END) {
            r.ReachedEnd = true;
            break;
        }
        if (answer != Z_OK && answer != Z_BUF_ERROR)
            break;
        if (r.Output.size() == before && z.avail_in == inputBefore)
            break; // input used up before the end
    }
    inflateEnd(&z);
    return r;
}

// The percent after `totalOut` bytes, worked out wide so that nothing wraps.
uint64_t ExactPercent(uint64_t totalOut, uint32_t base, uint32_t span, uint32_t declared)
{
    if (declared == 0)
        return uint64_t{base} + span;
    return uint64_t{base} + static_cast<uint64_t>(static_cast<unsigned __int128>(totalOut) * span / declared);
}

bool IsPrefix(const std::vector<unsigned char>& part, const std::vector<unsigned char>& whole)
{
    return part.size() <= whole.size() && std::equal(part.begin(), part.end(), whole.begin());
}

void CheckPercentText(uint32_t percent)
{
    char text[kPercentTextSize];
    std::fill(std::begin(text), std::end(text), 'Z');
    FormatPercentText(percent, text);
    FUZZ_CHECK(std::string(text) == std::to_string(percent) + " %");
}

void ExtractAndCheck(const PayloadView& view, const Reference& reference, unsigned control, uint32_t base,
                     uint32_t span, ProgressState& progress)
{
    shim::MemoryFile file;
    file.FailAtCall = (control >> 1) & 7;
    file.FailMode = control & 0x10 ? shim::MemoryFile::Failure::Short : shim::MemoryFile::Failure::Refused;
    shim::MessageLog window;
    progress.Window = control & 1 ? window.Handle() : nullptr;
    const ProgressState before = progress;

    const ExtractResult result = ExtractPayload(view, file.Handle(), base, span, progress);

    // The result says what happened: a failed write, else zlib's verdict.
    FUZZ_CHECK(!file.WrittenAfterFailure);
    if (file.Failed)
        FUZZ_CHECK(result == ExtractResult::WriteFailed);
    else if (reference.ReachedEnd)
        FUZZ_CHECK(result == ExtractResult::Done);
    else
        FUZZ_CHECK(result == ExtractResult::UnpackFailed);

    // Done: every byte zlib produced, no more. Otherwise a prefix of it.
    if (result == ExtractResult::Done)
        FUZZ_CHECK(file.Bytes == reference.Output);
    else
        FUZZ_CHECK(IsPrefix(file.Bytes, reference.Output));

    // Each successful pass wrote between 1 and 4096 bytes in one call.
    uint64_t previous = 0;
    for (uint64_t total : file.TotalAfterWrite) {
        FUZZ_CHECK(total > previous && total - previous <= kBufferSize);
        previous = total;
    }

    // A percent is worked out after each successful write and sent only when
    // new and a window is there; nothing else is sent.
    std::vector<uint32_t> expectedSent;
    uint32_t lastSent = before.LastSentPercent;
    uint32_t current = before.CurrentPercent;
    for (uint64_t total : file.TotalAfterWrite) {
        const uint64_t exact = ExactPercent(total, base, span, view.DeclaredSize);
        FUZZ_CHECK(exact <= UINT32_MAX); // out of reach of inputs this small
        FUZZ_CHECK(ProgressPercent(total, base, span, view.DeclaredSize) == exact);
        current = static_cast<uint32_t>(exact);
        if (progress.Window != nullptr && current != lastSent) {
            expectedSent.push_back(current);
            lastSent = current;
        }
        // Within the range while the output stays within the declared size.
        if (total <= view.DeclaredSize)
            FUZZ_CHECK(current >= base && current <= base + span);
    }
    FUZZ_CHECK(progress.CurrentPercent == current);
    FUZZ_CHECK(progress.LastSentPercent == lastSent);
    FUZZ_CHECK(progress.Window == before.Window);

    std::vector<uint32_t> sent;
    for (const shim::MessageLog::Message& m : window.Messages) {
        FUZZ_CHECK(m.Id == WM_SETUP_PROGRESS && m.WParam == 0);
        FUZZ_CHECK(m.LParam >= 0 && static_cast<uint64_t>(m.LParam) <= UINT32_MAX);
        sent.push_back(static_cast<uint32_t>(m.LParam));
        CheckPercentText(sent.back());
    }
    FUZZ_CHECK(sent == expectedSent);
    // Never down, never the same twice, never the one sent last before.
    for (size_t i = 1; i < sent.size(); ++i)
        FUZZ_CHECK(sent[i] > sent[i - 1]);
    if (!sent.empty())
        FUZZ_CHECK(sent.front() != before.LastSentPercent);
    // A stream that inflates to exactly its declared size ends at base + span.
    if (result == ExtractResult::Done && !file.Bytes.empty() && file.Bytes.size() == view.DeclaredSize)
        FUZZ_CHECK(progress.CurrentPercent == base + span);
}

// What ProgressPercent promises by itself: truncated base + out * span /
// declared, base + span for a declared size of 0, past base + span (not
// clamped) for more bytes than declared.
void CheckProgressPercent(uint32_t declared, uint64_t streamLength)
{
    const uint64_t outs[] = {0, 1, declared / 2, declared - 1ull, declared, declared + 1ull, streamLength * 1032,
                             UINT32_MAX};
    for (uint64_t out : outs) {
        for (const auto& range : {std::pair<uint32_t, uint32_t>{0, 30}, {30, 70}}) {
            const uint64_t exact = ExactPercent(out, range.first, range.second, declared);
            if (exact > UINT32_MAX)
                continue; // only a size wildly off its payload gets here
            const uint32_t percent = ProgressPercent(out, range.first, range.second, declared);
            FUZZ_CHECK(percent == exact);
            if (declared != 0 && out <= declared)
                FUZZ_CHECK(percent <= range.first + range.second);
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1 || size > kMaxInput)
        return 0;
    const unsigned control = data[0];
    // A copy of exactly the record's length, so that reading past it is caught.
    const std::vector<unsigned char> record(data + 1, data + size);
    const auto length = static_cast<uint32_t>(record.size());

    PayloadView view;
    const bool valid = ReadPayloadRecord(record.empty() ? nullptr : record.data(), length, view);
    if (length < 4) {
        FUZZ_CHECK(!valid);
        return 0;
    }
    const uint32_t declared = static_cast<uint32_t>(record[0]) | static_cast<uint32_t>(record[1]) << 8 |
                              static_cast<uint32_t>(record[2]) << 16 | static_cast<uint32_t>(record[3]) << 24;
    CheckProgressPercent(declared, length - 4);
    // Size 0 reads as no record at all, so no percent is ever divided by it.
    FUZZ_CHECK(valid == (declared != 0));
    if (!valid)
        return 0;
    FUZZ_CHECK(view.Stream == record.data() + 4 && view.StreamLength == length - 4 && view.DeclaredSize == declared);

    const Reference reference = Inflate(view.Stream, view.StreamLength);
    ProgressState progress;
    ExtractAndCheck(view, reference, control, 0, 30, progress);
    if ((control & 0x20) == 0)
        progress = ProgressState{};
    ExtractAndCheck(view, reference, control, 30, 70, progress);
    return 0;
}

// Byte mutations of a compressed stream mostly give damaged ones. Half the
// time this one instead inflates the stream, mutates the plain bytes, and
// compresses them again at a random level, with the declared size kept, made
// exact or put just off: whole valid streams of every size and shape.
extern "C" size_t LLVMFuzzerCustomMutator(uint8_t* data, size_t size, size_t maxSize, unsigned int seed)
{
    std::minstd_rand random(seed);
    if (size < 5 || random() % 2 == 0)
        return LLVMFuzzerMutate(data, size, maxSize);

    std::vector<unsigned char> plain = Inflate(data + 5, size - 5).Output;
    constexpr size_t kMaxPlain = 64 * 1024;
    if (plain.size() > kMaxPlain)
        plain.resize(kMaxPlain);
    if (plain.empty())
        plain.push_back(static_cast<unsigned char>(random()));
    const size_t before = plain.size();
    plain.resize(before + 1 + random() % 4096); // room to grow
    plain.resize(LLVMFuzzerMutate(plain.data(), before, plain.size()));

    uLongf compressedLength = compressBound(static_cast<uLong>(plain.size()));
    std::vector<unsigned char> compressed(compressedLength);
    if (compress2(compressed.data(), &compressedLength, plain.data(), static_cast<uLong>(plain.size()),
                  static_cast<int>(random() % 10)) != Z_OK ||
        5 + compressedLength > maxSize)
        return LLVMFuzzerMutate(data, size, maxSize);

    uint32_t declared = static_cast<uint32_t>(data[1]) | static_cast<uint32_t>(data[2]) << 8 |
                        static_cast<uint32_t>(data[3]) << 16 | static_cast<uint32_t>(data[4]) << 24;
    switch (random() % 4) {
    case 0: break;
    case 1: declared = static_cast<uint32_t>(plain.size()); break;
    case 2: declared = static_cast<uint32_t>(plain.size()) + 1; break;
    default: declared = static_cast<uint32_t>(plain.size() / 2); break;
    }
    for (int i = 0; i < 4; ++i)
        data[1 + i] = static_cast<uint8_t>(declared >> (8 * i));
    std::copy(compressed.begin(), compressed.begin() + static_cast<ptrdiff_t>(compressedLength), data + 5);
    return 5 + compressedLength;
}
