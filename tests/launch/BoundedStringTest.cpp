#include "launch/BoundedString.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

constexpr char Canary = '\x5A';

// A buffer of `capacity` bytes followed by canary bytes that must survive.
struct GuardedBuffer {
    explicit GuardedBuffer(size_t cap) : capacity(cap) { std::memset(bytes, Canary, sizeof bytes); }
    bool CanaryIntact() const
    {
        for (size_t i = capacity; i < sizeof bytes; ++i)
            if (bytes[i] != Canary)
                return false;
        return true;
    }
    size_t capacity;
    char bytes[64];
};

TEST(BoundedStringTest, AttachingToAnEmptyBufferTerminatesItAtTheStart)
{
    GuardedBuffer buffer(8);
    BoundedString text(buffer.bytes, buffer.capacity);
    EXPECT_EQ(buffer.bytes[0], '\0');
    EXPECT_TRUE(text.IsEmpty());
    EXPECT_EQ(text.Length(), 0u);
    EXPECT_EQ(text.Last(), '\0');
}

TEST(BoundedStringTest, AttachingWithALengthTerminatesAfterIt)
{
    GuardedBuffer buffer(8);
    std::memcpy(buffer.bytes, "abcdefg", 7);
    BoundedString text(buffer.bytes, buffer.capacity, 3);
    EXPECT_STREQ(buffer.bytes, "abc");
    EXPECT_EQ(text.Length(), 3u);
    EXPECT_EQ(text.Last(), 'c');
}

TEST(BoundedStringTest, AttachingWithTooLongALengthCutsToTheCapacity)
{
    GuardedBuffer buffer(4);
    std::memcpy(buffer.bytes, "abcd", 4);
    BoundedString text(buffer.bytes, buffer.capacity, 10);
    EXPECT_STREQ(buffer.bytes, "abc");
    EXPECT_EQ(text.Length(), 3u);
    EXPECT_TRUE(buffer.CanaryIntact());
}

struct AppendCase {
    size_t capacity;
    const char* start;
    const char* appended;
    size_t copied;
    const char* result;
};

class BoundedAppendTest : public ::testing::TestWithParam<AppendCase> {};

TEST_P(BoundedAppendTest, CopiesWhatFitsAndCutsTheRest)
{
    const AppendCase& c = GetParam();
    GuardedBuffer buffer(c.capacity);
    BoundedString text(buffer.bytes, buffer.capacity);
    text.Append(c.start);

    EXPECT_EQ(text.Append(c.appended), c.copied);
    EXPECT_STREQ(buffer.bytes, c.result);
    EXPECT_EQ(text.Length(), std::strlen(c.result));
    EXPECT_TRUE(buffer.CanaryIntact());
}

INSTANTIATE_TEST_SUITE_P(Cases, BoundedAppendTest,
                         ::testing::Values(AppendCase{8, "", "abc", 3, "abc"},
                                           AppendCase{8, "abc", "defg", 4, "abcdefg"}, // exactly full
                                           AppendCase{8, "abc", "defgh", 4, "abcdefg"},
                                           AppendCase{8, "abcdefg", "x", 0, "abcdefg"},
                                           AppendCase{8, "ab", "", 0, "ab"},
                                           AppendCase{1, "", "abc", 0, ""}, // room for the NUL only
                                           AppendCase{4, "", "a long text", 3, "a l"}));

TEST(BoundedStringTest, AppendingACountCopiesThatManyBytes)
{
    GuardedBuffer buffer(16);
    BoundedString text(buffer.bytes, buffer.capacity);
    EXPECT_EQ(text.Append("abcdef", 2), 2u);
    EXPECT_STREQ(buffer.bytes, "ab");
}

TEST(BoundedStringTest, AppendingNullAppendsNothing)
{
    GuardedBuffer buffer(8);
    BoundedString text(buffer.bytes, buffer.capacity);
    text.Append("ab");
    EXPECT_EQ(text.Append(nullptr), 0u);
    EXPECT_STREQ(buffer.bytes, "ab");
}

struct UnlessLastCase {
    size_t capacity;
    const char* start;
    const char* result;
};

class AppendUnlessLastTest : public ::testing::TestWithParam<UnlessLastCase> {};

TEST_P(AppendUnlessLastTest, AppendsABackslashOnlyWhereNoneEndsTheText)
{
    const UnlessLastCase& c = GetParam();
    GuardedBuffer buffer(c.capacity);
    BoundedString text(buffer.bytes, buffer.capacity);
    text.Append(c.start);
    text.AppendUnlessLast('\\');
    EXPECT_STREQ(buffer.bytes, c.result);
    EXPECT_TRUE(buffer.CanaryIntact());
}

INSTANTIATE_TEST_SUITE_P(Cases, AppendUnlessLastTest,
                         ::testing::Values(UnlessLastCase{8, "", "\\"}, // an empty text ends with no character
                                           UnlessLastCase{8, "C:\\", "C:\\"},
                                           UnlessLastCase{8, "C:\\a", "C:\\a\\"},
                                           UnlessLastCase{8, "C:/a/", "C:/a/\\"},
                                           UnlessLastCase{5, "C:\\a", "C:\\a"})); // full: nothing happens

TEST(BoundedStringTest, ResetEmptiesTheText)
{
    GuardedBuffer buffer(8);
    BoundedString text(buffer.bytes, buffer.capacity);
    text.Append("abc");
    text.Reset();
    EXPECT_TRUE(text.IsEmpty());
    EXPECT_STREQ(buffer.bytes, "");
    text.Append("xy");
    EXPECT_STREQ(text.Text(), "xy");
}

} // namespace
