#include "launch/Usage.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace {

// The usage lines as Unicode, turned into code page 1250 independently of the
// program's own byte escapes.
std::string ExpectedUsage()
{
    const wchar_t text[] = L"Spu\u0161t\u011bn\u00ed v obsolete m\u00f3du: vutundo.exe installdir\n"
                           L"Spu\u0161t\u011bn\u00ed v nov\u00e9 m\u00f3du: vutundo.exe \"installdir\" [/s] [/v] [/a]\n"
                           L"  /s  silent m\u00f3d bez GUI\n"
                           L"  /v  verbose m\u00f3d bez GUI - pro lad\u011bn\u00ed silent m\u00f3du\n"
                           L"  /a  nainstalovat nov\u00e9 VutUndo.exe\n";
    char bytes[1024] = {};
    const int length = WideCharToMultiByte(1250, 0, text, -1, bytes, sizeof bytes, nullptr, nullptr);
    return length > 0 ? std::string(bytes, length - 1) : std::string();
}

TEST(UsageTest, TextIsTheFiveLinesInCodePage1250)
{
    const std::string expected = ExpectedUsage();
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(UsageText(), expected);
}

TEST(UsageTest, EveryLineEndsWithALineFeed)
{
    const std::string text = UsageText();
    size_t lines = 0;
    for (char c : text)
        lines += c == '\n';
    EXPECT_EQ(lines, 5u);
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(text.back(), '\n');
    EXPECT_EQ(text.find('\r'), std::string::npos);
}

} // namespace
