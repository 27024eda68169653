#include "guard/ExactPath.h"

#include <gtest/gtest.h>

#include <cwchar>

namespace {

const wchar_t* g_shortName = nullptr; // null: the system gives no short name

DWORD WINAPI FakeShortPath(LPCWSTR, LPWSTR buffer, DWORD size)
{
    if (g_shortName == nullptr || std::wcslen(g_shortName) >= size)
        return 0;
    return static_cast<DWORD>(std::wcslen(std::wcscpy(buffer, g_shortName)));
}

struct PathCase {
    const char* name;
    UINT codePage;
    std::wstring wide;
    std::string ansi; // empty when the ANSI call failed or was cut
    const wchar_t* shortName;
    std::optional<std::string> used;
};

class ExactPathTest : public ::testing::TestWithParam<PathCase> {};

TEST_P(ExactPathTest, UsesTheAnsiAnswerOnlyWhenExactElseTheShortName)
{
    const PathCase& c = GetParam();
    g_shortName = c.shortName;
    EXPECT_EQ(ExactPath(c.wide, c.ansi, c.codePage, FakeShortPath), c.used);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, ExactPathTest,
    ::testing::Values(
        PathCase{"CzechInWestern", 1252, L"C:\\\u0165", "C:\\t", L"C:\\T~1", "C:\\T~1"},
        PathCase{"Fullwidth", 1250, L"C:\\kit\uff02 \uff0fs", "C:\\kit\" /s", L"C:\\KIT_~KSX", "C:\\KIT_~KSX"},
        PathCase{"NoShortName", 1252, L"C:\\kit\uff02", "C:\\kit\"", nullptr, std::nullopt},
        PathCase{"ShortNameNotSpelled", 1252, L"C:\\\u03b1", "C:\\a", L"C:\\\u03b1", std::nullopt},
        PathCase{"Utf8", CP_UTF8, L"C:\\\uff02", "C:\\\xef\xbc\x82", nullptr, "C:\\\xef\xbc\x82"},
        PathCase{"AnsiAnswerCut", 1250, L"C:\\kit", "", L"C:\\kit", ""}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
