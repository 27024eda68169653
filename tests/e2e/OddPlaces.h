// Helpers for runs of Setup.exe in odd places: a drive letter of its own, a
// Program Files folder somewhere else, folders named in another code page,
// and consoles whose long lines wrap.
#pragma once

#include <windows.h>

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "Driver.h"

namespace e2e::odd {

// Text between UTF-16 and an 8-bit code page. Narrow() reports through
// `lossless` whether every character had a byte of its own there.
std::wstring Wide(const std::string& text, UINT codePage = CP_ACP);
std::string Narrow(const std::wstring& text, UINT codePage, bool* lossless = nullptr);

// Every file below `folder` (with a trailing backslash), as paths relative to
// it; folders count only when empty, with a trailing backslash.
std::set<std::wstring> FilesUnder(const std::wstring& folder);

// Removes a folder tree named in UTF-16 (the driver's removal reads names in
// the ANSI code page, which may have no letters for them); true when nothing is left.
bool RemoveTreeW(const std::wstring& path);

// "a, b, c" of the names, converted to UTF-8 for the case log and messages.
std::string Listing(const std::set<std::wstring>& names);

// The non-empty rows that `lines` fill on a console `width` columns wide,
// trailing blanks cut, as driver::ReadConsoleOf reads them.
std::vector<std::string> WrappedRows(const std::vector<std::string>& lines, size_t width);
std::vector<std::string> NonEmptyRows(const std::vector<std::string>& rows);

// A Windows folder's path on the Linux side.
std::string UnixPathOf(const std::string& windowsPath);

// A drive letter (R: or the next free one) that Wine maps to a folder, for as
// long as the object lives.
class WineDrive {
public:
    explicit WineDrive(const std::string& windowsFolder);
    ~WineDrive();
    WineDrive(const WineDrive&) = delete;
    WineDrive& operator=(const WineDrive&) = delete;
    // "R:\" when mapped, empty otherwise.
    const std::string& Root() const { return root_; }

private:
    void RemoveLink();

    std::string root_;
    std::string link_;
    std::string target_;
};

// A string value of the registry, set for as long as the object lives and
// then put back as it was (or removed, when there was none).
class RegistryString {
public:
    RegistryString(HKEY root, std::wstring subKey, std::wstring name);
    ~RegistryString();
    RegistryString(const RegistryString&) = delete;
    RegistryString& operator=(const RegistryString&) = delete;
    bool Set(const std::wstring& value);
    std::optional<std::wstring> Original() const { return original_; }

private:
    HKEY root_;
    std::wstring subKey_;
    std::wstring name_;
    std::optional<std::wstring> original_;
    bool changed_ = false;
};

// A start under a Linux locale (such as "cs_CZ.UTF-8", from which Wine takes
// the ANSI code page) with an exact UTF-16 command line and environment. The
// Windows environment of a program that Wine starts from Linux comes partly
// from the registry (TEMP and TMP among it), so a relay started under the
// locale (this suite's own program) makes the start: its children keep the
// locale, and the environment is the one given here.
struct LocaleStart {
    std::string locale;
    std::wstring application;
    std::wstring commandLine;
    std::wstring currentDirectory;
    std::map<std::wstring, std::wstring> environment; // added to, or replacing in, the suite's own
    std::vector<std::wstring> unsetEnvironment;
    std::string scratchFolder; // where the relay's instructions go, with a trailing backslash
};
std::optional<driver::Process> StartUnderLocale(const LocaleStart& start, DWORD timeoutMs);

} // namespace e2e::odd
