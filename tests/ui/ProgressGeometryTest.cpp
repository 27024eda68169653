#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "ui/ProgressGeometry.h"

namespace {

struct SplitCase {
    int left, right, percent, expected;
};

TEST(ProgressGeometry, SplitPointTruncatesAfterMultiplying)
{
    const SplitCase cases[] = {
        {0, 151, 33, 49},   // 151 * 33 = 4983 -> 49
        {0, 151, 50, 75},
        {0, 151, 0, 0},     // all white
        {0, 151, 100, 151}, // all blue
        {0, 151, 1, 1},
        {0, 151, 99, 149},
        {10, 161, 33, 59},  // measured from the field's left edge
        {0, 151, 150, 226}, // not clamped: reaches past the right edge
    };
    for (const auto& c : cases)
        EXPECT_EQ(ProgressSplitX(c.left, c.right, c.percent), c.expected)
            << c.left << ".." << c.right << " at " << c.percent << "%";
}

TEST(ProgressGeometry, TextSitsMidwayAndAtEightTenths)
{
    EXPECT_EQ(ProgressTextX(0, 151), 75);
    EXPECT_EQ(ProgressTextX(0, 150), 75);
    EXPECT_EQ(ProgressTextX(10, 161), 85);

    EXPECT_EQ(ProgressTextBaseline(0, 21), 16); // 168 / 10
    EXPECT_EQ(ProgressTextBaseline(0, 20), 16);
    EXPECT_EQ(ProgressTextBaseline(0, 19), 15); // 152 / 10
    EXPECT_EQ(ProgressTextBaseline(5, 26), 21);
}

struct CentringCase {
    int extent, low, high, expected;
};

TEST(ProgressGeometry, CentringOffsetTruncatesTowardZero)
{
    const CentringCase cases[] = {
        {1036, 0, 300, 368},
        {1037, 0, 300, 368},
        {1036, 100, 400, 268}, // same width further right: moves less
        {768, 0, 200, 284},
        {200, 0, 300, -50},    // wider than the display: moves left
        {201, 0, 300, -49},    // -99 / 2 truncates toward zero
    };
    for (const auto& c : cases)
        EXPECT_EQ(CentringOffset(c.extent, c.low, c.high), c.expected)
            << c.extent << " / " << c.low << ".." << c.high;
}

TEST(ProgressGeometry, CentredSpanHasItsMiddleAtTheDisplaysMiddle)
{
    for (int extent : {1023, 1024, 1036, 1037}) {
        for (int low : {0, 17, 500}) {
            const int high = low + 301;
            const int dx = CentringOffset(extent, low, high);
            const int middleTwice = (low + dx) + (high + dx);
            EXPECT_LE(std::abs(middleTwice - extent), 2) << extent << " " << low;
        }
    }
}

struct PercentCase {
    uint32_t percent;
    const char* text;
};

TEST(ProgressGeometry, PercentTextHasNoPadding)
{
    const PercentCase cases[] = {
        {0, "0 %"}, {7, "7 %"}, {10, "10 %"}, {45, "45 %"}, {100, "100 %"}, {4294967295u, "4294967295 %"},
    };
    for (const auto& c : cases) {
        char text[kPercentTextSize];
        FormatPercentText(c.percent, text);
        EXPECT_EQ(std::string(text), c.text);
    }
}

} // namespace
