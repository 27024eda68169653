// The uninstaller in its home: kept when it works, replaced when asked to,
// checked by its exit code, given a second chance once.
#include "SetupRun.h"

#include "common/UniqueHandle.h"

#include <algorithm>
#include <fstream>

namespace e2e {
namespace {

// The build's uninstaller with bytes behind its image: it runs the same, and
// its file tells it apart from the copy the loader would unpack.
std::vector<unsigned char> MarkedUninstaller()
{
    std::vector<unsigned char> bytes = Bytes(BuiltUninstaller());
    const std::string mark = "placed before the run";
    bytes.insert(bytes.end(), mark.begin(), mark.end());
    return bytes;
}

bool Contains(const std::vector<std::string>& rows, const std::string& row)
{
    return std::find(rows.begin(), rows.end(), row) != rows.end();
}

struct InPlaceCase {
    const char* name;
    const char* switches;
    const char* uninstallMode; // written to setup.ini in the source folder; none when null
    bool replaced;
};

void PrintTo(const InPlaceCase& c, std::ostream* out) { *out << c.name; }

const InPlaceCase kInPlace[] = {
    {"kept", "/v", nullptr, false},
    {"kept_with_mode_0", "/v", "0", false},
    {"kept_with_negative_mode", "/v", "-1", false},
    {"replaced_by_a_switch", "/a /v", nullptr, true},
    {"replaced_by_mode_1", "/v", "1", true},
    {"replaced_by_mode_7", "/v", "7", true},
};

class WorkingUninstaller : public SetupRun, public ::testing::WithParamInterface<InPlaceCase> {};

TEST_P(WorkingUninstaller, IsKeptUnlessAReplacementIsAskedFor)
{
    const InPlaceCase& c = GetParam();
    const std::vector<unsigned char> placed = MarkedUninstaller();
    PlaceUninstaller(placed);
    if (c.uninstallMode) {
        std::ofstream ini(records_ / "setup.ini", std::ios::binary);
        ini << "[Install]\r\nUninstallMode=" << c.uninstallMode << "\r\n";
    }
    std::string source = records_.Path();
    source.pop_back();
    Start("\"" + source + "\" " + c.switches);

    auto box = driver::WaitForWindowCaption(setup_.Id(), "Wait Setup.exe", kRunBoundMs);
    ASSERT_TRUE(box) << "no wait box";
    const auto rows = ConsoleRows(7);
    EXPECT_EQ(Contains(rows, "Install VutUndo.exe: '" + uninstallerPath_ + "'"), c.replaced);
    driver::CloseMessageBox(box->window);
    ASSERT_EQ(ExitCode(), std::optional<uint32_t>(0));
    ASSERT_TRUE(AwaitHandOver());

    EXPECT_EQ(Bytes(uninstallerPath_), c.replaced ? Bytes(BuiltUninstaller()) : placed);
    EXPECT_EQ(UninstallerChecks().size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Settings, WorkingUninstaller, ::testing::ValuesIn(kInPlace),
                         [](const auto& info) { return std::string(info.param.name); });

struct CheckCase {
    const char* name;
    const char* exitCodes; // the answers of successive checks, the last repeating
    uint32_t exitCode;
    size_t checks;
};

void PrintTo(const CheckCase& c, std::ostream* out) { *out << c.name; }

const CheckCase kChecks[] = {
    {"lowest_good_code", "1001", 0, 1},
    {"highest_good_code", "1100", 0, 1},
    {"just_below", "1000", 5, 2},
    {"just_above", "1101", 5, 2},
    {"zero", "0", 5, 2},
    {"still_active_code", "259", 5, 2},
    {"good_on_second_check", "1000,1001", 0, 2},
    {"good_on_second_check_after_too_high", "1101,1100", 0, 2},
};

class UninstallerAnswer : public SetupRun, public ::testing::WithParamInterface<CheckCase> {};

TEST_P(UninstallerAnswer, DecidesTheRunWithinTwoChecks)
{
    const CheckCase& c = GetParam();
    caseCategory_ = "faults and odd places";
    Start("", {{"VUT_STANDIN_UNDO_EXIT", c.exitCodes}});
    if (c.exitCode != 0)
        CloseErrorBox(static_cast<int>(c.exitCode));
    ASSERT_EQ(ExitCode(), std::optional<uint32_t>(c.exitCode));

    const auto checks = UninstallerChecks();
    EXPECT_EQ(checks.size(), c.checks);
    EXPECT_EQ(CheckAnswers(), c.checks);
    for (const StartRecord& check : checks)
        EXPECT_EQ(check.commandLine, uninstallerPath_);
    if (c.exitCode == 0) {
        EXPECT_TRUE(AwaitHandOver());
    } else {
        EXPECT_TRUE(WizardStarts().empty());
    }
    // A rejected file is replaced once; after the second rejection it stays.
    EXPECT_EQ(Bytes(uninstallerPath_), Bytes(BuiltUninstaller()));
}

INSTANTIATE_TEST_SUITE_P(ExitCodes, UninstallerAnswer, ::testing::ValuesIn(kChecks),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(SetupRun, RejectedUninstallerIsReplacedByAFreshCopy)
{
    PlaceUninstaller(MarkedUninstaller());
    Start("/v", {{"VUT_STANDIN_UNDO_EXIT", "1000,1001"}});
    auto box = driver::WaitForWindowCaption(setup_.Id(), "Wait Setup.exe", kRunBoundMs);
    ASSERT_TRUE(box) << "no wait box";
    const auto rows = ConsoleRows(7);
    EXPECT_EQ(std::count(rows.begin(), rows.end(), "Install VutUndo.exe: '" + uninstallerPath_ + "'"), 1)
        << "unpacked in the second attempt only";
    driver::CloseMessageBox(box->window);
    ASSERT_EQ(ExitCode(), std::optional<uint32_t>(0));
    ASSERT_TRUE(AwaitHandOver());
    EXPECT_EQ(CheckAnswers(), 2u);
    EXPECT_EQ(Bytes(uninstallerPath_), Bytes(BuiltUninstaller()));
}

TEST_F(SetupRun, UninstallerThatOverrunsItsCheckIsRejectedTwice)
{
    caseCategory_ = "faults and odd places";
    const ULONGLONG started = GetTickCount64();
    // It would sleep a minute: waiting it out twice would take two, far from
    // the two 10 s checks even where starts are slow (emulated).
    Start("/s", {{"VUT_STANDIN_UNDO_SLEEP_MS", "60000"}});
    CloseErrorBox(5);
    const ULONGLONG boxAfter = GetTickCount64() - started;
    ASSERT_EQ(ExitCode(), std::optional<uint32_t>(5));

    // Two checks of 10 s each, both ended before they could answer.
    EXPECT_GE(boxAfter, 19500u);
    EXPECT_LT(boxAfter, 60000u);
    EXPECT_EQ(UninstallerChecks().size(), 2u);
    EXPECT_EQ(CheckAnswers(), 0u);
    EXPECT_TRUE(WizardStarts().empty());
    EXPECT_TRUE(driver::FileExists(uninstallerPath_)) << "the file of the second attempt stays";
}

struct HeldCase {
    const char* name;
    const char* exitCodes;
    uint32_t exitCode;
};

void PrintTo(const HeldCase& c, std::ostream* out) { *out << c.name; }

const HeldCase kHeld[] = {
    {"rejected_twice", "1000", 5},
    {"accepted_on_second_check", "1000,1001", 0},
};

class UndeletableUninstaller : public SetupRun, public ::testing::WithParamInterface<HeldCase> {};

TEST_P(UndeletableUninstaller, RunsAgainUnchanged)
{
    const HeldCase& c = GetParam();
    caseCategory_ = "faults and odd places";
    const std::vector<unsigned char> placed = MarkedUninstaller();
    PlaceUninstaller(placed);
    // Open for reading without sharing deletion: it can still be run, not removed.
    UniqueFile held(CreateFileA(uninstallerPath_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(held);
    EXPECT_FALSE(DeleteFileA(uninstallerPath_.c_str())) << "the held file must resist deletion";

    Start("", {{"VUT_STANDIN_UNDO_EXIT", c.exitCodes}});
    if (c.exitCode != 0)
        CloseErrorBox(static_cast<int>(c.exitCode));
    EXPECT_EQ(ExitCode(), std::optional<uint32_t>(c.exitCode));
    if (c.exitCode == 0) {
        EXPECT_TRUE(AwaitHandOver());
    }
    held.reset();

    const auto checks = UninstallerChecks();
    ASSERT_EQ(checks.size(), 2u);
    EXPECT_EQ(checks[0].module, uninstallerPath_);
    EXPECT_EQ(checks[1].module, uninstallerPath_);
    EXPECT_EQ(CheckAnswers(), 2u);
    EXPECT_EQ(Bytes(uninstallerPath_), placed);
}

INSTANTIATE_TEST_SUITE_P(Answers, UndeletableUninstaller, ::testing::ValuesIn(kHeld),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace e2e
