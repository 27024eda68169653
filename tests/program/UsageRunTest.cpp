// "/?" anywhere: the usage box and exit code 1001, nothing else.
#include "Driver.h"
#include "launch/Usage.h"

#include <gtest/gtest.h>

namespace {

constexpr DWORD kBound = 90000;

struct UsageCase {
    const char* tail;
};

class UsageRun : public ::testing::TestWithParam<UsageCase> {};

TEST_P(UsageRun, ShowsTheUsageBoxAndEndsWith1001)
{
    driver::ScratchDir records("usage");
    const std::string setup = driver::BinPath("Setup.exe");
    driver::Process process;
    ASSERT_TRUE(process.Start({setup, "\"" + setup + "\" " + GetParam().tail, "",
                               {{"VUT_STANDIN_LOG", records.Path()}}, {}, ""}));
    auto box = driver::WaitForWindowCaption(process.Id(), "Parametry", kBound);
    ASSERT_TRUE(box) << "no usage box for tail " << GetParam().tail;

    // The message box shows the text without its final line feed.
    std::string expected = UsageText();
    ASSERT_EQ(expected.back(), '\n');
    std::string shown = box->text;
    while (!shown.empty() && shown.back() == '\n')
        shown.pop_back();
    expected.pop_back();
    EXPECT_EQ(shown, expected);
    EXPECT_EQ(box->buttons, std::vector<std::string>{"OK"});
    EXPECT_FALSE(box->hasIcon);
    EXPECT_EQ(driver::WindowsOf(process.Id()).size(), 1u) << "the usage box is the only window";

    driver::CloseMessageBox(box->window);
    auto code = process.Wait(kBound);
    ASSERT_TRUE(code);
    EXPECT_EQ(*code, 1001u);
    // Nothing was started.
    EXPECT_FALSE(driver::FileExists(records / "vutundo.log"));
    EXPECT_FALSE(driver::FileExists(records / "vutsetup.log"));
}

INSTANTIATE_TEST_SUITE_P(HelpAnywhere, UsageRun,
                         ::testing::Values(UsageCase{"/?"}, UsageCase{"/s /?"}, UsageCase{"\"C:\\a /? b\" /v"},
                                           UsageCase{"x/?y"}));

} // namespace
