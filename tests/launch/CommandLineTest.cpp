#include "launch/CommandLine.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

struct HelpCase {
    const char* tail;
    bool help;
};

class HelpRequestTest : public ::testing::TestWithParam<HelpCase> {};

TEST_P(HelpRequestTest, LooksForSlashQuestionMarkAnywhere)
{
    EXPECT_EQ(IsHelpRequest(GetParam().tail), GetParam().help) << GetParam().tail;
}

INSTANTIATE_TEST_SUITE_P(Cases, HelpRequestTest,
                         ::testing::Values(HelpCase{"/?", true}, HelpCase{"x/?y", true},
                                           HelpCase{"D:\\inst /s /?", true},
                                           HelpCase{"\"C:\\odd/?dir\" /s", true}, // inside quotes too
                                           HelpCase{"\"unclosed /?", true},
                                           HelpCase{"", false}, HelpCase{"/s /v /a", false},
                                           HelpCase{"/ ?", false}, HelpCase{"?/", false},
                                           HelpCase{"/h", false}));

constexpr size_t Capacity = MAX_PATH;
constexpr char Canary = '\x5A';

struct TokenCase {
    const char* name;
    std::string tail;
    std::string token;
    size_t restAt; // offset of the rest in the tail
    bool unclosed;
};

class FirstTokenTest : public ::testing::TestWithParam<TokenCase> {};

TEST_P(FirstTokenTest, CopiesTheTokenAndFindsTheRest)
{
    const TokenCase& c = GetParam();
    char buffer[Capacity + 32];
    std::memset(buffer, 0, Capacity);
    std::memset(buffer + Capacity, Canary, sizeof buffer - Capacity);

    const FirstToken result = ReadFirstToken(c.tail.c_str(), buffer, Capacity);

    EXPECT_EQ(std::string(buffer), c.token);
    EXPECT_EQ(result.Unclosed, c.unclosed);
    if (!c.unclosed) {
        EXPECT_EQ(result.Rest, c.tail.c_str() + c.restAt);
    }
    for (size_t i = Capacity; i < sizeof buffer; ++i)
        ASSERT_EQ(buffer[i], Canary) << "written past the buffer at " << i;
}

const std::string Long300(300, 'x');

INSTANTIATE_TEST_SUITE_P(
    Cases, FirstTokenTest,
    ::testing::Values(TokenCase{"SlashFirst", "/s /v", "", 0, false},
                      TokenCase{"BlankEnds", "D:\\inst /s", "D:\\inst", 8, false},
                      TokenCase{"SlashEndsWithoutBlank", "D:\\inst/v", "D:\\inst", 7, false},
                      TokenCase{"BlankWinsOverEarlierSlash", "D:\\a/s /v", "D:\\a/s", 7, false},
                      TokenCase{"TabDoesNotEnd", "D:\\a\tb /s", "D:\\a\tb", 7, false},
                      TokenCase{"WholeTail", "inst", "inst", 4, false},
                      TokenCase{"LeadingBlank", " /s", "", 1, false},
                      TokenCase{"Quoted", "\"C:\\my dir\" /a", "C:\\my dir", 11, false},
                      TokenCase{"QuotedGlued", "\"C:\\my dir\"/a", "C:\\my dir", 11, false},
                      TokenCase{"QuotedAtEnd", "\"C:\\my dir\"", "C:\\my dir", 11, false},
                      TokenCase{"BackslashBeforeQuoteIsPlain", "\"C:\\dir\\\" /s", "C:\\dir\\", 9, false},
                      TokenCase{"EmptyQuotesKeepClosingQuote", "\"\" /v", "", 1, false},
                      TokenCase{"Unclosed", "\"C:\\my dir /s", "", 0, true},
                      TokenCase{"LongTokenCut", Long300 + " /s", Long300.substr(0, 259), 301, false},
                      TokenCase{"LongQuotedTokenCut", "\"" + Long300 + "\" /s", Long300.substr(0, 259), 302,
                                false},
                      TokenCase{"ExactlyFits", std::string(259, 'y') + "/a", std::string(259, 'y'), 259,
                                false}),
    [](const ::testing::TestParamInfo<TokenCase>& info) { return info.param.name; });

struct SwitchCase {
    std::string rest;
    bool silent;
    bool reinstall;
    bool verbose;
    bool wait = false;
    std::string logPath = "";
};

class SwitchScanTest : public ::testing::TestWithParam<SwitchCase> {};

TEST_P(SwitchScanTest, SetsEachSwitchWhoseTextOccurs)
{
    const SwitchCase& c = GetParam();
    LaunchOptions options;
    ScanSwitches(c.rest.c_str(), options);
    EXPECT_EQ(options.Silent, c.silent) << c.rest;
    EXPECT_EQ(options.ReinstallUndo, c.reinstall) << c.rest;
    EXPECT_EQ(options.Verbose, c.verbose) << c.rest;
    EXPECT_EQ(options.WaitForInstaller, c.wait) << c.rest;
    EXPECT_EQ(std::string(options.LogPath), c.logPath) << c.rest;
}

INSTANTIATE_TEST_SUITE_P(Cases, SwitchScanTest,
                         ::testing::Values(SwitchCase{"", false, false, false},
                                           SwitchCase{"/s", true, false, false},
                                           SwitchCase{"/v /a /s", true, true, true},
                                           SwitchCase{"/silent /verbose", true, false, true},
                                           SwitchCase{"x/ay", false, true, false},
                                           SwitchCase{"/S /A /V", false, false, false},
                                           SwitchCase{"s a v / s", false, false, false},
                                           SwitchCase{"/w", false, false, false, true},
                                           SwitchCase{"/w/s", true, false, false, true},
                                           SwitchCase{"/W /wait", false, false, false, true},
                                           SwitchCase{"/s /w /log=C:\\logs\\quelt.log", true, false, false, true,
                                                      "C:\\logs\\quelt.log"},
                                           SwitchCase{"/log=\"C:\\Deploy Logs\\q.log\"/v", false, false, true, false,
                                                      "C:\\Deploy Logs\\q.log"},
                                           // The log's path is not searched for switches.
                                           SwitchCase{"/log=C:\\logs/setup/vut/a.log /w", false, false, false, true,
                                                      "C:\\logs/setup/vut/a.log"},
                                           // Unclosed or empty: no log, the rest searched as a whole.
                                           SwitchCase{"/log=\"C:\\x /s", true, false, false},
                                           SwitchCase{"/log= /a", false, true, false},
                                           // Too long for a path: refused, never cut to another file.
                                           SwitchCase{"/log=C:\\" + Long300 + " /v", false, false, true},
                                           SwitchCase{"/log=C:\\" + std::string(256, 'l') + " /v", false, false, true,
                                                      false, "C:\\" + std::string(256, 'l')}));

struct IniCase {
    std::string sourceDir;
    std::string iniPath;
};

class BuildIniPathTest : public ::testing::TestWithParam<IniCase> {};

TEST_P(BuildIniPathTest, AppendsSetupIniBehindOneBackslash)
{
    char buffer[Capacity + 32];
    std::memset(buffer, 0, Capacity);
    std::memset(buffer + Capacity, Canary, sizeof buffer - Capacity);
    BuildIniPath(GetParam().sourceDir.c_str(), buffer, Capacity);
    EXPECT_EQ(std::string(buffer), GetParam().iniPath);
    for (size_t i = Capacity; i < sizeof buffer; ++i)
        ASSERT_EQ(buffer[i], Canary);
}

INSTANTIATE_TEST_SUITE_P(Cases, BuildIniPathTest,
                         ::testing::Values(IniCase{"D:\\inst\\", "D:\\inst\\setup.ini"},
                                           IniCase{"D:\\inst", "D:\\inst\\setup.ini"},
                                           IniCase{"C:\\", "C:\\setup.ini"},
                                           IniCase{std::string(250, 'p'), std::string(250, 'p') + "\\setup.in"},
                                           IniCase{std::string(249, 'p') + "\\",
                                                   std::string(249, 'p') + "\\setup.ini"},
                                           IniCase{std::string(259, 'p'), std::string(259, 'p')}));

} // namespace
