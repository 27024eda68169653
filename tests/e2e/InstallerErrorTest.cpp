// Runs of loader copies whose installer record is damaged, and of a loader
// whose temporary folder is gone: one error box each, and its number as the
// exit code.
#include "SetupRun.h"

#include "RecordDamage.h"
#include "resource_ids.h"
#include "ui/SeenMessageBox.h"

#include <algorithm>

namespace e2e {
namespace {

enum class Damage {
    Missing,
    DeclaredSizeZero,
    ShorterThanSizeField,
    FlippedDeflateData,
    WrongChecksum,
    CutShort,
    DeclaredSize2GiB,
    NotAProgram,
};

std::vector<unsigned char> SomeText()
{
    std::string text;
    for (int line = 0; line < 200; ++line)
        text += "This is a page of text, not a program.\r\n";
    return {text.begin(), text.end()};
}

// The installer record as the damage leaves it; empty when it is gone.
std::vector<unsigned char> DamagedRecord(Damage damage, std::vector<unsigned char> record)
{
    const size_t stream = record.size() - 4;
    switch (damage) {
    case Damage::Missing:
        return {};
    case Damage::DeclaredSizeZero:
        record[0] = record[1] = record[2] = record[3] = 0;
        return record;
    case Damage::ShorterThanSizeField:
        record.resize(3);
        return record;
    case Damage::FlippedDeflateData:
        for (size_t i = 4 + stream / 2; i < 4 + stream / 2 + 16; ++i)
            record[i] ^= 0xFF;
        return record;
    case Damage::WrongChecksum:
        record.back() ^= 0xFF;
        return record;
    case Damage::CutShort:
        record.resize(4 + stream / 2);
        return record;
    case Damage::DeclaredSize2GiB:
        record[0] = record[1] = record[2] = 0;
        record[3] = 0x80;
        return record;
    case Damage::NotAProgram: {
        const std::vector<unsigned char> text = SomeText();
        return PayloadRecord(static_cast<uint32_t>(text.size()), Compress(text));
    }
    }
    return record;
}

uint32_t DeclaredSize(const std::vector<unsigned char>& record)
{
    return record[0] | record[1] << 8 | record[2] << 16 | static_cast<uint32_t>(record[3]) << 24;
}

struct DamageCase {
    const char* name;
    Damage damage;
    const char* tail;
    uint32_t exitCode;
    size_t tempFilesLeft;    // in the temporary folder
    size_t windowsFilesLeft; // in the Windows folder
    bool leftAtFullSize;     // the files left have the declared size (else they are empty)
};

void PrintTo(const DamageCase& c, std::ostream* out) { *out << c.name; }

const DamageCase kDamages[] = {
    {"installer_record_missing", Damage::Missing, "", 2, 0, 0, false},
    {"declared_size_zero", Damage::DeclaredSizeZero, "/s", 2, 0, 0, false},
    {"record_shorter_than_its_size_field", Damage::ShorterThanSizeField, "", 2, 0, 0, false},
    {"flipped_deflate_data", Damage::FlippedDeflateData, "", 4, 1, 0, true},
    // The log file's last line names the error in English.
    {"wrong_checksum", Damage::WrongChecksum, "/s /log={log}", 4, 1, 0, true},
    {"stream_cut_short", Damage::CutShort, "", 4, 1, 0, true},
    {"declared_size_of_2_GiB", Damage::DeclaredSize2GiB, "/s", 1, 0, 1, false},
    {"not_a_program", Damage::NotAProgram, "", 3, 1, 0, true},
    {"not_a_program_silent", Damage::NotAProgram, "/s", 3, 1, 0, true},
};

class InstallerRecordRun : public SetupRun {
protected:
    // A loader copy carrying the installer record as `damage` leaves it; the
    // record it now carries goes to `record`.
    std::string DamagedLoader(Damage damage, std::vector<unsigned char>& record)
    {
        const std::string loader = CopyLoader();
        const auto real = driver::ReadResource(BuiltSetup(), RT_RCDATA, IDR_INSTALLER,
                                               MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL));
        EXPECT_TRUE(real && real->size() > 64) << "no installer record in the build's loader";
        if (!real || real->size() <= 64)
            return "";
        record = DamagedRecord(damage, *real);
        if (record.empty()) {
            EXPECT_TRUE(driver::RemoveResource(loader, RT_RCDATA, IDR_INSTALLER));
            EXPECT_FALSE(driver::ReadResource(loader, RT_RCDATA, IDR_INSTALLER)) << "the record is still there";
        } else {
            EXPECT_TRUE(driver::ReplaceResource(loader, RT_RCDATA, IDR_INSTALLER, record));
        }
        return loader;
    }
};

class DamagedInstaller : public InstallerRecordRun, public ::testing::WithParamInterface<DamageCase> {};

TEST_P(DamagedInstaller, ShowsOneErrorBoxAndEndsWithItsNumber)
{
    const DamageCase& c = GetParam();
    caseCategory_ = "damaged payload, real Setup.exe: chosen damage";
    std::vector<unsigned char> record;
    const std::string loader = DamagedLoader(c.damage, record);
    ASSERT_FALSE(loader.empty());
    std::string tail = c.tail;
    const std::string logFile = records_ / "quelt.log";
    const size_t logAt = tail.find("{log}");
    if (logAt != std::string::npos)
        tail.replace(logAt, 5, logFile);
    Start(tail, {}, loader);
    CloseErrorBox(static_cast<int>(c.exitCode));
    ASSERT_EQ(ExitCode(), std::optional<uint32_t>(c.exitCode));
    if (logAt != std::string::npos) {
        const auto log = driver::ReadFileBytes(logFile);
        const std::string text = log ? std::string(log->begin(), log->end()) : "";
        const std::string last = "\r\nExit code: " + std::to_string(c.exitCode) + " (" +
                                 ExpectedErrorBox(static_cast<int>(c.exitCode)).text + ")\r\n";
        EXPECT_TRUE(text.size() > last.size() && text.compare(text.size() - last.size(), last.size(), last) == 0)
            << text;
        EXPECT_NE(text.find("\r\nInstall VutSetup.exe 1: '"), std::string::npos) << text;
    }

    EXPECT_EQ(UninstallerChecks().size(), 1u) << "the uninstaller comes first";
    EXPECT_TRUE(WizardStarts().empty());
    const auto temp = NewTempFiles(TempFolder());
    const auto windows = NewTempFiles(WindowsFolder());
    EXPECT_EQ(temp.size(), c.tempFilesLeft);
    EXPECT_EQ(windows.size(), c.windowsFilesLeft);
    // A file sized in advance holds what zlib inflates before the damage;
    // damaged data may inflate to more than the record declares.
    driver::Inflated inflated;
    if (c.leftAtFullSize)
        inflated = driver::InflateWhole(record.data() + 4, record.size() - 4);
    for (const auto* files : {&temp, &windows}) {
        for (const std::string& file : *files) {
            const auto bytes = Bytes(file);
            if (!c.leftAtFullSize) {
                EXPECT_TRUE(bytes.empty()) << file;
                continue;
            }
            EXPECT_EQ(bytes.size(), std::max<size_t>(DeclaredSize(record), inflated.output.size())) << file;
            ASSERT_GE(bytes.size(), inflated.output.size()) << file;
            EXPECT_TRUE(std::equal(inflated.output.begin(), inflated.output.end(), bytes.begin()))
                << file << " does not hold the bytes inflated";
            if (c.damage == Damage::NotAProgram) {
                EXPECT_EQ(bytes, SomeText());
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Records, DamagedInstaller, ::testing::ValuesIn(kDamages),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(InstallerRecordRun, OversizedInstallerTriesTheTemporaryThenTheWindowsFolder)
{
    caseCategory_ = "faults and odd places";
    std::vector<unsigned char> record;
    const std::string loader = DamagedLoader(Damage::DeclaredSize2GiB, record);
    ASSERT_FALSE(loader.empty());
    Start("/v", {}, loader);
    const auto box = driver::WaitForWindowCaption(setup_.Id(), ExpectedErrorBox(1).caption, kRunBoundMs);
    ASSERT_TRUE(box) << "no error box";
    const auto rows = ConsoleRows(7);
    CloseErrorBox(1);
    ASSERT_EQ(ExitCode(), std::optional<uint32_t>(1u));

    // The private folder's name was given up with its folder; the Windows
    // folder's stays, empty, as before.
    EXPECT_TRUE(NewTempFiles(TempFolder()).empty());
    const auto windows = NewTempFiles(WindowsFolder());
    ASSERT_EQ(windows.size(), 1u);
    ASSERT_EQ(rows.size(), 7u);
    const std::string first = "Install VutSetup.exe 1: '";
    ASSERT_EQ(rows[5].compare(0, first.size(), first), 0) << rows[5];
    const std::string given = rows[5].substr(first.size(), rows[5].size() - first.size() - 1);
    EXPECT_TRUE(IsInstallerTempName(given, TempFolder())) << given;
    EXPECT_FALSE(driver::DirectoryExists(FolderOf(given))) << "a private folder given up is removed";
    const std::string loaderFolder = FolderOf(loader);
    const auto expected = Lines(LogHead("/v", loaderFolder), {
        rows[5],
        "Install VutSetup.exe 2: '" + *windows.begin() + "'",
    });
    EXPECT_EQ(rows, expected);
}

// A deployment tool's SYSTEM run, on a window station no one is shown: a box
// there could never be closed, so none is shown and the run ends with its code
// (a box would hold it until it is killed). Where it is seen, the cases above
// show the same runs' boxes.
TEST_F(InstallerRecordRun, OnAWindowStationNoOneSeesTheRunEndsWithItsCodeAndNoBox)
{
    caseCategory_ = "faults and odd places";
    std::vector<unsigned char> record;
    const std::string loader = DamagedLoader(Damage::WrongChecksum, record);
    ASSERT_FALSE(loader.empty());
    const driver::HiddenDesktop hidden;
    ASSERT_FALSE(hidden.Name().empty()) << "no window station of the test's own";
    const HWINSTA own = GetProcessWindowStation();
    ASSERT_TRUE(SetProcessWindowStation(hidden.Station()));
    const bool hiddenSeen = WindowStationIsVisible();
    ASSERT_TRUE(SetProcessWindowStation(own));
    EXPECT_FALSE(hiddenSeen);
    EXPECT_TRUE(WindowStationIsVisible());

    // The error box of a silent and of a verbose run, and the usage box.
    for (const auto& [tail, code] : {std::pair<std::string, uint32_t>{"/s", 4}, {"/v", 4}, {"/?", 1001}}) {
        driver::StartOptions options = LoaderStart(loader, tail, records_.Path());
        options.desktop = hidden.Name();
        driver::Process run;
        ASSERT_TRUE(run.Start(options)) << tail;
        EXPECT_EQ(run.Wait(kRunBoundMs), std::optional<uint32_t>(code)) << tail << " waited on a box no one sees";
        run.Kill();
    }
    caseOutcome_ = "exit 4, 4 and 1001, no box";
}

// TMP and TEMP come from the user's registry, which the user's unelevated
// programs write: they do not move the wizard. Only where no private folder
// can be made under the Windows folder's Temp (missing, or a file in its
// place) is the Windows folder used, with log line 7 alone.
enum class WindowsTemp { AsItIs, Missing, AFile };

class WizardPlace : public SetupRun, public ::testing::WithParamInterface<WindowsTemp> {};

TEST_P(WizardPlace, FollowsTheWindowsFolderNeverTheEnvironment)
{
    caseCategory_ = "faults and odd places";
    const std::string windowsTemp = TempFolder().substr(0, TempFolder().size() - 1), aside = windowsTemp + ".aside";
    struct PutBack {
        std::string temp, aside;
        ~PutBack()
        {
            if (driver::DirectoryExists(aside)) {
                DeleteFileA(temp.c_str());
                MoveFileA(aside.c_str(), temp.c_str());
            }
        }
    } putBack{windowsTemp, aside};
    if (GetParam() != WindowsTemp::AsItIs)
        ASSERT_TRUE(MoveFileA(windowsTemp.c_str(), aside.c_str()));
    if (GetParam() == WindowsTemp::AFile)
        ASSERT_TRUE(driver::WriteFileBytes(windowsTemp, {'x'}));
    const std::string missing = "C:\\no-such-folder-of-the-tests";
    ASSERT_FALSE(driver::DirectoryExists(missing));
    Start("/v", {{"TEMP", missing}, {"TMP", missing}});
    const auto box = driver::WaitForWindowCaption(setup_.Id(), "Wait Setup.exe", kRunBoundMs);
    ASSERT_TRUE(box) << "no wait box";
    const auto started = AwaitHandOver();
    ASSERT_TRUE(started);
    const auto& [wizard, handOver] = *started;
    const std::string temp = wizard.module;
    const bool inPrivate = GetParam() == WindowsTemp::AsItIs;
    EXPECT_TRUE(IsInstallerTempName(temp, inPrivate ? TempFolder() : WindowsFolder())) << temp;

    const std::string loaderFolder = FolderOf(BuiltSetup());
    const std::string wizardLine = "\"" + loaderFolder + "VutSetup.exe\" " + loaderFolder + " /v";
    const std::string tempLine = std::string("Install VutSetup.exe ") + (inPrivate ? "1" : "2") + ": '" + temp + "'";
    const auto expected = Lines(Lines(LogHead("/v", loaderFolder), {tempLine}), RunLines(wizard, wizardLine));
    EXPECT_EQ(ConsoleRows(expected.size()), expected);
    driver::CloseMessageBox(box->window);
    EXPECT_EQ(ExitCode(), std::optional<uint32_t>(0));
    EXPECT_EQ(wizard.commandLine, wizardLine);
    EXPECT_FALSE(driver::FileExists(temp)) << "the hand-over removes the temporary wizard";
}

INSTANTIATE_TEST_SUITE_P(WindowsTempFolder, WizardPlace,
                         ::testing::Values(WindowsTemp::AsItIs, WindowsTemp::Missing, WindowsTemp::AFile));

} // namespace
} // namespace e2e
