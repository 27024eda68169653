#include "payload/Payload.h"

#include <gtest/gtest.h>

#include <ostream>

namespace {

struct PercentCase {
    uint64_t totalOut;
    uint32_t base;
    uint32_t span;
    uint32_t declared;
    uint32_t expected;
};

void PrintTo(const PercentCase& c, std::ostream* out)
{
    *out << c.totalOut << " of " << c.declared << " over " << c.base << "+" << c.span << " -> " << c.expected;
}

class ProgressPercentTest : public ::testing::TestWithParam<PercentCase> {};

TEST_P(ProgressPercentTest, ScalesOutputIntoTheRange)
{
    const PercentCase& c = GetParam();
    EXPECT_EQ(ProgressPercent(c.totalOut, c.base, c.span, c.declared), c.expected);
}

constexpr uint32_t Mb200 = 200u * 1024 * 1024;

INSTANTIATE_TEST_SUITE_P(
    Cases, ProgressPercentTest,
    ::testing::Values(PercentCase{0, 0, 30, 387072, 0},             // nothing yet
                      PercentCase{4096, 0, 30, 387072, 0},          // truncated, not rounded
                      PercentCase{12902, 0, 30, 387072, 0},         // just under 1 %
                      PercentCase{12903, 0, 30, 387072, 1},         // 1 % exactly reached
                      PercentCase{387072, 0, 30, 387072, 30},       // the uninstaller's end
                      PercentCase{806400, 30, 70, 806400, 100},     // the installer's end
                      PercentCase{Mb200 / 2, 30, 70, Mb200, 65},    // 32-bit product would wrap here
                      PercentCase{Mb200, 30, 70, Mb200, 100},
                      PercentCase{0xFFFFFFFFu, 0, 100, 0xFFFFFFFFu, 100},
                      PercentCase{2 * 387072, 0, 30, 387072, 60},   // more bytes than declared
                      PercentCase{387072, 0, 30, 2 * 387072, 15},   // fewer bytes than declared
                      PercentCase{5000, 30, 70, 0, 100}));          // no size declared: no division

} // namespace
