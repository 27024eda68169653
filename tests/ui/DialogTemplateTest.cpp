// The progress window's template as built into Setup.exe, in each language.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "DialogTemplate.h"
#include "Driver.h"
#include "resource_ids.h"

namespace {

struct LanguageCase {
    const char* name;
    WORD language;
    const wchar_t* message;
};

const LanguageCase kLanguages[] = {
    {"Czech", MAKELANGID(LANG_CZECH, SUBLANG_DEFAULT),
     L"Program setup připravuje instalačního průvodce, který vás povede do konce instalace."},
    {"English", MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US),
     L"Setup is preparing the installation wizard which will guide you through the rest of the installation "
     L"process."},
    {"Polish", MAKELANGID(LANG_POLISH, SUBLANG_DEFAULT), L"Programa setup przygotuje ..."},
};

constexpr WORD kEditAtom = 0x0081;
constexpr WORD kStaticAtom = 0x0082;

// The shipping program, beside the suite.
std::string ShippingSetupExe()
{
    return driver::BinPath("Setup.exe");
}

class DialogTemplateTest : public testing::TestWithParam<LanguageCase> {};

TEST_P(DialogTemplateTest, MatchesTheWindowDesign)
{
    const LanguageCase& c = GetParam();
    const auto bytes = driver::ReadResource(ShippingSetupExe(), RT_DIALOG, IDD_SETUP, c.language);
    ASSERT_TRUE(bytes) << "no " << c.name << " template in Setup.exe";
    const auto dialog = ParseDialogTemplate(*bytes);
    ASSERT_TRUE(dialog) << "not a standard dialog template";

    EXPECT_EQ(dialog->style, 0x80C80080u); // popup, caption, system menu, modal frame; hidden; no font
    EXPECT_FALSE(dialog->hasFont);
    EXPECT_EQ(dialog->exStyle, 0u);
    EXPECT_EQ(dialog->x, 0);
    EXPECT_EQ(dialog->y, 0);
    EXPECT_EQ(dialog->cx, 189);
    EXPECT_EQ(dialog->cy, 92);
    EXPECT_FALSE(dialog->hasMenu);
    EXPECT_FALSE(dialog->hasClass);
    EXPECT_EQ(dialog->caption, L"Setup");

    ASSERT_EQ(dialog->items.size(), 2u);
    const DialogItem& field = dialog->items[0];
    EXPECT_EQ(field.style, 0x58810801u);
    EXPECT_EQ(field.exStyle, 0u);
    EXPECT_EQ(field.id, IDC_PROGRESS);
    EXPECT_EQ(field.classAtom, kEditAtom);
    EXPECT_EQ(field.text, L"");
    EXPECT_EQ(field.x, 16);
    EXPECT_EQ(field.y, 54);
    EXPECT_EQ(field.cx, 155);
    EXPECT_EQ(field.cy, 13);

    const DialogItem& message = dialog->items[1];
    EXPECT_EQ(message.style, 0x50020000u);
    EXPECT_EQ(message.exStyle, 0u);
    EXPECT_EQ(message.id, static_cast<WORD>(IDC_STATIC));
    EXPECT_EQ(message.classAtom, kStaticAtom);
    EXPECT_EQ(message.text, c.message);
    EXPECT_EQ(message.x, 16);
    EXPECT_EQ(message.y, 15);
    EXPECT_EQ(message.cx, 155);
    EXPECT_EQ(message.cy, 28);
}

INSTANTIATE_TEST_SUITE_P(Languages, DialogTemplateTest, testing::ValuesIn(kLanguages),
                         [](const testing::TestParamInfo<LanguageCase>& info) { return info.param.name; });

} // namespace
