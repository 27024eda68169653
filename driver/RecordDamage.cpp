#include "RecordDamage.h"

#include <zlib.h>

#include <algorithm>
#include <set>

namespace driver {

namespace {

// A small deterministic generator: the same plan gives the same campaign.
class Sequence {
public:
    explicit Sequence(uint32_t seed) : state_(seed * 2654435761u + 1) {}
    uint32_t Next()
    {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return state_;
    }
    size_t Below(size_t bound) { return bound == 0 ? 0 : Next() % bound; }

private:
    uint32_t state_;
};

RecordBytes WithSize(RecordBytes record, uint32_t size)
{
    for (int i = 0; i < 4; ++i)
        record[i] = static_cast<unsigned char>(size >> (8 * i));
    return record;
}

RecordBytes Flipped(RecordBytes record, size_t byte, int bit)
{
    record[byte] ^= static_cast<unsigned char>(1u << bit);
    return record;
}

} // namespace

uint32_t DeclaredSizeOf(const RecordBytes& record)
{
    return static_cast<uint32_t>(record[0]) | static_cast<uint32_t>(record[1]) << 8 |
           static_cast<uint32_t>(record[2]) << 16 | static_cast<uint32_t>(record[3]) << 24;
}

DamagePlan FullDamagePlan()
{
    DamagePlan plan;
    plan.cuts = 400;
    plan.deflateFlips = 1300;
    plan.bursts = 750;
    return plan;
}

std::vector<DamagedRecord> DamageRecord(const RecordBytes& record, const DamagePlan& plan)
{
    std::vector<DamagedRecord> cases;
    if (record.size() < 4 + 2 + 4 + 1)
        return cases;
    const size_t length = record.size();
    const size_t deflateBegin = 4 + 2;
    const size_t trailerBegin = length - 4;
    const uint32_t real = DeclaredSizeOf(record);
    Sequence random(plan.seed);

    for (size_t i = 0; i < plan.cuts; ++i) {
        // The first and last few lengths one by one, the rest evenly between.
        size_t cut = i < 8 ? i : (i >= plan.cuts - 4 ? length - (plan.cuts - i) : i * length / plan.cuts);
        cut = std::min(cut, length - 1);
        cases.push_back({"cut", "cut to " + std::to_string(cut) + " bytes",
                         RecordBytes(record.begin(), record.begin() + static_cast<std::ptrdiff_t>(cut))});
    }

    std::vector<std::pair<std::string, uint32_t>> sizes = {
        {"0", 0}, {"1", 1}, {"half", real / 2}, {"one less", real - 1}, {"one more", real + 1}, {"twice", real * 2}};
    if (plan.hugeSizes) {
        sizes.push_back({"2^31", 0x80000000u});
        sizes.push_back({"2^32-1", 0xFFFFFFFFu});
    }
    for (const auto& [label, size] : sizes)
        cases.push_back({"size field", "size field " + label, WithSize(record, size)});

    for (int bit = 0; bit < 32; ++bit) {
        cases.push_back({"size bit", "size bit " + std::to_string(bit), Flipped(record, bit / 8, bit % 8)});
        cases.push_back({"trailer bit", "trailer bit " + std::to_string(bit),
                         Flipped(record, trailerBegin + bit / 8, bit % 8)});
    }
    for (int bit = 0; bit < 16; ++bit)
        cases.push_back({"header bit", "header bit " + std::to_string(bit), Flipped(record, 4 + bit / 8, bit % 8)});

    // Each bit at most once, so that the count is of distinct variants.
    std::set<std::pair<size_t, int>> flipped;
    const size_t deflateBits = (trailerBegin - deflateBegin) * 8;
    for (size_t i = 0; i < plan.deflateFlips && flipped.size() < deflateBits; ++i) {
        size_t byte = 0;
        int bit = 0;
        do {
            byte = deflateBegin + random.Below(trailerBegin - deflateBegin);
            bit = static_cast<int>(random.Below(8));
        } while (!flipped.insert({byte, bit}).second);
        cases.push_back({"deflate bit", "deflate bit " + std::to_string(bit) + " of byte " + std::to_string(byte),
                         Flipped(record, byte, bit)});
    }

    for (size_t i = 0; i < plan.bursts; ++i) {
        const size_t count = 2 + random.Below(63);
        const size_t begin = 4 + random.Below(length - 4);
        const size_t end = std::min(length, begin + count);
        RecordBytes damaged = record;
        for (size_t at = begin; at < end; ++at)
            damaged[at] ^= static_cast<unsigned char>(1 + random.Below(255)); // never 0: every byte changes
        cases.push_back({"burst", "burst of " + std::to_string(end - begin) + " bytes at " + std::to_string(begin),
                         std::move(damaged)});
    }
    return cases;
}

Inflated InflateWhole(const unsigned char* stream, size_t length)
{
    Inflated result;
    z_stream z = {};
    if (inflateInit(&z) != Z_OK)
        return result;
    z.next_in = const_cast<Bytef*>(stream);
    z.avail_in = static_cast<uInt>(length);
    unsigned char chunk[1 << 16];
    int answer = Z_OK;
    do {
        z.next_out = chunk;
        z.avail_out = sizeof chunk;
        answer = inflate(&z, Z_NO_FLUSH);
        result.output.insert(result.output.end(), chunk, chunk + (sizeof chunk - z.avail_out));
    } while (answer == Z_OK && !(z.avail_in == 0 && z.avail_out != 0));
    result.complete = answer == Z_STREAM_END;
    inflateEnd(&z);
    return result;
}

} // namespace driver
