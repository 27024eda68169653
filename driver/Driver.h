// Windows-side driver for tests and the demo: starts programs the way the
// desktop does, with exact command lines, and watches what they show.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace driver {

// Folder of the running program (the build's bin folder), with a trailing backslash.
std::string BinDir();

// Path of a program beside the running one: BinPath("Setup.exe").
std::string BinPath(const std::string& name);

struct StartOptions {
    std::string application;              // empty: taken from the command line
    std::string commandLine;              // passed byte for byte
    std::string currentDirectory;         // empty: the driver's own
    std::map<std::string, std::string> environment; // added to (or replacing in) the driver's own
    std::vector<std::string> unsetEnvironment;       // removed from the driver's own
    std::string desktop;                  // <window station>\<desktop>; empty: the driver's own
};

// A window station of the driver's own, which no user is shown (as session
// 0's, where a deployment tool's SYSTEM run lives), with a desktop on it.
class HiddenDesktop {
public:
    HiddenDesktop();
    ~HiddenDesktop();
    HiddenDesktop(const HiddenDesktop&) = delete;
    HiddenDesktop& operator=(const HiddenDesktop&) = delete;
    // <window station>\<desktop> for StartOptions::desktop; empty when not made.
    const std::string& Name() const { return name_; }
    HWINSTA Station() const { return station_; }

private:
    HWINSTA station_ = nullptr;
    HDESK desktop_ = nullptr;
    std::string name_;
};

// One started program. No console is inherited (DETACHED_PROCESS), as from the desktop.
class Process {
public:
    Process() = default;
    Process(Process&&) noexcept;
    Process& operator=(Process&&) noexcept;
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;
    ~Process();

    bool Start(const StartOptions& options);
    // Takes over a process started elsewhere, by its id.
    bool Attach(DWORD processId);
    DWORD Id() const { return id_; }
    HANDLE Handle() const { return process_; }
    // Waits up to timeoutMs; the full 32-bit exit code, or nothing on time-out.
    std::optional<uint32_t> Wait(DWORD timeoutMs);
    bool Running() const;
    void Kill();

private:
    HANDLE process_ = nullptr;
    DWORD id_ = 0;
};

// Starts the program `exeName` (found beside the running one) with `arguments`
// under the Linux locale `locale` (such as "cs_CZ.UTF-8"), from which Wine
// takes its interface language and ANSI code page; waits up to timeoutMs for
// its Windows process. Wine ignores LANG in the environment block given to
// CreateProcess, so the start goes through the Linux shell.
// Starts a Linux program (such as Z:\bin\sh); Wine gives no handle to it, so
// the caller waits for what it does, not for its end.
bool StartLinuxProgram(const StartOptions& options);

std::optional<Process> StartInLocale(const std::string& exeName, const std::string& arguments,
                                     const std::string& locale, DWORD timeoutMs);

// A top-level window (or a dialog) and what it shows.
struct WindowInfo {
    HWND window = nullptr;
    std::string className;
    std::string caption;
    std::string text;                 // a message box's text (static control 0xFFFF)
    std::vector<std::string> buttons; // captions of its push buttons, in order
    bool hasIcon = false;             // a static control showing an icon
    RECT rect = {};
    bool visible = false;
};

// Visible top-level windows of process `pid`, by z-order.
std::vector<WindowInfo> WindowsOf(DWORD pid);

// Waits until process `pid` shows a visible top-level window that `match`
// accepts (any, when empty); bounded by timeoutMs.
std::optional<WindowInfo> WaitForWindow(DWORD pid, DWORD timeoutMs,
                                        const std::function<bool(const WindowInfo&)>& match = {});

// Waits for a window whose caption equals `caption`.
std::optional<WindowInfo> WaitForWindowCaption(DWORD pid, const std::string& caption, DWORD timeoutMs);

// Presses a message box's OK button.
void CloseMessageBox(HWND box);

// Text and title of process `pid`'s console.
struct ConsoleText {
    std::wstring title;
    std::vector<std::string> lines; // each row, trailing blanks cut; trailing empty rows dropped
    size_t width = 0;               // columns per row: where long lines wrap
};
std::optional<ConsoleText> ReadConsoleOf(DWORD pid);

// Waits until `pid`'s console holds at least `lineCount` non-empty rows.
std::optional<ConsoleText> WaitForConsoleLines(DWORD pid, size_t lineCount, DWORD timeoutMs);

// Saves the screen (or one window's rectangle of it) as a 24-bit BMP.
bool SaveScreenshot(const std::string& bmpPath, HWND window = nullptr);

// Colour of one screen pixel.
COLORREF ScreenPixel(int x, int y);

// Replaces resource type/id in the program file `exe` with `data` (not empty).
bool ReplaceResource(const std::string& exe, LPCSTR type, WORD id, const std::vector<unsigned char>& data,
                     WORD language = MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL));

// Removes every language copy of resource type/id from the program file `exe`.
// Wine's UpdateResourceA does not delete (it reports success and the resource
// stays), so the file's resources are written afresh without it.
bool RemoveResource(const std::string& exe, LPCSTR type, WORD id);

// Reads a resource of a program file without running it.
std::optional<std::vector<unsigned char>> ReadResource(const std::string& exe, LPCSTR type, WORD id,
                                                       std::optional<WORD> language = std::nullopt);

// Whole-file helpers.
std::optional<std::vector<unsigned char>> ReadFileBytes(const std::string& path);
bool WriteFileBytes(const std::string& path, const std::vector<unsigned char>& data);
bool FileExists(const std::string& path);
bool DirectoryExists(const std::string& path);
// A file's length, or nothing when it cannot be read.
std::optional<uint64_t> FileSize(const std::string& path);

// Waits until `path` exists (bounded).
bool WaitForFile(const std::string& path, DWORD timeoutMs);

// Polls `done` every few milliseconds until it holds or timeoutMs passes.
bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs);

// A fresh, empty folder under the temporary folder, removed with everything in it
// when the owner goes away.
class ScratchDir {
public:
    explicit ScratchDir(const std::string& tag = "t");
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::string& Path() const { return path_; } // with trailing backslash
    std::string operator/(const std::string& name) const { return path_ + name; }

private:
    std::string path_;
};

// Removes a folder tree; true when nothing is left.
bool RemoveTree(const std::string& path);

// A small real file system (a few MB), which the test scripts mount where
// they can and name in SETUP_SMALL_VOLUME (a Linux path): its folder as Wine
// sees it, with a trailing backslash, or empty when there is none.
std::string SmallVolumeFolder();
// What a test that needs it says when there is none.
constexpr char kNoSmallVolume[] =
    "no small volume: SETUP_SMALL_VOLUME is unset (scripts/small-volume.sh mounts one, as root)";

} // namespace driver
