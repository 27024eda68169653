#include "launch/CommandLineTail.h"

#include "guard/WideCommandLineTail.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

bool NoLeadBytes(unsigned char) { return false; }

// Lead bytes as in code page 932.
bool ShiftJisLeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

struct TailCase {
    const char* line;
    const char* tail;
};

class CommandLineTailTest : public ::testing::TestWithParam<TailCase> {};

TEST_P(CommandLineTailTest, SkipsTheProgramNameAndTheBlanksAfterIt)
{
    const TailCase& c = GetParam();
    const char* tail = CommandLineTail(c.line, NoLeadBytes);
    EXPECT_STREQ(tail, c.tail);
    // The tail lies inside the line itself.
    EXPECT_EQ(tail, c.line + std::strlen(c.line) - std::strlen(c.tail));
    // The wide command line is cut by the same rule.
    std::wstring wide;
    for (const unsigned char b : std::string(c.line))
        wide += static_cast<wchar_t>(b);
    EXPECT_EQ(WideCommandLineTail(wide.c_str()), wide.c_str() + wide.size() - std::strlen(c.tail));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CommandLineTailTest,
    ::testing::Values(TailCase{"", ""}, TailCase{"Setup.exe", ""}, TailCase{"Setup.exe /s", "/s"},
                      TailCase{"Setup.exe   \t\x01\x1f D:\\inst /v", "D:\\inst /v"},
                      TailCase{"\"C:\\Program Files\\Setup.exe\" \"D:\\my kit\" /a", "\"D:\\my kit\" /a"},
                      TailCase{"\"C:\\a b\\Setup.exe\"x y", "y"},       // quotes only switch quoting
                      TailCase{"C:\\a\" b \"c.exe /s", "/s"},            // ... wherever they stand
                      TailCase{"\"C:\\a b\\Setup.exe /s", ""},           // unclosed: all of it is the name
                      TailCase{"Setup.exe\x01/s", "/s"},                 // any control character ends it
                      TailCase{"Set\xe8up.exe /s", "/s"},                // high bytes are not blanks
                      TailCase{"Setup.exe \xa0x", "\xa0x"},              // nor after the name
                      TailCase{"Setup.exe /s  ", "/s  "}));              // trailing blanks stay

struct DbcsCase {
    const char* name;
    const char* line;
    const char* tail;
};

class CommandLineTailDbcsTest : public ::testing::TestWithParam<DbcsCase> {};

TEST_P(CommandLineTailDbcsTest, TakesALeadByteTogetherWithItsPartner)
{
    const DbcsCase& c = GetParam();
    const char* tail = CommandLineTail(c.line, ShiftJisLeadByte);
    EXPECT_STREQ(tail, c.tail);
    EXPECT_EQ(tail, c.line + std::strlen(c.line) - std::strlen(c.tail));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CommandLineTailDbcsTest,
    ::testing::Values(DbcsCase{"BlankAsSecondByte", "a\x81 b.exe /s", "/s"},
                      DbcsCase{"QuoteAsSecondByteIsNoQuote", "a\x81\"b c", "c"},
                      DbcsCase{"TwoCharacters", "\x82\xa0\x82\xa2.exe /v", "/v"},
                      // A lead byte with nothing after it must not carry the scan past the end.
                      DbcsCase{"LeadByteLast", "Setup\x81", ""},
                      DbcsCase{"LeadByteAlone", "\x81", ""},
                      DbcsCase{"LeadByteLastInQuotes", "\"Setup\x81", ""}),
    [](const ::testing::TestParamInfo<DbcsCase>& info) { return info.param.name; });

TEST(CommandLineTailTest, NullLineGivesAnEmptyTail)
{
    EXPECT_STREQ(CommandLineTail(nullptr, NoLeadBytes), "");
    EXPECT_STREQ(CommandLineTail(nullptr), "");
    EXPECT_STREQ(WideCommandLineTail(nullptr), L"");
}

TEST(CommandLineTailTest, SystemCodePageVersionReadsTheLineLikeThePredicateOne)
{
    // The tests run with a single-byte code page, where no byte leads another.
    ASSERT_EQ(IsDBCSLeadByte(0x81), FALSE);
    const char line[] = "\"C:\\Kit dir\\Setup.exe\" \"D:\\x y\" /s";
    EXPECT_EQ(CommandLineTail(line), CommandLineTail(line, NoLeadBytes));
}

TEST(CommandLineTailTest, OwnCommandLineGivesTheArgumentsAfterTheProgram)
{
    // gtest's runner is started with no arguments or with its own flags only.
    const std::string tail = CommandLineTail(GetCommandLineA());
    EXPECT_TRUE(tail.empty() || tail.rfind("--gtest", 0) == 0) << tail;
}

} // namespace
