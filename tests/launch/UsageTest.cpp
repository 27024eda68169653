#include "launch/Usage.h"

#include "Driver.h"

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

BOOL CALLBACK NoteIcon(HWND child, LPARAM found)
{
    char cls[16] = {};
    GetClassNameA(child, cls, sizeof cls);
    const LONG style = GetWindowLongA(child, GWL_STYLE);
    if (lstrcmpiA(cls, "Static") == 0 && (style & WS_VISIBLE) && (style & SS_TYPEMASK) == SS_ICON &&
        SendMessageA(child, STM_GETICON, 0, 0) != 0)
        *reinterpret_cast<bool*>(found) = true;
    return TRUE;
}

// True when a visible static control of `box` shows an icon. (Wine keeps an
// icon control in every message box; without an icon it holds none.)
bool ShowsAnIcon(HWND box)
{
    bool found = false;
    EnumChildWindows(box, NoteIcon, reinterpret_cast<LPARAM>(&found));
    return found;
}

// Command lines that ask for help wherever the "/?" stands.
class HelpBoxTest : public ::testing::TestWithParam<const char*> {};

TEST_P(HelpBoxTest, ShowsTheUsageBoxAndEndsWith1001)
{
    driver::Process setup;
    driver::StartOptions start;
    start.application = driver::BinPath("Setup.exe");
    start.commandLine = GetParam();
    ASSERT_TRUE(setup.Start(start));

    const auto box = driver::WaitForWindowCaption(setup.Id(), "Parametry", 20000);
    ASSERT_TRUE(box.has_value()) << "no usage box";
    EXPECT_EQ(box->text, UsageText());
    EXPECT_EQ(box->buttons, std::vector<std::string>{"OK"});
    EXPECT_FALSE(ShowsAnIcon(box->window));
    EXPECT_EQ(driver::WindowsOf(setup.Id()).size(), 1u) << "the usage box should be the only window";

    driver::CloseMessageBox(box->window);
    const auto exitCode = setup.Wait(20000);
    ASSERT_TRUE(exitCode.has_value()) << "still running after the box was closed";
    EXPECT_EQ(*exitCode, UsageExitCode);
}

INSTANTIATE_TEST_SUITE_P(CommandLines, HelpBoxTest,
                         ::testing::Values("Setup.exe /?", "Setup.exe x/?y",
                                           "Setup.exe \"C:\\odd/?dir\" /s",
                                           "\"C:\\Program Files\\Kit\\Setup.exe\" D:\\inst /s /v /?"));

} // namespace
