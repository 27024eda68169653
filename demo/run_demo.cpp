// Runs Setup.exe as a customer would, with the demo payloads, and prints what
// happened: exit codes, the boxes shown, the console log, the files left and
// the command lines the two children received. Screenshots go to argv[1].
#include "Driver.h"

#include <cstdio>
#include <sstream>
#include <string>

namespace {

constexpr DWORD kBound = 120000;

// "1.4 s from the start", for the report.
std::string Seconds(ULONGLONG since)
{
    char text[48];
    std::snprintf(text, sizeof(text), "%.1f s from its start", (GetTickCount64() - since) / 1000.0);
    return text;
}

std::string ProgramFilesUninstaller()
{
    char programFiles[MAX_PATH] = {};
    GetEnvironmentVariableA("ProgramFiles", programFiles, MAX_PATH);
    return std::string(programFiles) + "\\Quelt\\vutundo.exe";
}

void PrintBox(const char* what, const driver::WindowInfo& box)
{
    std::printf("  %s: caption \"%s\"\n", what, box.caption.c_str());
    std::istringstream lines(box.text);
    for (std::string line; std::getline(lines, line);)
        std::printf("    | %s\n", line.c_str());
}

void PrintRecords(const std::string& file, const char* who)
{
    auto bytes = driver::ReadFileBytes(file);
    if (!bytes) {
        std::printf("  %s: never started\n", who);
        return;
    }
    std::istringstream lines(std::string(bytes->begin(), bytes->end()));
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const size_t a = line.find('\t');
        const size_t b = line.find('\t', a + 1);
        std::printf("  %s pid %s ran %s\n    command line: %s\n", who, line.substr(0, a).c_str(),
                    line.substr(a + 1, b - a - 1).c_str(), line.substr(b + 1).c_str());
    }
}

// A box's text as a person reads it: the usage text is stored in code page
// 1250, so it is read as UTF-16 and printed as UTF-8 rather than in this
// program's own code page.
std::string BoxTextUtf8(HWND box)
{
    const HWND label = GetDlgItem(box, 0xFFFF);
    std::wstring wide(static_cast<size_t>(GetWindowTextLengthW(label)) + 1, L'\0');
    wide.resize(static_cast<size_t>(GetWindowTextW(label, wide.data(), static_cast<int>(wide.size()))));
    const int size = WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), static_cast<int>(wide.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string text(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), static_cast<int>(wide.size()), text.data(), size, nullptr,
                        nullptr);
    return text;
}

// The usage box under the Czech interface, whose code page its text is
// written in.
int UsageRun(const std::string& shots)
{
    std::printf("== Setup.exe /?  (under the Czech interface)\n");
    const ULONGLONG started = GetTickCount64();
    auto setup = driver::StartInLocale("Setup.exe", "/?", "cs_CZ.UTF-8", kBound);
    if (!setup) {
        std::printf("  cannot start Setup.exe\n");
        return 1;
    }
    auto box = driver::WaitForWindowCaption(setup->Id(), "Parametry", kBound);
    if (box) {
        box->text = BoxTextUtf8(box->window);
        PrintBox("usage box", *box);
        driver::SaveScreenshot(shots + "usage.bmp");
        driver::CloseMessageBox(box->window);
    } else {
        std::printf("  no usage box appeared\n");
    }
    auto code = setup->Wait(kBound);
    std::printf("  exit code: %s, %s\n\n", code ? std::to_string(*code).c_str() : "(still running)",
                Seconds(started).c_str());
    return code && *code == 1001 ? 0 : 1;
}

int FullRun(const std::string& shots, const std::string& records)
{
    std::printf("== Setup.exe /v  (verbose: console log, progress window, closing box)\n");
    driver::RemoveTree(records);
    CreateDirectoryA(records.c_str(), nullptr);
    const std::string setupLog = records + "vutsetup.log";
    const std::string undoLog = records + "vutundo.log";

    const ULONGLONG started = GetTickCount64();
    driver::Process setup;
    driver::StartOptions start{driver::BinPath("Setup.exe"), "\"" + driver::BinPath("Setup.exe") + "\" /v", "",
                               {{"VUT_STANDIN_LOG", records}}, {}, ""};
    if (!setup.Start(start)) {
        std::printf("  cannot start Setup.exe\n");
        return 1;
    }
    std::optional<driver::WindowInfo> waitBox;
    std::optional<driver::WindowInfo> errorBox;
    driver::WaitUntil(
        [&] {
            for (auto& w : driver::WindowsOf(setup.Id())) {
                if (w.caption == "Wait Setup.exe")
                    waitBox = w;
                else if (w.caption != "Setup") // not the progress window: an error box
                    errorBox = w;
            }
            return waitBox || errorBox || !setup.Running();
        },
        kBound);

    // The wizard records its start before it shows its window.
    std::optional<driver::WindowInfo> wizard;
    DWORD wizardPid = 0;
    if (driver::WaitForFile(setupLog, waitBox ? kBound : 0)) {
        driver::WaitUntil(
            [&] {
                auto bytes = driver::ReadFileBytes(setupLog);
                wizardPid = bytes ? std::strtoul(std::string(bytes->begin(), bytes->end()).c_str(), nullptr, 10) : 0;
                return wizardPid != 0;
            },
            kBound);
        wizard = driver::WaitForWindowCaption(wizardPid, "Quelt Setup Wizard", kBound);
    }
    if (auto console = driver::ReadConsoleOf(setup.Id())) {
        std::printf("  console \"%ls\":\n", console->title.c_str());
        for (const auto& line : console->lines)
            std::printf("    > %s\n", line.c_str());
    }
    // The console covers the progress window: bring the window up, wait until
    // its bar is painted, and take it on its own too.
    for (auto& w : driver::WindowsOf(setup.Id())) {
        if (w.caption != "Setup")
            continue;
        SetWindowPos(w.window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        RECT field = {};
        GetWindowRect(GetDlgItem(w.window, 100), &field);
        driver::WaitUntil([&] { return driver::ScreenPixel(field.left + 4, (field.top + field.bottom) / 2) ==
                                       RGB(0, 0, 255); },
                          5000);
        driver::SaveScreenshot(shots + "progress.bmp", w.window);
    }
    driver::SaveScreenshot(shots + "run.bmp");
    if (errorBox) {
        PrintBox("error box", *errorBox);
        driver::CloseMessageBox(errorBox->window);
    }
    if (wizard) {
        PrintBox("wizard window", *wizard);
        driver::CloseMessageBox(wizard->window);
    }
    if (waitBox) {
        std::printf("  closing box \"%s\" shown\n", waitBox->caption.c_str());
        driver::CloseMessageBox(waitBox->window);
    }
    auto code = setup.Wait(kBound);
    std::printf("  exit code: %s, %s (the boxes closed as soon as they were read)\n",
                code ? std::to_string(*code).c_str() : "(still running)", Seconds(started).c_str());

    std::printf("  children:\n");
    PrintRecords(undoLog, "VutUndo.exe");
    PrintRecords(setupLog, "VutSetup.exe");

    const std::string uninstaller = ProgramFilesUninstaller();
    auto undoBytes = driver::ReadFileBytes(uninstaller);
    std::printf("  files:\n    %s: %s\n", uninstaller.c_str(),
                undoBytes ? (std::to_string(undoBytes->size()) + " bytes").c_str() : "missing");
    if (auto image = driver::ReadFileBytes(records + "vutsetup.image"))
        std::printf("    installer temp file: %zu bytes when the wizard started; the hand-over removes it once "
                    "the wizard ends\n",
                    image->size());
    return code && *code == 0 ? 0 : 1;
}

// What a deployment tool sees: a silent run that waits for the wizard (the
// stand-in installs for 8 s and asks for a restart) and logs to a file, and
// the same run without the wait.
int UnattendedRuns(const std::string& records)
{
    const char* logFolder = "C:\\logs\\";
    const std::string log = std::string(logFolder) + "quelt.log";
    CreateDirectoryA(logFolder, nullptr);
    DeleteFileA(log.c_str());
    int status = 0;
    for (const char* tail : {"/s /w /log=C:\\logs\\quelt.log", "/s"}) {
        const bool waits = std::string(tail).find("/w") != std::string::npos;
        std::printf("\n== Setup.exe %s  (the wizard installs for 8 s and ends with 3010)\n", tail);
        driver::RemoveTree(records);
        CreateDirectoryA(records.c_str(), nullptr);
        const ULONGLONG started = GetTickCount64();
        driver::Process setup;
        driver::StartOptions start{driver::BinPath("Setup.exe"), "\"" + driver::BinPath("Setup.exe") + "\" " + tail,
                                   "",
                                   {{"VUT_STANDIN_LOG", records},
                                    {"VUT_STANDIN_SETUP_MS", "8000"},
                                    {"VUT_STANDIN_SETUP_EXIT", "3010"}},
                                   {},
                                   ""};
        if (!setup.Start(start)) {
            std::printf("  cannot start Setup.exe\n");
            return 1;
        }
        const auto code = setup.Wait(kBound);
        const bool wizardEnded = driver::FileExists(records + "vutsetup.end");
        std::printf("  exit code: %s, %s; the wizard had %s\n", code ? std::to_string(*code).c_str() : "(running)",
                    Seconds(started).c_str(), wizardEnded ? "ended" : "not ended yet (still installing)");
        status |= !code || *code != (waits ? 3010u : 0u) || wizardEnded != waits;
        // The hand-over removes the wizard's file once the wizard has ended.
        driver::WaitUntil([&] { return driver::FileExists(records + "vutsetup.end"); }, kBound);
    }
    std::printf("  the log file %s:\n", log.c_str());
    if (auto bytes = driver::ReadFileBytes(log)) {
        std::istringstream lines(std::string(bytes->begin(), bytes->end()));
        for (std::string line; std::getline(lines, line);)
            std::printf("    | %s\n", line.substr(0, line.size() - (!line.empty() && line.back() == '\r')).c_str());
    }
    return status;
}

// The progress window in each of its languages, at 45 %, from the host that
// shows the real window in a process of its own language.
void LanguageShots(const std::string& shots)
{
    std::printf("\n== the progress window in its three languages\n");
    const char* languages[][2] = {{"en", "en_US.UTF-8"}, {"cs", "cs_CZ.UTF-8"}, {"pl", "pl_PL.UTF-8"}};
    for (const auto& language : languages) {
        auto host = driver::StartInLocale("progress_host.exe", "0 7 45", language[1], kBound);
        if (!host) {
            std::printf("  %s: the window host did not start\n", language[0]);
            continue;
        }
        auto window = driver::WaitForWindowCaption(host->Id(), "Setup", kBound);
        if (window) {
            const HWND field = GetDlgItem(window->window, 100);
            driver::WaitUntil(
                [&] {
                    // A control of another process answers only WM_GETTEXT itself.
                    char text[16] = {};
                    SendMessageTimeoutA(field, WM_GETTEXT, sizeof(text), reinterpret_cast<LPARAM>(text),
                                        SMTO_ABORTIFHUNG, 1000, nullptr);
                    RECT r = {};
                    GetWindowRect(field, &r);
                    return std::string(text) == "45 %" &&
                           driver::ScreenPixel(r.left + 4, (r.top + r.bottom) / 2) == RGB(0, 0, 255);
                },
                kBound);
            const std::string file = shots + "progress-" + language[0] + ".bmp";
            driver::SaveScreenshot(file, window->window);
            std::printf("  %s: progress-%s.png\n", language[0], language[0]);
            PostThreadMessageA(GetWindowThreadProcessId(window->window, nullptr), WM_QUIT, 0, 0);
        }
        if (!host->Wait(kBound))
            host->Kill();
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: run_demo <output folder>\n");
        return 2;
    }
    std::string out = argv[1];
    if (out.back() != '\\')
        out += '\\';
    CreateDirectoryA(out.c_str(), nullptr);
    const int usage = UsageRun(out);
    const int run = FullRun(out, out + "records\\");
    const int unattended = UnattendedRuns(out + "records\\");
    LanguageShots(out);
    return usage | run | unattended;
}
