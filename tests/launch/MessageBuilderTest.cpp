#include "launch/MessageBuilder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string Pattern(size_t length, char first)
{
    std::string text(length, ' ');
    for (size_t i = 0; i < length; ++i)
        text[i] = static_cast<char>(first + i % 26);
    return text;
}

TEST(MessageBuilderTest, StartsEmpty)
{
    MessageBuilder builder;
    EXPECT_STREQ(builder.Text(), "");
}

TEST(MessageBuilderTest, NullAndEmptyTextsAppendNothing)
{
    MessageBuilder builder;
    builder.Append("ab");
    builder.Append(nullptr);
    builder.Append("");
    EXPECT_STREQ(builder.Text(), "ab");
}

// Lengths of the pieces appended one after another.
class MessageBuilderLengthsTest : public ::testing::TestWithParam<std::vector<size_t>> {};

TEST_P(MessageBuilderLengthsTest, HoldsEveryPieceInOrder)
{
    MessageBuilder builder;
    std::string expected;
    char first = 'a';
    for (size_t length : GetParam()) {
        const std::string piece = Pattern(length, first++);
        builder.Append(piece.c_str());
        expected += piece;
    }
    EXPECT_EQ(std::string(builder.Text()), expected);
    // Reading twice gives the same text.
    EXPECT_EQ(std::string(builder.Text()), expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, MessageBuilderLengthsTest,
                         ::testing::Values(std::vector<size_t>{5},
                                           std::vector<size_t>{2047},          // exactly the inline room
                                           std::vector<size_t>{2048},          // one more
                                           std::vector<size_t>{2000, 47, 1},   // fills, then spills one
                                           std::vector<size_t>{10000},         // several inline loads
                                           std::vector<size_t>{3000, 3000, 3000},
                                           std::vector<size_t>{1, 4095, 2}));

TEST(MessageBuilderTest, AppendingAfterReadingKeepsTheWholeText)
{
    MessageBuilder builder;
    const std::string first = Pattern(3000, 'a');
    builder.Append(first.c_str());
    EXPECT_EQ(std::string(builder.Text()), first);
    builder.Append("tail");
    EXPECT_EQ(std::string(builder.Text()), first + "tail");
}

} // namespace
