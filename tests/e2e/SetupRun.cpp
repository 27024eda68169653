#include "SetupRun.h"

#include "CaseLog.h"
#include "launch/WizardFolder.h"

#include <zlib.h>

#include <algorithm>
#include <cctype>

namespace e2e {
namespace {

std::string WithBackslash(std::string folder)
{
    if (!folder.empty() && folder.back() != '\\')
        folder += '\\';
    return folder;
}

} // namespace

bool IsHandOver(const StartRecord& start) { return start.commandLine.find(" /p") != std::string::npos; }

std::string HandOverLine(const StartRecord& wizard)
{
    return "VutUndo.exe /p" + std::to_string(wizard.pid) + " " + wizard.module;
}

driver::StartOptions LoaderStart(const std::string& loader, const std::string& tail,
                                 const std::string& recordsFolder, std::map<std::string, std::string> environment)
{
    environment["VUT_STANDIN_LOG"] = recordsFolder;
    environment.emplace("VUT_STANDIN_SETUP_NO_WINDOW", "1");
    driver::StartOptions options;
    options.application = loader;
    options.commandLine = "\"" + loader + "\"" + (tail.empty() ? "" : " " + tail);
    options.currentDirectory = recordsFolder;
    for (const char* control : {"VUT_STANDIN_UNDO_EXIT", "VUT_STANDIN_UNDO_SLEEP_MS"}) {
        if (!environment.count(control))
            options.unsetEnvironment.push_back(control);
    }
    options.environment = std::move(environment);
    return options;
}

std::vector<StartRecord> ReadStartRecords(const std::string& file)
{
    std::vector<StartRecord> records;
    const auto data = driver::ReadFileBytes(file);
    if (!data)
        return records;
    const std::string text(data->begin(), data->end());
    for (size_t at = 0;;) {
        const size_t end = text.find("\r\n", at);
        if (end == std::string::npos)
            break;
        const std::string line = text.substr(at, end - at);
        at = end + 2;
        const size_t firstTab = line.find('\t');
        const size_t secondTab = firstTab == std::string::npos ? firstTab : line.find('\t', firstTab + 1);
        if (secondTab == std::string::npos)
            continue;
        StartRecord record;
        record.pid = std::stoul(line.substr(0, firstTab));
        record.module = line.substr(firstTab + 1, secondTab - firstTab - 1);
        record.commandLine = line.substr(secondTab + 1);
        records.push_back(record);
    }
    return records;
}

ErrorBox ExpectedErrorBox(int number)
{
    static const char* const texts[] = {
        "",
        "Cannot create temporary file",
        "File setup.exe corrupt",
        "Cannot run installation",
        "Cannot unpack installation",
        "VutUndo.exe do not work and cannot be installed",
    };
    return {"ERROR", number >= 1 && number <= 5 ? texts[number] : ""};
}

std::string BuiltSetup() { return driver::BinPath("Setup.exe"); }
std::string BuiltInstaller() { return driver::BinPath("VutSetup.exe"); }
std::string BuiltUninstaller() { return driver::BinPath("VutUndo.exe"); }

std::string TempFolder()
{
    char folder[MAX_PATH] = "";
    return WizardFolderBase(folder) ? folder : "";
}

namespace {

// The private folders under TempFolder(), each with a trailing backslash.
std::vector<std::string> PrivateFolders()
{
    std::vector<std::string> folders;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((TempFolder() + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return folders;
    do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && IsWizardFolderName(found.cFileName))
            folders.push_back(TempFolder() + found.cFileName + "\\");
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return folders;
}

} // namespace

std::string WindowsFolder()
{
    char folder[MAX_PATH] = "";
    const UINT length = GetWindowsDirectoryA(folder, MAX_PATH);
    return length > 0 && length < MAX_PATH ? WithBackslash(folder) : "";
}

std::string ProgramFilesFolder()
{
    char folder[MAX_PATH] = "";
    const DWORD length = GetEnvironmentVariableA("ProgramFiles", folder, MAX_PATH);
    return length > 0 && length < MAX_PATH ? folder : "";
}

std::string FolderOf(const std::string& path) { return path.substr(0, path.find_last_of('\\') + 1); }

bool IsInstallerTempName(const std::string& path, const std::string& folder)
{
    if (folder == TempFolder()) {
        const std::string inner = FolderOf(path);
        const std::string name = inner.substr(std::min(folder.size(), inner.size()));
        return inner.size() > folder.size() && inner.compare(0, folder.size(), folder) == 0 &&
               IsWizardFolderName(name.substr(0, name.size() - 1).c_str()) && IsInstallerTempName(path, inner);
    }
    if (path.size() <= folder.size() + 7 || path.compare(0, folder.size(), folder) != 0)
        return false;
    const std::string name = path.substr(folder.size());
    if (name.compare(0, 3, "vut") != 0 || name.compare(name.size() - 4, 4, ".tmp") != 0)
        return false;
    const std::string digits = name.substr(3, name.size() - 7);
    for (const char c : digits) {
        if (!std::isxdigit(static_cast<unsigned char>(c)))
            return false;
    }
    return true;
}

std::set<std::string> InstallerTempFiles(const std::string& folder)
{
    std::set<std::string> files;
    if (folder == TempFolder()) {
        for (const std::string& inner : PrivateFolders()) {
            const auto found = InstallerTempFiles(inner);
            files.insert(found.begin(), found.end());
        }
        return files;
    }
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "vut*.tmp").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return files;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            files.insert(folder + found.cFileName);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return files;
}

std::vector<unsigned char> Bytes(const std::string& path)
{
    auto data = driver::ReadFileBytes(path);
    EXPECT_TRUE(data) << "cannot read " << path;
    return data ? *data : std::vector<unsigned char>{};
}

std::vector<unsigned char> PayloadRecord(uint32_t declaredSize, const std::vector<unsigned char>& stream)
{
    std::vector<unsigned char> record = {
        static_cast<unsigned char>(declaredSize), static_cast<unsigned char>(declaredSize >> 8),
        static_cast<unsigned char>(declaredSize >> 16), static_cast<unsigned char>(declaredSize >> 24)};
    record.insert(record.end(), stream.begin(), stream.end());
    return record;
}

std::vector<unsigned char> Compress(const std::vector<unsigned char>& data)
{
    uLongf length = compressBound(static_cast<uLong>(data.size()));
    std::vector<unsigned char> stream(length);
    const int result = compress2(stream.data(), &length, data.data(), static_cast<uLong>(data.size()), 9);
    EXPECT_EQ(result, Z_OK);
    stream.resize(result == Z_OK ? length : 0);
    return stream;
}

bool SeparateRun::Start(const std::string& loader, const std::string& tail,
                        std::map<std::string, std::string> environment)
{
    return process.Start(LoaderStart(loader, tail, records.Path(), std::move(environment)));
}

void SeparateRun::CloseBoxes()
{
    for (const auto& window : driver::WindowsOf(process.Id())) {
        if (window.caption == ExpectedErrorBox(1).caption && boxesSeen.insert(window.window).second) {
            boxTexts.push_back(window.text);
            driver::CloseMessageBox(window.window);
        }
    }
}

std::vector<StartRecord> SeparateRun::Starts(const char* log) const { return ReadStartRecords(records / log); }

bool SeparateRun::AwaitChildren()
{
    const bool recorded = driver::WaitUntil(
        [&] {
            const auto undo = Starts("vutundo.log");
            return !Starts("vutsetup.log").empty() && std::any_of(undo.begin(), undo.end(), IsHandOver);
        },
        kRunBoundMs);
    std::vector<StartRecord> children = Starts("vutsetup.log");
    const auto undo = Starts("vutundo.log");
    children.insert(children.end(), undo.begin(), undo.end());
    bool ended = true;
    for (const StartRecord& child : children) {
        driver::Process running;
        if (running.Attach(child.pid))
            ended = running.Wait(kRunBoundMs).has_value() && ended;
    }
    return recorded && ended;
}

void SetupRun::SetUp()
{
    ASSERT_FALSE(records_.Path().empty());
    ASSERT_FALSE(loaderFolder_.Path().empty());
    const std::string programFiles = ProgramFilesFolder();
    ASSERT_FALSE(programFiles.empty());
    uninstallerHome_ = WithBackslash(programFiles) + "Quelt";
    uninstallerPath_ = uninstallerHome_ + "\\vutundo.exe";
    ClearUninstallerHome();
    ASSERT_FALSE(driver::DirectoryExists(uninstallerHome_)) << "cannot clear " << uninstallerHome_;
    ASSERT_FALSE(TempFolder().empty());
    ASSERT_FALSE(WindowsFolder().empty());
    tempBefore_ = InstallerTempFiles(TempFolder());
    windowsBefore_ = InstallerTempFiles(WindowsFolder());
    setUpMs_ = driver::NowMs();
}

void SetupRun::TearDown()
{
    if (!caseCategory_.empty()) {
        const auto exit = setup_.Wait(0);
        const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
        driver::LogCaseEnd({caseCategory_, std::string(test->test_suite_name()) + "." + test->name(),
                            !caseOutcome_.empty() ? caseOutcome_
                            : exit                ? "exit " + std::to_string(*exit)
                                                  : "did not end",
                            // cases whose loaders start on their own are timed from here
                            driver::NowMs() - (startedMs_ != 0 ? startedMs_ : setUpMs_),
                            HasFailure() ? "see the test's failure" : ""});
    }
    // A run that a failed check left standing, box and all.
    setup_.Kill();
    // A run that started the installer may end before its children record their starts.
    if (setup_.Wait(0) == std::optional<uint32_t>(0)) {
        driver::WaitUntil(
            [&] {
                const auto undo = UninstallerStarts();
                return std::any_of(undo.begin(), undo.end(), IsHandOver);
            },
            kRunBoundMs);
    }
    AwaitRecordedChildren();
    for (const std::string& folder : {TempFolder(), WindowsFolder()}) {
        for (const std::string& file : NewTempFiles(folder))
            DeleteFileA(file.c_str());
    }
    for (const std::string& folder : PrivateFolders())
        RemoveDirectoryA(folder.c_str()); // only the empty ones go
    ClearUninstallerHome();
    EXPECT_FALSE(driver::DirectoryExists(uninstallerHome_)) << "cannot clear " << uninstallerHome_;
}

void SetupRun::ClearUninstallerHome() { driver::RemoveTree(uninstallerHome_); }

void SetupRun::AwaitRecordedChildren()
{
    std::vector<StartRecord> starts = WizardStarts();
    const std::vector<StartRecord> undo = UninstallerStarts();
    starts.insert(starts.end(), undo.begin(), undo.end());
    const ULONGLONG deadline = GetTickCount64() + kRunBoundMs;
    for (const StartRecord& start : starts) {
        HANDLE child = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, start.pid);
        if (child == nullptr)
            continue; // already gone
        const ULONGLONG now = GetTickCount64();
        if (WaitForSingleObject(child, now < deadline ? static_cast<DWORD>(deadline - now) : 0) != WAIT_OBJECT_0) {
            ADD_FAILURE() << "child " << start.pid << " (" << start.commandLine << ") still runs";
            TerminateProcess(child, 0xDEAD);
            WaitForSingleObject(child, 5000);
        }
        CloseHandle(child);
    }
}

void SetupRun::Start(const std::string& tail, std::map<std::string, std::string> environment,
                     const std::string& loader)
{
    const std::string program = loader.empty() ? BuiltSetup() : loader;
    const driver::StartOptions options = LoaderStart(program, tail, records_.Path(), std::move(environment));
    if (startedMs_ == 0) // a case of two runs is timed from the first
        startedMs_ = driver::NowMs();
    ASSERT_TRUE(setup_.Start(options)) << "cannot start " << program;
}

std::optional<uint32_t> SetupRun::ExitCode() { return setup_.Wait(kRunBoundMs); }

std::optional<driver::WindowInfo> SetupRun::CloseBox(const std::string& caption)
{
    auto box = driver::WaitForWindowCaption(setup_.Id(), caption, kRunBoundMs);
    EXPECT_TRUE(box) << "no box captioned " << caption;
    if (!box)
        return box;
    size_t shown = 0;
    for (const auto& window : driver::WindowsOf(setup_.Id()))
        shown += window.caption == caption ? 1 : 0;
    EXPECT_EQ(shown, 1u) << "boxes captioned " << caption;
    driver::CloseMessageBox(box->window);
    return box;
}

void SetupRun::CloseErrorBox(int number)
{
    const ErrorBox expected = ExpectedErrorBox(number);
    auto box = CloseBox(expected.caption);
    if (!box)
        return;
    EXPECT_EQ(box->text, expected.text);
    EXPECT_EQ(box->buttons, std::vector<std::string>{"OK"});
    EXPECT_TRUE(box->hasIcon);
}

std::optional<std::pair<StartRecord, StartRecord>> SetupRun::AwaitHandOver()
{
    std::optional<std::pair<StartRecord, StartRecord>> found;
    driver::WaitUntil(
        [&] {
            const auto wizard = WizardStarts();
            const auto undo = UninstallerStarts();
            if (wizard.empty())
                return false;
            for (const StartRecord& start : undo) {
                if (IsHandOver(start)) {
                    found.emplace(wizard.front(), start);
                    return true;
                }
            }
            return false;
        },
        kRunBoundMs);
    EXPECT_TRUE(found) << "the installer wizard and the hand-over did not both start";
    AwaitRecordedChildren();
    return found;
}

std::vector<std::string> SetupRun::ConsoleRows(size_t rows)
{
    auto console = driver::WaitForConsoleLines(setup_.Id(), rows, kWindowBoundMs);
    EXPECT_TRUE(console) << "no console to read";
    if (!console)
        return {};
    EXPECT_EQ(console->title, L"Logovaci konzole Setup.exe");
    return console->lines;
}

std::string SetupRun::CopyLoader()
{
    const std::string copy = loaderFolder_ / "Setup.exe";
    EXPECT_TRUE(CopyFileA(BuiltSetup().c_str(), copy.c_str(), FALSE)) << "cannot copy the loader";
    return copy;
}

std::string SetupRun::LoaderCarrying(WORD id, const std::vector<unsigned char>& program)
{
    const std::string loader = CopyLoader();
    const auto record = PayloadRecord(static_cast<uint32_t>(program.size()), Compress(program));
    EXPECT_TRUE(driver::ReplaceResource(loader, RT_RCDATA, id, record)) << "cannot put the record in " << loader;
    return loader;
}

void SetupRun::PlaceUninstaller(const std::vector<unsigned char>& bytes)
{
    ASSERT_TRUE(CreateDirectoryA(uninstallerHome_.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
    ASSERT_TRUE(driver::WriteFileBytes(uninstallerPath_, bytes));
}

std::vector<StartRecord> SetupRun::UninstallerChecks() const
{
    std::vector<StartRecord> checks;
    for (const StartRecord& start : UninstallerStarts()) {
        if (!IsHandOver(start))
            checks.push_back(start);
    }
    return checks;
}

size_t SetupRun::CheckAnswers() const
{
    const auto counted = driver::ReadFileBytes(records_ / "vutundo.checks");
    return counted ? counted->size() : 0;
}

std::set<std::string> SetupRun::NewTempFiles(const std::string& folder) const
{
    const std::set<std::string>& before = folder == WindowsFolder() ? windowsBefore_ : tempBefore_;
    std::set<std::string> fresh;
    for (const std::string& file : InstallerTempFiles(folder)) {
        if (!before.count(file))
            fresh.insert(file);
    }
    return fresh;
}

std::vector<std::string> SetupRun::LogHead(const std::string& tail, const std::string& sourceFolder) const
{
    return {tail, sourceFolder, sourceFolder + "setup.ini", "GetParams:1",
            "Install VutUndo.exe: '" + uninstallerPath_ + "'"};
}

std::vector<std::string> SetupRun::RunLines(const StartRecord& wizard, const std::string& wizardLine) const
{
    return {"Run VutSetup.exe: '" + wizard.module + "' '" + wizardLine + "'",
            "Run VutUndo.exe: '" + uninstallerPath_ + "' '" + HandOverLine(wizard) + "'"};
}

std::vector<std::string> SetupRun::Lines(std::vector<std::string> head, const std::vector<std::string>& rest)
{
    head.insert(head.end(), rest.begin(), rest.end());
    return head;
}

} // namespace e2e
