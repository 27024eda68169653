// Faults and odd places: a file where the uninstaller's folder belongs, an
// uninstaller held open by another process, a loader folder at the path
// limit and at a drive's root, folders named in the Central European code
// page, and a Program Files folder with blanks and parentheses. Each run ends
// with its exact exit code and boxes, passes the exact bytes on, and leaves
// only the files the launch sequence names.
#include "SetupRun.h"

#include "CaseLog.h"
#include "OddPlaces.h"
#include "common/UniqueHandle.h"

#include <algorithm>

namespace e2e {
namespace {

constexpr char kCategory[] = "faults and odd places";
constexpr UINT kCentralEuropean = 1250;

std::vector<unsigned char> TextBytes(const std::string& text) { return {text.begin(), text.end()}; }

// The build's uninstaller with bytes behind its image: it runs the same, and
// its file tells it apart from the copy the loader would unpack.
std::vector<unsigned char> MarkedUninstaller()
{
    std::vector<unsigned char> bytes = Bytes(BuiltUninstaller());
    const std::string mark = "placed before the run";
    bytes.insert(bytes.end(), mark.begin(), mark.end());
    return bytes;
}

// A settings file that asks for a fresh uninstaller: whether the loader read
// it shows in the uninstaller's bytes after the run.
const std::vector<unsigned char> kReplaceSettings = TextBytes("[Install]\r\nUninstallMode=1\r\n");

std::string InstallerLine(const std::string& folder, const std::string& switches)
{
    return "\"" + folder + "VutSetup.exe\" " + folder + switches;
}

// A run of the loader whose end goes to the case log, with a check of every
// file it leaves in the places it touches.
class OddPlaceRun : public SetupRun {
protected:
    void TearDown() override
    {
        if (!caseName_.empty()) {
            const auto exit = setup_.Wait(0);
            driver::LogCaseEnd({kCategory, caseName_, exit ? "exit " + std::to_string(*exit) : "did not end",
                                driver::NowMs() - caseStartMs_, caseLeft_});
        }
        SetupRun::TearDown();
        // Names the scratch folders' own removal cannot spell.
        for (const std::wstring& folder : wideFolders_)
            EXPECT_TRUE(odd::RemoveTreeW(folder)) << odd::Narrow(folder, CP_UTF8);
        // The console host of a verbose run can hold its current directory
        // for a moment after the run has ended.
        EXPECT_TRUE(driver::WaitUntil(
            [&] { return driver::RemoveTree(records_.Path()) && driver::RemoveTree(loaderFolder_.Path()); },
            kWindowBoundMs))
            << "cannot remove " << records_.Path() << " and " << loaderFolder_.Path();
    }

    void BeginCase(const std::string& name)
    {
        caseName_ = name;
        caseStartMs_ = driver::NowMs();
    }

    // Starts `loader` like SetupRun::Start, from `currentDirectory`.
    void StartFrom(const std::string& currentDirectory, const std::string& loader, const std::string& tail,
                   std::map<std::string, std::string> environment = {})
    {
        driver::StartOptions options = LoaderStart(loader, tail, records_.Path(), std::move(environment));
        options.currentDirectory = currentDirectory;
        ASSERT_TRUE(setup_.Start(options)) << "cannot start " << loader;
    }

    // Starts `loader` with the exact UTF-16 `commandLine` from `currentDirectory`
    // under `locale`, like Start otherwise; `environment` is added.
    void StartWide(const char* locale, const std::wstring& loader, const std::wstring& commandLine,
                   const std::wstring& currentDirectory, std::map<std::wstring, std::wstring> environment = {})
    {
        environment[L"VUT_STANDIN_LOG"] = odd::Wide(records_.Path());
        environment[L"VUT_STANDIN_SETUP_NO_WINDOW"] = L"1";
        const odd::LocaleStart start{locale, loader, commandLine, currentDirectory, environment,
                                     {L"VUT_STANDIN_UNDO_EXIT", L"VUT_STANDIN_UNDO_SLEEP_MS"}, records_.Path()};
        auto process = odd::StartUnderLocale(start, kWindowBoundMs);
        ASSERT_TRUE(process) << "cannot start the loader under " << locale;
        setup_ = std::move(*process);
    }

    // Checks that `folder` holds exactly `expected`, and notes what else it holds.
    void ExpectFiles(const std::wstring& folder, const std::set<std::wstring>& expected)
    {
        const std::set<std::wstring> found = odd::FilesUnder(folder);
        EXPECT_EQ(odd::Listing(found), odd::Listing(expected)) << "in " << odd::Narrow(folder, CP_UTF8);
        std::set<std::wstring> extra;
        for (const std::wstring& file : found) {
            if (!expected.count(file))
                extra.insert(folder + file);
        }
        NoteLeft(odd::Listing(extra));
    }

    // No installer file of this run left in the usual temporary folder or the Windows folder.
    void ExpectNoTempFilesLeft()
    {
        for (const std::string& folder : {TempFolder(), WindowsFolder()}) {
            std::set<std::wstring> left;
            for (const std::string& file : NewTempFiles(folder))
                left.insert(odd::Wide(file));
            EXPECT_TRUE(left.empty()) << odd::Listing(left);
            NoteLeft(odd::Listing(left));
        }
    }

    void NoteLeft(const std::string& what)
    {
        if (!what.empty())
            caseLeft_ += (caseLeft_.empty() ? "" : ", ") + what;
    }

    // The console's rows against `lines`, as a console of its width wraps them.
    void ExpectLog(const std::vector<std::string>& lines)
    {
        const auto console = driver::ReadConsoleOf(setup_.Id());
        ASSERT_TRUE(console && console->width > 0) << "no console to measure";
        const std::vector<std::string> expected = odd::WrappedRows(lines, console->width);
        EXPECT_EQ(odd::NonEmptyRows(ConsoleRows(expected.size())), expected);
    }

    // After a start: a verbose run's wait box (left open, so that its console
    // can still be read), then the wizard's and the hand-over's records.
    std::optional<std::pair<StartRecord, StartRecord>> AwaitRun(bool verbose, std::optional<driver::WindowInfo>& box)
    {
        if (verbose) {
            box = driver::WaitForWindowCaption(setup_.Id(), "Wait Setup.exe", kRunBoundMs);
            EXPECT_TRUE(box) << "no wait box";
            if (!box) {
                for (const auto& w : driver::WindowsOf(setup_.Id()))
                    ADD_FAILURE() << "shown instead: \"" << w.caption << "\": " << w.text;
                return std::nullopt;
            }
        }
        return AwaitHandOver();
    }

    // The log's last lines of a run that started the wizard with `wizardLine`.
    std::vector<std::string> StartedLog(const StartRecord& wizard, const std::string& wizardLine) const
    {
        return Lines({"Install VutSetup.exe 1: '" + wizard.module + "'"}, RunLines(wizard, wizardLine));
    }

    std::string caseName_;
    double caseStartMs_ = 0;
    std::string caseLeft_;
    std::vector<std::wstring> wideFolders_; // removed after the run, before the scratch folders
};

// --- The uninstaller's folder name taken by a file --------------------------

struct QueltFileCase {
    const char* name;
    const char* tail;
};

void PrintTo(const QueltFileCase& c, std::ostream* out) { *out << c.name; }

const QueltFileCase kQueltFiles[] = {
    {"quelt_is_a_file", ""},
    {"quelt_is_a_file_replace_asked_verbose", "/a /v"},
};

class QueltIsAFile : public OddPlaceRun, public ::testing::WithParamInterface<QueltFileCase> {};

TEST_P(QueltIsAFile, UninstallerCannotBePlacedAndTheFileStaysUntouched)
{
    const QueltFileCase& c = GetParam();
    BeginCase(c.name);
    const std::vector<unsigned char> content = TextBytes("Quelt: a file of another program\r\n");
    ASSERT_TRUE(driver::WriteFileBytes(uninstallerHome_, content));
    const bool verbose = std::string(c.tail).find("/v") != std::string::npos;

    // The answer is counted only while the control is set.
    Start(c.tail, {{"VUT_STANDIN_UNDO_EXIT", "1001"}});
    const auto box = driver::WaitForWindowCaption(setup_.Id(), ExpectedErrorBox(5).caption, kRunBoundMs);
    ASSERT_TRUE(box) << "no error box";
    if (verbose) {
        // Lines 1 to 4 only: no uninstaller file was ever created.
        std::vector<std::string> head = LogHead(c.tail, FolderOf(BuiltSetup()));
        head.pop_back();
        ExpectLog(head);
    }
    CloseErrorBox(5);
    EXPECT_EQ(ExitCode(), std::optional<uint32_t>(5u));

    EXPECT_TRUE(UninstallerStarts().empty()) << "nothing could be started from under a file";
    EXPECT_EQ(CheckAnswers(), 0u);
    EXPECT_TRUE(WizardStarts().empty());
    EXPECT_TRUE(driver::FileExists(uninstallerHome_)) << "the file must stay a file";
    EXPECT_EQ(Bytes(uninstallerHome_), content);
    ExpectNoTempFilesLeft();
}

INSTANTIATE_TEST_SUITE_P(Tails, QueltIsAFile, ::testing::ValuesIn(kQueltFiles),
                         [](const auto& info) { return std::string(info.param.name); });

// --- The uninstaller held open by another process -----------------------------

struct HeldCase {
    const char* name;
    DWORD access;     // of the other process's handle; it shares reading only
    const char* tail;
    uint32_t exitCode;
    size_t checks;    // uninstaller checks that started, each of them answering
};

void PrintTo(const HeldCase& c, std::ostream* out) { *out << c.name; }

const HeldCase kHeld[] = {
    // Reading leaves it runnable: the replacement fails and the old file passes its check.
    {"held_for_reading_replace_asked_verbose", GENERIC_READ, "/a /v", 0, 1},
    // Writing keeps it from starting and from being deleted: both attempts fail.
    {"held_for_writing", GENERIC_READ | GENERIC_WRITE, "", 5, 0},
    {"held_for_writing_replace_asked_verbose", GENERIC_READ | GENERIC_WRITE, "/a /v", 5, 0},
};

class HeldUninstaller : public OddPlaceRun, public ::testing::WithParamInterface<HeldCase> {};

TEST_P(HeldUninstaller, IsUsedAsItIsOrFailsUnchanged)
{
    const HeldCase& c = GetParam();
    BeginCase(c.name);
    const std::vector<unsigned char> placed = MarkedUninstaller();
    PlaceUninstaller(placed);
    UniqueFile held(CreateFileA(uninstallerPath_.c_str(), c.access, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(held);
    ASSERT_FALSE(DeleteFileA(uninstallerPath_.c_str())) << "the held file must resist deletion";
    const bool verbose = std::string(c.tail).find("/v") != std::string::npos;
    std::vector<std::string> head = LogHead(c.tail, FolderOf(BuiltSetup()));
    head.pop_back(); // never unpacked: no "Install VutUndo.exe" line

    Start(c.tail, {{"VUT_STANDIN_UNDO_EXIT", "1001"}});
    if (c.exitCode == 0) {
        std::optional<driver::WindowInfo> box;
        const auto started = AwaitRun(verbose, box);
        ASSERT_TRUE(started);
        const auto& [wizard, handOver] = *started;
        EXPECT_EQ(handOver.module, uninstallerPath_);
        EXPECT_EQ(handOver.commandLine, HandOverLine(wizard));
        const std::string wizardLine = InstallerLine(FolderOf(BuiltSetup()), verbose ? " /v" : "");
        EXPECT_EQ(wizard.commandLine, wizardLine);
        if (verbose) {
            ExpectLog(Lines(head, StartedLog(wizard, wizardLine)));
            driver::CloseMessageBox(box->window);
        }
    } else {
        const auto box = driver::WaitForWindowCaption(setup_.Id(), ExpectedErrorBox(5).caption, kRunBoundMs);
        ASSERT_TRUE(box) << "no error box";
        if (verbose)
            ExpectLog(head);
        CloseErrorBox(5);
        EXPECT_TRUE(WizardStarts().empty());
    }
    EXPECT_EQ(ExitCode(), std::optional<uint32_t>(c.exitCode));
    held.reset();

    EXPECT_EQ(UninstallerChecks().size(), c.checks);
    EXPECT_EQ(CheckAnswers(), c.checks);
    EXPECT_TRUE(Bytes(uninstallerPath_) == placed) << "the held file is never replaced";
    ExpectFiles(odd::Wide(uninstallerHome_ + "\\"), {L"vutundo.exe"});
    ExpectNoTempFilesLeft();
}

INSTANTIATE_TEST_SUITE_P(Handles, HeldUninstaller, ::testing::ValuesIn(kHeld),
                         [](const auto& info) { return std::string(info.param.name); });

// --- A loader folder at the path limit ----------------------------------------

struct LongFolderCase {
    const char* name;
    size_t folderLength;  // with its trailing backslash
    const char* loader;   // the loader's file name: its path is 259 characters long
    const char* tail;
    bool fromFolder;      // the folder is also the current directory
    const char* settings; // the name the settings path ends with, once cut to 259 characters
};

void PrintTo(const LongFolderCase& c, std::ostream* out) { *out << c.name; }

const LongFolderCase kLongFolders[] = {
    // "setup.ini" fills the settings path to its last character.
    {"folder_of_250_no_arguments", 250, "Setup.exe", "", true, "setup.ini"},
    // The settings path is cut to "...\setup"; the wizard's line of 526
    // characters with " /v" is longer than the classic 524 buffer.
    {"folder_of_254_no_arguments", 254, "S.exe", "", true, "setup"},
    {"folder_of_254_verbose", 254, "S.exe", "/v", false, "setup"},
    // A one-letter name leaves a directory part of 256 characters, one more
    // than the C runtime's split holds; the folder must still come through.
    {"folder_of_258_verbose", 258, "L", "/v", false, "s"},
};

class LongLoaderFolder : public OddPlaceRun, public ::testing::WithParamInterface<LongFolderCase> {
protected:
    // A folder of `length` characters, trailing backslash included, inside the loader folder.
    std::string MakeFolder(size_t length)
    {
        std::string folder = loaderFolder_.Path();
        const size_t room = length - folder.size() - 1;
        std::string name = "a-long-folder-name-";
        while (name.size() < room)
            name += static_cast<char>('a' + name.size() % 26);
        name.resize(room);
        folder += name + "\\";
        EXPECT_TRUE(CreateDirectoryA(folder.c_str(), nullptr)) << folder;
        return folder;
    }
};

TEST_P(LongLoaderFolder, WizardGetsTheWholeFolderTwiceAndTheSettingsPathIsCut)
{
    const LongFolderCase& c = GetParam();
    BeginCase(c.name);
    const std::string folder = MakeFolder(c.folderLength);
    ASSERT_EQ(folder.size(), c.folderLength);
    const std::string loader = folder + c.loader;
    ASSERT_EQ(loader.size(), 259u);
    ASSERT_TRUE(CopyFileA(BuiltSetup().c_str(), loader.c_str(), FALSE)) << "cannot copy the loader";
    const std::string settings = folder + c.settings;
    ASSERT_EQ(settings.size(), 259u);
    ASSERT_TRUE(driver::WriteFileBytes(settings, kReplaceSettings));
    PlaceUninstaller(MarkedUninstaller());
    const bool verbose = std::string(c.tail) == "/v";

    StartFrom(c.fromFolder ? folder : records_.Path(), loader, c.tail);
    std::optional<driver::WindowInfo> box;
    const auto started = AwaitRun(verbose, box);
    ASSERT_TRUE(started);
    const auto& [wizard, handOver] = *started;

    const std::string wizardLine = InstallerLine(folder, verbose ? " /v" : "");
    EXPECT_EQ(wizardLine.size(), 2 * c.folderLength + 15 + (verbose ? 3 : 0));
    EXPECT_EQ(wizard.commandLine, wizardLine);
    EXPECT_TRUE(IsInstallerTempName(wizard.module, TempFolder())) << wizard.module;
    EXPECT_EQ(handOver.module, uninstallerPath_);
    EXPECT_EQ(handOver.commandLine, HandOverLine(wizard));
    if (verbose) {
        ExpectLog(Lines({
            c.tail,
            folder,
            settings,
            "GetParams:1",
            "Install VutUndo.exe: '" + uninstallerPath_ + "'",
        }, StartedLog(wizard, wizardLine)));
        driver::CloseMessageBox(box->window);
    }
    EXPECT_EQ(ExitCode(), std::optional<uint32_t>(0u));

    EXPECT_TRUE(Bytes(uninstallerPath_) == Bytes(BuiltUninstaller()))
        << "not replaced: the settings were not read from " << settings;
    ExpectFiles(odd::Wide(folder), {odd::Wide(c.loader), odd::Wide(c.settings)});
    ExpectFiles(odd::Wide(uninstallerHome_ + "\\"), {L"vutundo.exe"});
    ExpectNoTempFilesLeft();
}

INSTANTIATE_TEST_SUITE_P(Lengths, LongLoaderFolder, ::testing::ValuesIn(kLongFolders),
                         [](const auto& info) { return std::string(info.param.name); });

// --- A loader at a drive's root ---------------------------------------------

struct DriveRootCase {
    const char* name;
    const char* tail;
    bool fromRoot; // the root is also the current directory
};

void PrintTo(const DriveRootCase& c, std::ostream* out) { *out << c.name; }

const DriveRootCase kDriveRoots[] = {
    {"drive_root_verbose", "/v", false},
    {"drive_root_no_arguments", "", true},
};

class LoaderAtDriveRoot : public OddPlaceRun, public ::testing::WithParamInterface<DriveRootCase> {
protected:
    void TearDown() override
    {
        OddPlaceRun::TearDown();
        drive_.reset(); // before its folder goes
    }

    driver::ScratchDir rootFolder_{"root"};
    std::optional<odd::WineDrive> drive_;
};

TEST_P(LoaderAtDriveRoot, FolderIsTheRootWithItsOneBackslash)
{
    const DriveRootCase& c = GetParam();
    BeginCase(c.name);
    ASSERT_FALSE(rootFolder_.Path().empty());
    drive_.emplace(rootFolder_.Path());
    const std::string root = drive_->Root();
    ASSERT_FALSE(root.empty()) << "no drive letter could be mapped";
    ASSERT_EQ(root.size(), 3u);
    const std::string loader = root + "Setup.exe";
    ASSERT_TRUE(CopyFileA(BuiltSetup().c_str(), loader.c_str(), FALSE)) << "cannot copy the loader";
    ASSERT_TRUE(driver::WriteFileBytes(root + "setup.ini", kReplaceSettings));
    PlaceUninstaller(MarkedUninstaller());
    const bool verbose = std::string(c.tail) == "/v";

    StartFrom(c.fromRoot ? root : records_.Path(), loader, c.tail);
    std::optional<driver::WindowInfo> box;
    const auto started = AwaitRun(verbose, box);
    ASSERT_TRUE(started);
    const auto& [wizard, handOver] = *started;

    const std::string wizardLine = InstallerLine(root, verbose ? " /v" : "");
    EXPECT_EQ(wizard.commandLine, "\"" + root + "VutSetup.exe\" " + root + (verbose ? " /v" : ""));
    EXPECT_EQ(handOver.commandLine, HandOverLine(wizard));
    if (verbose) {
        ExpectLog(Lines(LogHead(c.tail, root), StartedLog(wizard, wizardLine)));
        driver::CloseMessageBox(box->window);
    }
    EXPECT_EQ(ExitCode(), std::optional<uint32_t>(0u));

    EXPECT_TRUE(Bytes(uninstallerPath_) == Bytes(BuiltUninstaller()))
        << "not replaced: the settings were not read from " << root << "setup.ini";
    ExpectFiles(odd::Wide(root), {L"Setup.exe", L"setup.ini"});
    ExpectFiles(odd::Wide(uninstallerHome_ + "\\"), {L"vutundo.exe"});
    ExpectNoTempFilesLeft();
}

INSTANTIATE_TEST_SUITE_P(Tails, LoaderAtDriveRoot, ::testing::ValuesIn(kDriveRoots),
                         [](const auto& info) { return std::string(info.param.name); });

// --- Folders named in the Central European code page ----------------------------

struct CodePageCase {
    const char* name;
    const char* locale;        // Wine takes code page 1250 from it, and the interface language
    const wchar_t* loaderName; // of the loader's folder
    const wchar_t* tempName;   // of the temporary folder
};

void PrintTo(const CodePageCase& c, std::ostream* out) { *out << c.name; }

const CodePageCase kCodePages[] = {
    {"czech_folders_czech_interface", "cs_CZ.UTF-8", L"Instalace Příliš žluťoučký kůň",
     L"Dočasné úpěl ďábelské ódy"},
    {"polish_folders_polish_interface", "pl_PL.UTF-8", L"Instalacja Zażółć gęślą jaźń",
     L"Tymczasowe źdźbło łódź"},
};

class CodePageFolders : public OddPlaceRun, public ::testing::WithParamInterface<CodePageCase> {};

TEST_P(CodePageFolders, BytesReachTheChildrenAndTheLogUnchanged)
{
    const CodePageCase& c = GetParam();
    BeginCase(c.name);
    const std::wstring loaderFolder = odd::Wide(loaderFolder_.Path()) + c.loaderName + L"\\";
    const std::wstring tempFolder = odd::Wide(records_.Path()) + c.tempName + L"\\";
    wideFolders_ = {loaderFolder, tempFolder};
    ASSERT_TRUE(CreateDirectoryW(loaderFolder.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW(tempFolder.c_str(), nullptr));
    const std::wstring loader = loaderFolder + L"Setup.exe";
    ASSERT_TRUE(CopyFileW(odd::Wide(BuiltSetup()).c_str(), loader.c_str(), FALSE)) << "cannot copy the loader";

    // What the loader holds of both folders: their bytes in code page 1250.
    bool lossless = false;
    const std::string folder = odd::Narrow(loaderFolder, kCentralEuropean, &lossless);
    ASSERT_TRUE(lossless);
    const std::string temp = odd::Narrow(tempFolder, kCentralEuropean, &lossless);
    ASSERT_TRUE(lossless);
    ASSERT_TRUE(std::any_of(folder.begin(), folder.end(), [](char b) { return (b & 0x80) != 0; }));

    std::wstring tempVariable = tempFolder;
    tempVariable.pop_back();
    StartWide(c.locale, loader, L"\"" + loader + L"\" /v", odd::Wide(records_.Path()),
              {{L"TEMP", tempVariable}, {L"TMP", tempVariable}});

    std::optional<driver::WindowInfo> box;
    const auto started = AwaitRun(true, box);
    ASSERT_TRUE(started);
    const auto& [wizard, handOver] = *started;

    // TMP and TEMP in those folders do not move the wizard.
    EXPECT_TRUE(IsInstallerTempName(wizard.module, TempFolder())) << wizard.module;
    const std::string wizardLine = InstallerLine(folder, " /v");
    EXPECT_EQ(wizard.commandLine, wizardLine);
    EXPECT_EQ(handOver.module, uninstallerPath_);
    EXPECT_EQ(handOver.commandLine, HandOverLine(wizard));
    ExpectLog(Lines(LogHead("/v", folder), StartedLog(wizard, wizardLine)));
    driver::CloseMessageBox(box->window);
    EXPECT_EQ(ExitCode(), std::optional<uint32_t>(0u));

    EXPECT_TRUE(Bytes(uninstallerPath_) == Bytes(BuiltUninstaller())) << "the payload's uninstaller is in place";
    ExpectFiles(tempFolder, {}); // the hand-over removed the wizard's file
    ExpectFiles(loaderFolder, {L"Setup.exe"});
    ExpectFiles(odd::Wide(uninstallerHome_ + "\\"), {L"vutundo.exe"});
    ExpectNoTempFilesLeft();
}

INSTANTIATE_TEST_SUITE_P(Languages, CodePageFolders, ::testing::ValuesIn(kCodePages),
                         [](const auto& info) { return std::string(info.param.name); });

// --- Names that the ANSI code page cannot spell ---------------------------------

struct BestFitCase {
    const char* name;
    const wchar_t* tail; // after the quoted loader path
    uint32_t exitCode;
};

// Best-fitted, the folder's name ends the quoted loader path and brings "/s" and "/a".
const BestFitCase kBestFit[] = {
    {"fullwidth_folder_short_name", L"", 0},
    {"fullwidth_quote_in_the_tail_refused", L" \uff02C:\\x\uff02 /s", 3},
};

class BestFitNames : public OddPlaceRun, public ::testing::WithParamInterface<BestFitCase> {};

TEST_P(BestFitNames, NoTokenComesFromTheNameAndNothingIsReplaced)
{
    const BestFitCase& c = GetParam();
    BeginCase(c.name);
    const std::wstring folder = odd::Wide(loaderFolder_.Path()) + L"kit\uff02 \uff0fs \uff0fa \uff02x\\";
    const std::wstring loader = folder + L"Setup.exe";
    wideFolders_ = {folder};
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr) &&
                CopyFileW(odd::Wide(BuiltSetup()).c_str(), loader.c_str(), FALSE)) << "cannot copy the loader";
    wchar_t shortName[MAX_PATH] = {};
    ASSERT_GT(GetShortPathNameW(folder.c_str(), shortName, MAX_PATH), 0u);
    const std::vector<unsigned char> placed = MarkedUninstaller();
    PlaceUninstaller(placed);

    StartWide("en_US.UTF-8", loader, L"\"" + loader + L"\"" + c.tail, folder);
    if (c.exitCode == 0) {
        const auto started = AwaitHandOver();
        ASSERT_TRUE(started);
        // The short name twice, and no switch: not silent.
        const std::string shortFolder = odd::Narrow(shortName, CP_ACP);
        EXPECT_EQ(shortFolder.find_first_of("\"/"), std::string::npos) << shortFolder;
        EXPECT_EQ(started->first.commandLine, InstallerLine(shortFolder, ""));
    } else {
        CloseErrorBox(3);
        EXPECT_TRUE(UninstallerStarts().empty() && WizardStarts().empty()) << "nothing is started";
    }
    EXPECT_EQ(ExitCode(), std::optional<uint32_t>(c.exitCode));
    EXPECT_TRUE(Bytes(uninstallerPath_) == placed) << "the uninstaller in place is never replaced";
    ExpectFiles(odd::Wide(uninstallerHome_ + "\\"), {L"vutundo.exe"});
}

INSTANTIATE_TEST_SUITE_P(Names, BestFitNames, ::testing::ValuesIn(kBestFit),
                         [](const auto& info) { return std::string(info.param.name); });

// --- A Program Files folder with blanks and parentheses ------------------------

// The shell answers CSIDL_PROGRAM_FILES from the registry value ProgramFilesDir
// (the ProgramFiles variable is rebuilt from it at every process start), so
// the value is pointed at a folder with blanks and parentheses, as the one a
// 32-bit program gets in a 64-bit system, but not that one itself: a 64-bit
// prefix already gives this 32-bit suite C:\Program Files (x86).
class ProgramFilesElsewhere : public OddPlaceRun {
protected:
    static constexpr char kFolder[] = "C:\\Program Files (other x86)";

    void SetUp() override
    {
        OddPlaceRun::SetUp();
        if (HasFatalFailure())
            return;
        usualHome_ = uninstallerHome_;
        // The shell reports only a folder that exists, as a real system's
        // Program Files always does; a 32-bit prefix has no such folder.
        folderCreated_ = !driver::DirectoryExists(kFolder);
        ASSERT_TRUE(!folderCreated_ || CreateDirectoryA(kFolder, nullptr)) << "cannot make " << kFolder;
        uninstallerHome_ = std::string(kFolder) + "\\Quelt";
        uninstallerPath_ = uninstallerHome_ + "\\vutundo.exe";
        ASSERT_TRUE(driver::RemoveTree(uninstallerHome_));
        programFiles_.emplace(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows\\CurrentVersion", L"ProgramFilesDir");
        ASSERT_TRUE(programFiles_->Original()) << "no ProgramFilesDir to redirect";
        ASSERT_TRUE(programFiles_->Set(odd::Wide(kFolder)));
    }

    void TearDown() override
    {
        programFiles_.reset();
        OddPlaceRun::TearDown(); // clears the redirected home
        EXPECT_TRUE(driver::RemoveTree(usualHome_));
        if (folderCreated_)
            RemoveDirectoryA(kFolder);
    }

    std::string usualHome_;
    bool folderCreated_ = false;
    std::optional<odd::RegistryString> programFiles_;
};

TEST_F(ProgramFilesElsewhere, UninstallerIsPlacedThereAndItsPathPassedExactly)
{
    BeginCase("program_files_with_blanks_and_parentheses");
    Start("/v");
    std::optional<driver::WindowInfo> box;
    const auto started = AwaitRun(true, box);
    ASSERT_TRUE(started);
    const auto& [wizard, handOver] = *started;

    const auto checks = UninstallerChecks();
    ASSERT_EQ(checks.size(), 1u);
    EXPECT_EQ(checks[0].module, uninstallerPath_);
    EXPECT_EQ(checks[0].commandLine, uninstallerPath_) << "the path alone, unquoted, blanks and all";
    EXPECT_EQ(handOver.module, uninstallerPath_);
    EXPECT_EQ(handOver.commandLine, HandOverLine(wizard));
    const std::string wizardLine = InstallerLine(FolderOf(BuiltSetup()), " /v");
    EXPECT_EQ(wizard.commandLine, wizardLine);
    ExpectLog(Lines(LogHead("/v", FolderOf(BuiltSetup())), StartedLog(wizard, wizardLine)));
    driver::CloseMessageBox(box->window);
    EXPECT_EQ(ExitCode(), std::optional<uint32_t>(0u));

    EXPECT_TRUE(Bytes(uninstallerPath_) == Bytes(BuiltUninstaller())) << "the payload's uninstaller is in place";
    ExpectFiles(odd::Wide(uninstallerHome_ + "\\"), {L"vutundo.exe"});
    EXPECT_FALSE(driver::DirectoryExists(usualHome_)) << "nothing goes to the usual Program Files folder";
    if (driver::DirectoryExists(usualHome_))
        NoteLeft(usualHome_);
    ExpectNoTempFilesLeft();
}

} // namespace
} // namespace e2e
