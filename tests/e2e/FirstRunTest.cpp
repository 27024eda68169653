// A first run on a clean machine, and what the two children are told.
#include "SetupRun.h"

#include "common/UniqueHandle.h"

#include <shlobj.h>

#include <algorithm>
#include <map>
#include <regex>
#include <set>
#include <sstream>

namespace e2e {
namespace {

std::string upper(std::string text)
{
    CharUpperA(text.data());
    return text;
}

// The wizard here ends at once; the hand-over opens the id it was handed only
// once the wizard and the loader have both ended, and a program started after
// them has ended and had its own id freed, so nothing but what the loader lent
// it can keep that id the wizard's.
TEST_F(SetupRun, FirstRunPlacesTheUninstallerAndStartsTheWizardFromATempFile)
{
    const std::string go = "QueltHandOverGo." + std::to_string(GetCurrentProcessId());
    const UniqueHandle goEvent(CreateEventA(nullptr, TRUE, FALSE, go.c_str()));
    Start("", {{"VUT_STANDIN_UNDO_OPEN_AFTER", go}});
    ASSERT_EQ(ExitCode(), std::optional<uint32_t>(0));
    const auto freed = [](DWORD id, bool endedWillDo) {
        const UniqueHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id));
        DWORD code = STILL_ACTIVE;
        return !process || (endedWillDo && GetExitCodeProcess(process.get(), &code) && code != STILL_ACTIVE);
    };
    EXPECT_TRUE(driver::WaitUntil([&] { return !WizardStarts().empty() && freed(WizardStarts()[0].pid, true); },
                                  kRunBoundMs));
    DWORD laterId = 0;
    {
        driver::Process later;
        ASSERT_TRUE(later.Start({BuiltInstaller(), "VutSetup.exe x /s"}));
        EXPECT_TRUE(later.Wait(kRunBoundMs));
        laterId = later.Id();
    }
    EXPECT_TRUE(driver::WaitUntil([&] { return freed(laterId, false); }, kRunBoundMs));
    SetEvent(goEvent.get());
    const auto started = AwaitHandOver();
    ASSERT_TRUE(started);
    const auto& [wizard, handOver] = *started;

    EXPECT_EQ(Bytes(uninstallerPath_), Bytes(BuiltUninstaller()));
    const auto checks = UninstallerChecks();
    ASSERT_EQ(checks.size(), 1u);
    EXPECT_EQ(checks[0].module, uninstallerPath_);
    EXPECT_EQ(checks[0].commandLine, uninstallerPath_) << "the check gets the path alone, unquoted";

    EXPECT_TRUE(IsInstallerTempName(wizard.module, TempFolder())) << wizard.module;
    const std::string loaderFolder = FolderOf(BuiltSetup());
    EXPECT_EQ(wizard.commandLine, "\"" + loaderFolder + "VutSetup.exe\" " + loaderFolder);
    EXPECT_EQ(Bytes(records_ / "vutsetup.image"), Bytes(BuiltInstaller()));

    EXPECT_EQ(handOver.module, uninstallerPath_);
    EXPECT_EQ(handOver.commandLine, HandOverLine(wizard));
    const auto handed = driver::ReadFileBytes(records_ / "vutundo.handed");
    EXPECT_EQ(handed ? std::string(handed->begin(), handed->end()) : "", wizard.module + "\r\n")
        << "the id no longer named the wizard";
    EXPECT_FALSE(driver::FileExists(wizard.module)) << "the hand-over removes the temporary wizard";
    EXPECT_TRUE(NewTempFiles(TempFolder()).empty());
}

// DLLs planted where the user's unelevated programs, or any user, can write
// (the user's temporary folder, the Windows folder's Temp, the loader's
// current folder, a folder the user put on PATH and named in TMP and TEMP)
// under a name no system folder has and as version.dll, with native DLLs
// preferred so that Wine searches as Windows does. The elevated children load
// both by bare name: none may come from a planted place. Each child runs in
// its own program's folder, with that folder as TMP and TEMP and the
// machine's PATH alone.
TEST_F(SetupRun, NoChildLoadsADllPlantedWhereOthersCanWrite)
{
    char userTemp[MAX_PATH] = {};
    ASSERT_GT(GetTempPathA(MAX_PATH, userTemp), 0u);
    char userPath[4096] = {};
    ASSERT_LT(GetEnvironmentVariableA("PATH", userPath, sizeof userPath), sizeof userPath);
    driver::ScratchDir usersOwn("users-own");
    std::vector<std::string> planted;
    for (const std::string& place : {std::string(userTemp), TempFolder(), records_.Path(), usersOwn.Path()}) {
        for (const char* name : {"queltplanted.dll", "version.dll"}) {
            planted.push_back(upper(place + name));
            ASSERT_TRUE(CopyFileA(driver::BinPath("vendorhelper.dll").c_str(), planted.back().c_str(), FALSE));
        }
    }
    const std::string own = usersOwn.Path().substr(0, usersOwn.Path().size() - 1);
    Start("", {{"VUT_STANDIN_LOAD", "queltplanted.dll,version.dll"}, {"WINEDLLOVERRIDES", "version=n,b"},
               {"PATH", own + ";" + userPath}, {"TMP", own}, {"TEMP", own}});
    const auto exit = ExitCode();
    const auto started = AwaitHandOver();
    for (const std::string& file : planted)
        DeleteFileA(file.c_str());
    ASSERT_EQ(exit, std::optional<uint32_t>(0));
    ASSERT_TRUE(started);

    // "<DLL>\t<where it came from>" per line, "." for the current folder.
    std::map<std::string, std::multiset<std::string>> loads;
    for (const char* program : {"vutsetup", "vutundo"}) {
        const auto bytes = driver::ReadFileBytes(records_ / (std::string(program) + ".loads"));
        std::istringstream lines(upper(bytes ? std::string(bytes->begin(), bytes->end()) : ""));
        for (std::string dll, from; std::getline(lines, dll, '\t') && std::getline(lines, from, '\r');
             lines.ignore(1)) {
            EXPECT_EQ(std::count(planted.begin(), planted.end(), from), 0) << program << " loaded " << from;
            loads[program + std::string(":") + dll].insert(from);
        }
    }
    const std::string wizardFolder = FolderOf(started->first.module);
    EXPECT_EQ(loads["vutsetup:."], std::multiset<std::string>{upper(wizardFolder.substr(0, wizardFolder.size() - 1))});
    EXPECT_EQ(loads["vutundo:."], (std::multiset<std::string>{upper(uninstallerHome_), upper(uninstallerHome_)})) << "check and hand-over";
    EXPECT_TRUE(loads["vutsetup:QUELTPLANTED.DLL"].empty() && loads["vutundo:QUELTPLANTED.DLL"].empty());

    // "<pid>\t<TMP>\t<TEMP>\t<PATH>" of the check, the wizard and the hand-over.
    size_t children = 0;
    for (const char* program : {"vutsetup", "vutundo"}) {
        const auto bytes = driver::ReadFileBytes(records_ / (std::string(program) + ".env"));
        std::istringstream lines(upper(bytes ? std::string(bytes->begin(), bytes->end()) : ""));
        for (std::string pid, tmp, temp, path; std::getline(lines, pid, '\t') && std::getline(lines, tmp, '\t') &&
                                                std::getline(lines, temp, '\t') && std::getline(lines, path, '\r');
             lines.ignore(1), ++children) {
            EXPECT_EQ(tmp, upper(wizardFolder.substr(0, wizardFolder.size() - 1))) << program;
            EXPECT_EQ(temp, tmp) << program;
            EXPECT_EQ(path.find(upper(own)), std::string::npos) << program << " got the user's PATH: " << path;
            EXPECT_NE(path.find("SYSTEM32"), std::string::npos) << program << " lost the machine's PATH: " << path;
        }
    }
    EXPECT_EQ(children, 3u);
}

// The home is where the shell puts a 32-bit program's Program Files: on
// 64-bit Windows, where most customers run the loader, that is
// C:\Program Files (x86), not the 64-bit programs' folder.
TEST_F(SetupRun, UninstallerHomeIsTheProgramFilesFolderOfA32BitProgram)
{
    BOOL wow64 = FALSE;
    ASSERT_TRUE(IsWow64Process(GetCurrentProcess(), &wow64));
    char shell[MAX_PATH] = "";
    ASSERT_EQ(SHGetFolderPathA(nullptr, CSIDL_PROGRAM_FILES, nullptr, SHGFP_TYPE_CURRENT, shell), S_OK);
    EXPECT_STREQ(shell, wow64 ? "C:\\Program Files (x86)" : "C:\\Program Files");

    Start("/s");
    ASSERT_EQ(ExitCode(), std::optional<uint32_t>(0));
    ASSERT_TRUE(AwaitHandOver());
    EXPECT_EQ(uninstallerPath_, std::string(shell) + "\\Quelt\\vutundo.exe");
    EXPECT_EQ(Bytes(std::string(shell) + "\\Quelt\\vutundo.exe"), Bytes(BuiltUninstaller()));
    if (wow64) {
        char native[MAX_PATH] = "";
        ASSERT_GT(GetEnvironmentVariableA("ProgramW6432", native, MAX_PATH), 0u);
        EXPECT_FALSE(driver::DirectoryExists(std::string(native) + "\\Quelt"))
            << "nothing goes into the 64-bit programs' folder";
    }
}

struct CommandLineCase {
    const char* name;
    const char* tail;       // "{dir}" stands for another source folder
    bool loaderCopy;        // run a copy of the loader from a folder of its own
    const char* switches;   // what the wizard's command line ends with
};

void PrintTo(const CommandLineCase& c, std::ostream* out) { *out << c.name; }

const CommandLineCase kCommandLines[] = {
    {"no_arguments", "", false, ""},
    {"silent", "/s", false, " /s"},
    {"silent_as_a_word", "/silent", false, " /s"},
    {"upper_case_is_no_switch", "/S /V /A", false, ""},
    {"source_folder_is_not_passed_on", "\"{dir}\"", false, ""},
    {"source_folder_and_silent", "\"{dir}\" /s", false, " /s"},
    {"copy_elsewhere_passes_its_own_folder", "/s", true, " /s"},
};

class ChildCommandLine : public SetupRun, public ::testing::WithParamInterface<CommandLineCase> {};

TEST_P(ChildCommandLine, WizardGetsTheLoaderFolderAndSwitchesAndHandOverItsPid)
{
    const CommandLineCase& c = GetParam();
    std::string tail = c.tail;
    if (const size_t at = tail.find("{dir}"); at != std::string::npos) {
        std::string dir = records_.Path();
        dir.pop_back();
        tail.replace(at, 5, dir);
    }
    const std::string loader = c.loaderCopy ? CopyLoader() : BuiltSetup();
    Start(tail, {}, loader);
    ASSERT_EQ(ExitCode(), std::optional<uint32_t>(0));
    const auto started = AwaitHandOver();
    ASSERT_TRUE(started);
    const auto& [wizard, handOver] = *started;

    const std::string folder = FolderOf(loader);
    EXPECT_EQ(wizard.commandLine, "\"" + folder + "VutSetup.exe\" " + folder + c.switches);
    EXPECT_TRUE(IsInstallerTempName(wizard.module, TempFolder())) << wizard.module;
    EXPECT_EQ(handOver.commandLine, HandOverLine(wizard));
}

INSTANTIATE_TEST_SUITE_P(Tails, ChildCommandLine, ::testing::ValuesIn(kCommandLines),
                         [](const auto& info) { return std::string(info.param.name); });

// A deployment tool waits for the process it started and reads its exit code:
// with "/w" that is the wizard's own, once the wizard has ended. The log file
// holds the verbose lines, the wait, and the ending, whatever "/v" says.
TEST_F(SetupRun, WaitSwitchEndsWithTheWizardsOwnCodeAndLogsTheRunToAFile)
{
    const std::string logFile = records_ / "quelt.log";
    const std::string tail = "/s /w /log=" + logFile;
    Start(tail, {{"VUT_STANDIN_SETUP_MS", "4000"}, {"VUT_STANDIN_SETUP_EXIT", "3010"}});
    ASSERT_EQ(ExitCode(), std::optional<uint32_t>(3010));
    EXPECT_TRUE(driver::FileExists(records_ / "vutsetup.end")) << "the loader ended before the wizard";
    const auto started = AwaitHandOver();
    ASSERT_TRUE(started);
    const StartRecord& wizard = started->first;
    const std::string loaderFolder = FolderOf(BuiltSetup());
    EXPECT_EQ(wizard.commandLine, "\"" + loaderFolder + "VutSetup.exe\" " + loaderFolder + " /s");
    EXPECT_EQ(started->second.commandLine, HandOverLine(wizard));

    const auto bytes = driver::ReadFileBytes(logFile);
    ASSERT_TRUE(bytes) << "no log file";
    std::vector<std::string> lines;
    std::istringstream text(std::string(bytes->begin(), bytes->end()));
    for (std::string line; std::getline(text, line);)
        lines.push_back(line.substr(0, line.size() - (!line.empty() && line.back() == '\r')));
    ASSERT_FALSE(lines.empty());
    EXPECT_TRUE(std::regex_match(lines[0], std::regex(R"(Setup\.exe \d+\.\d+\.\d+\.\d+, \d{4}-\d\d-\d\d \d\d:\d\d:\d\d UTC)")))
        << lines[0];
    lines.erase(lines.begin());
    const auto expected = Lines(Lines(LogHead(tail, loaderFolder), {"Install VutSetup.exe 1: '" + wizard.module + "'"}),
                                Lines(RunLines(wizard, wizard.commandLine),
                                      {"Wait VutSetup.exe: '" + wizard.module + "'", "End VutSetup.exe: 3010",
                                       "Exit code: 3010 (VutSetup.exe)"}));
    EXPECT_EQ(lines, expected);
}

// Without "/w" the run ends while the wizard still runs, as it always did;
// a log file that cannot be made costs the log, never the run.
TEST_F(SetupRun, WithoutTheWaitSwitchTheRunEndsWhileTheWizardRuns)
{
    const std::string logFile = records_ / "no such folder\\quelt.log";
    Start("/s /log=\"" + logFile + "\"", {{"VUT_STANDIN_SETUP_MS", "15000"}, {"VUT_STANDIN_SETUP_EXIT", "3010"}});
    ASSERT_EQ(ExitCode(), std::optional<uint32_t>(0));
    EXPECT_FALSE(driver::FileExists(records_ / "vutsetup.end")) << "the wizard had ended already";
    EXPECT_TRUE(driver::WaitUntil([&] { return WizardStarts().size() == 1; }, kRunBoundMs));
    EXPECT_FALSE(driver::FileExists(logFile));
    EXPECT_TRUE(AwaitHandOver());
}

} // namespace
} // namespace e2e
