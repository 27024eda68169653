// A fixture for whole runs of Setup.exe: a clean uninstaller home, a folder
// for the stand-ins' records, and a wait for every child the run started, so
// nothing of one test reaches into the next.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "Driver.h"

namespace e2e {

// Generous bounds: a run that waits for a slow uninstaller check twice takes 20 s.
constexpr DWORD kRunBoundMs = 120000;
constexpr DWORD kWindowBoundMs = 90000;

// What a stand-in wrote when it started: "<pid>\t<module path>\t<command line>".
struct StartRecord {
    DWORD pid = 0;
    std::string module;
    std::string commandLine;
};

// The complete records of `file` (a record still being written is left out).
std::vector<StartRecord> ReadStartRecords(const std::string& file);

// The uninstaller's second start; the check gets no "/p".
bool IsHandOver(const StartRecord& start);
// The hand-over's command line for `wizard`: "VutUndo.exe /p<pid> <path>".
std::string HandOverLine(const StartRecord& wizard);

// A start of `loader` with the command line "<quoted loader>[ <tail>]", from
// `recordsFolder`, where the stand-ins record; the wizard's box switched off
// and the uninstaller's controls unset unless `environment` says otherwise.
driver::StartOptions LoaderStart(const std::string& loader, const std::string& tail,
                                 const std::string& recordsFolder, std::map<std::string, std::string> environment = {});

// English message boxes of the loader's five errors, as the prefix shows them.
struct ErrorBox {
    const char* caption;
    const char* text;
};
ErrorBox ExpectedErrorBox(int number);

// The build's programs and the folders every run sees.
std::string BuiltSetup();
std::string BuiltInstaller();   // the program carried as VutSetup.exe
std::string BuiltUninstaller(); // the program carried as VutUndo.exe
// Where the loader makes the wizard's private folders (the Windows folder's
// Temp), with a trailing backslash. Given this folder, IsInstallerTempName and
// InstallerTempFiles look inside those private folders instead.
std::string TempFolder();
std::string WindowsFolder();    // with a trailing backslash
std::string ProgramFilesFolder();
std::string FolderOf(const std::string& path); // with a trailing backslash

// The loader's temporary installer name: <folder>vut<hex digits>.tmp, or
// <TempFolder()><private folder>\vut<hex digits>.tmp.
bool IsInstallerTempName(const std::string& path, const std::string& folder);

// The files named vut*.tmp in `folder` (in the private folders, for TempFolder()).
std::set<std::string> InstallerTempFiles(const std::string& folder);

std::vector<unsigned char> Bytes(const std::string& path);

// A payload record: the 4-byte little-endian declared size, then the stream.
std::vector<unsigned char> PayloadRecord(uint32_t declaredSize, const std::vector<unsigned char>& stream);
// zlib at level 9, as the build packs the programs.
std::vector<unsigned char> Compress(const std::vector<unsigned char>& data);

// A run of a loader beside the fixture's own, with a records folder of its
// own, so that its children can be told apart from another run's.
struct SeparateRun {
    driver::ScratchDir records{"run"};
    driver::Process process;
    std::set<HWND> boxesSeen;
    std::vector<std::string> boxTexts;
    std::optional<uint32_t> exit;

    bool Start(const std::string& loader, const std::string& tail,
               std::map<std::string, std::string> environment = {});
    // Closes the loader's error boxes that it shows, each counted once.
    void CloseBoxes();
    std::vector<StartRecord> Starts(const char* log) const;
    // After an ending of 0: waits for the wizard's and the hand-over's starts
    // and for both to end, so that the hand-over has removed the wizard's file.
    bool AwaitChildren();
};

class SetupRun : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Starts `loader` (the build's Setup.exe when empty) with the command
    // line "<quoted loader path>[ <tail>]", the records folder as current
    // directory, the stand-in controls in `environment` and the installer
    // wizard's box switched off unless `environment` says otherwise.
    void Start(const std::string& tail, std::map<std::string, std::string> environment = {},
               const std::string& loader = "");

    // The exit code, once the run has ended (bounded).
    std::optional<uint32_t> ExitCode();

    // Waits for the box captioned `caption` that the run shows, checks that
    // it is the only window of its caption, and closes it.
    std::optional<driver::WindowInfo> CloseBox(const std::string& caption);

    // Waits for the loader's error box, checks its text against `number` and closes it.
    void CloseErrorBox(int number);

    // After a run that started the installer: waits for the wizard's and the
    // hand-over's records and for both processes to end. The wizard's record
    // comes first, the hand-over's second.
    std::optional<std::pair<StartRecord, StartRecord>> AwaitHandOver();

    // Copies the build's Setup.exe into the loader folder; the copy's path.
    std::string CopyLoader();
    // Such a copy whose payload record `id` carries `program` instead.
    std::string LoaderCarrying(WORD id, const std::vector<unsigned char>& program);

    // The rows of the run's console once it holds `rows` non-empty ones (bounded).
    std::vector<std::string> ConsoleRows(size_t rows);
    // Log lines 1 to 5 of a verbose run that found no uninstaller in place.
    std::vector<std::string> LogHead(const std::string& tail, const std::string& sourceFolder) const;
    // `head`, then `rest`.
    static std::vector<std::string> Lines(std::vector<std::string> head, const std::vector<std::string>& rest);
    // The log's two "Run" lines of a run that started `wizard` with `wizardLine`.
    std::vector<std::string> RunLines(const StartRecord& wizard, const std::string& wizardLine) const;

    // Puts `bytes` where the loader keeps its uninstaller.
    void PlaceUninstaller(const std::vector<unsigned char>& bytes);

    std::vector<StartRecord> WizardStarts() const { return ReadStartRecords(records_ / "vutsetup.log"); }
    std::vector<StartRecord> UninstallerStarts() const { return ReadStartRecords(records_ / "vutundo.log"); }
    std::vector<StartRecord> UninstallerChecks() const; // the starts without "/p"
    // Checks that got as far as answering; counted only while VUT_STANDIN_UNDO_EXIT is set.
    size_t CheckAnswers() const;

    // vut*.tmp files that appeared in `folder` since the run's start.
    std::set<std::string> NewTempFiles(const std::string& folder) const;

    // Set by a test that belongs to the robustness campaign: its end goes to
    // the case log, as `caseOutcome_` when set, else as the run's exit code.
    std::string caseCategory_;
    std::string caseOutcome_;

    driver::ScratchDir records_{"e2e"};
    driver::ScratchDir loaderFolder_{"kit"};
    std::string uninstallerHome_;
    std::string uninstallerPath_;
    driver::Process setup_;

private:
    void ClearUninstallerHome();
    void AwaitRecordedChildren();

    double startedMs_ = 0;
    double setUpMs_ = 0;
    std::set<std::string> tempBefore_;
    std::set<std::string> windowsBefore_;
};

} // namespace e2e
