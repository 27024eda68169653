// Damaged variants of a payload record, and what zlib itself makes of a
// stream, for the robustness campaign: the loader must end every variant the
// way its rules say, whatever the damage.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace driver {

using RecordBytes = std::vector<unsigned char>;

struct DamagedRecord {
    std::string kind; // "cut", "size field", "header bit", "deflate bit", "trailer bit", "size bit", "burst"
    std::string name; // kind and where, unique within one campaign
    RecordBytes record;
};

struct DamagePlan {
    size_t cuts = 200;         // truncations, spread over the whole record
    size_t deflateFlips = 600; // single bit flips in the deflate data
    size_t bursts = 300;       // runs of 2 to 64 changed bytes anywhere in the stream
    bool hugeSizes = true;     // declared sizes of 2^31 and more among the size-field cases
    uint32_t seed = 1;
};

// The robustness campaign's plan: over 5,000 variants of the two records.
DamagePlan FullDamagePlan();

// Every header, trailer and size-field bit flipped once, the size field set to
// 0, 1, half, one less, one more and twice the real size, plus the plan's cuts,
// deflate flips and bursts at seeded places. `record` is a whole record:
// 4-byte declared size, then the zlib stream.
std::vector<DamagedRecord> DamageRecord(const RecordBytes& record, const DamagePlan& plan);

// zlib's own reading of a stream, in large outputs: complete when it reached the
// stream's end with a good check value; output holds every byte produced,
// up to the error when there was one.
struct Inflated {
    bool complete = false;
    RecordBytes output;
};
Inflated InflateWhole(const unsigned char* stream, size_t length);

// The declared size of a record of at least 4 bytes.
uint32_t DeclaredSizeOf(const RecordBytes& record);

} // namespace driver
