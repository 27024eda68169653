// The input as a command line: byte 0 picks what the folder sources answer and
// the capacity of the small-buffer checks, byte 1 the lowest lead byte (0 for
// none), the rest (up to a NUL) is the text. The text goes through the tail
// rule, and both it and its tail through the help test and GetParams, whose
// results must match a plain std::string reading of the documented rules.
#include "Check.h"
#include "Shim.h"

#include "launch/CommandLine.h"
#include "launch/CommandLineTail.h"
#include "launch/GetParams.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>

namespace {

constexpr unsigned char kCanary = 0xA5;
constexpr size_t kMaxText = MAX_PATH - 1;

unsigned g_leadThreshold = 0;
bool IsLeadByte(unsigned char c) { return g_leadThreshold != 0 && c >= g_leadThreshold; }

// A path of `length` characters made of 9-letter folders, to land cuts anywhere.
std::string DeepPath(size_t length)
{
    std::string path = "C:";
    while (path.size() < length)
        path += path.size() % 10 == 2 ? '\\' : static_cast<char>('a' + path.size() % 10);
    return path;
}

shim::FolderAnswer CurrentDirectoryAnswer(unsigned choice)
{
    switch (choice) {
    case 0: return {"C:\\cur"};
    case 1: return {"", true};
    case 2: return {"C:\\"};
    case 3: return {DeepPath(kMaxText)};     // fits exactly, no room for the backslash
    case 4: return {DeepPath(kMaxText - 1)}; // room for the backslash alone
    case 5: return {DeepPath(MAX_PATH)};     // does not fit: the size it needs comes back
    case 6: return {"C:\\dir/"};             // a slash is no backslash
    default: return {"\\\\server\\share\\d"};
    }
}

// `folderLength` characters of folder, backslashes included, after "C:".
std::string ModuleInFolder(size_t folderLength)
{
    return "C:\\" + std::string(folderLength - 2, 'f') + "\\Setup.exe";
}

shim::FolderAnswer ModuleFileNameAnswer(unsigned choice, size_t textLength)
{
    switch (choice) {
    case 0: return {"D:\\Kit\\Setup.exe"};
    case 1: return {"", true};
    // Past MAX_PATH, so cut to the buffer without a terminator, which makes it
    // no path. The folder is 250 to 259 characters long: the cut falls in the
    // name, or before the folder's last backslash.
    case 2: return {ModuleInFolder(250 + textLength % 10)};
    default:
        break;
    }
    // The last two are forms the system never reports, for the rule's sake.
    static const char* const others[] = {"\\\\server\\share\\Setup.exe", "D:/Kit/Setup.exe", "C:Setup.exe"};
    return {others[textLength % 3]};
}

// A module path as the system gives it: backslashes only, from a drive's
// root or a share.
bool InSystemForm(const std::string& path)
{
    return path.find('/') == std::string::npos &&
           (path.compare(0, 2, "\\\\") == 0 || (path.size() > 2 && path[1] == ':' && path[2] == '\\'));
}

std::string Cut(const std::string& text, size_t capacity) { return text.substr(0, capacity - 1); }

// --- The rules, read plainly -------------------------------------------------

std::string ModelTail(const std::string& line)
{
    size_t i = 0;
    bool quoted = false;
    const auto at = [&](size_t k) { return static_cast<unsigned char>(line[k]); };
    while (i < line.size() && (at(i) > 0x20 || quoted)) {
        if (at(i) == '"')
            quoted = !quoted;
        else if (IsLeadByte(at(i)) && i + 1 < line.size())
            ++i;
        ++i;
    }
    while (i < line.size() && at(i) <= 0x20)
        ++i;
    return line.substr(i);
}

struct ModelToken {
    std::string Dir;
    size_t Rest = 0;
    bool Unclosed = false;
};

ModelToken ModelFirstToken(const std::string& tail, size_t capacity)
{
    ModelToken t;
    if (tail[0] == '/')
        return t;
    if (tail[0] == '"') {
        const size_t close = tail.find('"', 1);
        if (close == std::string::npos) {
            t.Unclosed = true;
            t.Rest = tail.size();
            return t;
        }
        t.Dir = Cut(tail.substr(1, close - 1), capacity);
        t.Rest = close == 1 ? close : close + 1;
        return t;
    }
    size_t end = tail.find(' ');
    if (end == std::string::npos)
        end = tail.find('/');
    if (end == std::string::npos)
        end = tail.size();
    t.Dir = Cut(tail.substr(0, end), capacity);
    t.Rest = end == tail.size() || tail[end] == '/' ? end : end + 1;
    return t;
}

std::string ModelEndWithBackslash(std::string path, size_t capacity)
{
    if (!path.empty() && path.back() != '\\' && path.size() < capacity - 1)
        path += '\\';
    return path;
}

std::string ModelIniPath(const std::string& sourceDir, size_t capacity)
{
    std::string path = sourceDir;
    if (path.empty() || path.back() != '\\')
        path += '\\';
    return Cut(path + "setup.ini", capacity);
}

struct Switches {
    bool Silent = false, ReinstallUndo = false, Verbose = false, Wait = false;
    std::string LogPath;
};

// The first "/log=" takes what follows up to a blank, or between quotes, out
// of the switch search; a path is kept only when it fits and is not empty.
// Unclosed quotes take nothing out.
Switches ModelSwitches(std::string rest)
{
    Switches s;
    const size_t at = rest.find("/log=");
    if (at != std::string::npos) {
        size_t begin = at + 5;
        size_t end = std::string::npos;
        size_t after = std::string::npos;
        if (begin < rest.size() && rest[begin] == '"') {
            ++begin;
            end = rest.find('"', begin);
            after = end == std::string::npos ? end : end + 1;
        } else {
            end = std::min(rest.find(' ', begin), rest.size());
            after = end;
        }
        if (end != std::string::npos) {
            if (end > begin && end - begin < MAX_PATH)
                s.LogPath = rest.substr(begin, end - begin);
            rest = rest.substr(0, at) + " " + rest.substr(after);
        }
    }
    s.Silent = rest.find("/s") != std::string::npos;
    s.ReinstallUndo = rest.find("/a") != std::string::npos;
    s.Verbose = rest.find("/v") != std::string::npos;
    s.Wait = rest.find("/w") != std::string::npos;
    return s;
}

// The module path up to its last separator (a lead byte's partner is never
// one); without one only a drive stays. A path cut to the buffer gives none.
std::string ModelLoaderFolder(const shim::FolderAnswer& module)
{
    if (module.Fails || module.Text.size() >= MAX_PATH)
        return "";
    const std::string& path = module.Text;
    size_t keep = path.size() >= 2 && path[1] == ':' ? 2 : 0;
    for (size_t i = 0; i < path.size(); ++i) {
        const auto c = static_cast<unsigned char>(path[i]);
        if (c == '\\' || c == '/')
            keep = i + 1;
        else if (IsLeadByte(c) && i + 1 < path.size())
            ++i;
    }
    return path.substr(0, keep);
}

struct ModelParams {
    std::string SourceDir, IniPath;
    Switches Flags;
};

ModelParams ModelGetParams(const std::string& tail, const shim::FolderAnswer& current,
                           const shim::FolderAnswer& module)
{
    ModelParams p;
    std::string rest;
    bool unclosed = false;
    if (tail.empty()) {
        if (!current.Fails && current.Text.size() < MAX_PATH)
            p.SourceDir = current.Text;
    } else {
        const ModelToken token = ModelFirstToken(tail, MAX_PATH);
        p.SourceDir = token.Dir;
        rest = tail.substr(token.Rest);
        unclosed = token.Unclosed;
    }
    if (!unclosed) {
        p.SourceDir = ModelEndWithBackslash(p.SourceDir, MAX_PATH);
        p.Flags = ModelSwitches(rest);
    }
    if (p.SourceDir.empty())
        p.SourceDir = ModelLoaderFolder(module);
    p.IniPath = ModelIniPath(p.SourceDir, MAX_PATH);
    return p;
}

// --- Checks of the real code -------------------------------------------------

// Text, its NUL inside the buffer, and nothing written after it (the buffers
// come in all zero, as WinMain hands them over).
std::string CheckedText(const char (&buffer)[MAX_PATH])
{
    const size_t length = strnlen(buffer, MAX_PATH);
    FUZZ_CHECK(length < MAX_PATH);
    for (size_t i = length; i < MAX_PATH; ++i)
        FUZZ_CHECK(buffer[i] == '\0');
    return std::string(buffer, length);
}

struct Guarded {
    unsigned char Before[32];
    LaunchOptions Options;
    unsigned char After[32];
};

void CheckGetParams(const std::string& tail, const shim::FolderAnswer& current, const shim::FolderAnswer& module)
{
    FUZZ_CHECK(IsHelpRequest(tail.c_str()) == (tail.find("/?") != std::string::npos));

    auto guarded = std::make_unique<Guarded>();
    std::memset(guarded->Before, kCanary, sizeof guarded->Before);
    std::memset(guarded->After, kCanary, sizeof guarded->After);
    // Switches start set, so that GetParams has to clear them.
    guarded->Options.Silent = guarded->Options.ReinstallUndo = guarded->Options.Verbose = true;
    guarded->Options.WaitForInstaller = true;
    guarded->Options.LogPath[0] = 'x';
    guarded->Options.UninstallMode = 0x5A5A5A5A;

    FUZZ_CHECK(GetParams(tail.c_str(), guarded->Options));

    for (unsigned char b : guarded->Before)
        FUZZ_CHECK(b == kCanary);
    for (unsigned char b : guarded->After)
        FUZZ_CHECK(b == kCanary);
    const LaunchOptions& o = guarded->Options;
    FUZZ_CHECK(o.UninstallMode == 0x5A5A5A5A);
    const std::string sourceDir = CheckedText(o.SourceDir);
    const std::string iniPath = CheckedText(o.IniPath);
    const std::string logPath = CheckedText(o.LogPath);

    // The loader's folder is the last fallback: only without it can SourceDir
    // stay empty. A folder ends with a backslash unless cut at 259 characters
    // (or taken from a module path in a form the system never reports).
    FUZZ_CHECK(!sourceDir.empty() || ModelLoaderFolder(module).empty());
    if (!sourceDir.empty() && sourceDir.size() < kMaxText)
        FUZZ_CHECK(sourceDir.back() == '\\' ||
                   (sourceDir == ModelLoaderFolder(module) && !InSystemForm(module.Text)));
    FUZZ_CHECK(iniPath.compare(0, sourceDir.size(), sourceDir) == 0);
    // A switch comes only from its own text.
    FUZZ_CHECK(!o.Silent || tail.find("/s") != std::string::npos);
    FUZZ_CHECK(!o.ReinstallUndo || tail.find("/a") != std::string::npos);
    FUZZ_CHECK(!o.Verbose || tail.find("/v") != std::string::npos);
    FUZZ_CHECK(!o.WaitForInstaller || tail.find("/w") != std::string::npos);
    FUZZ_CHECK(logPath.empty() || tail.find("/log=" + logPath) != std::string::npos ||
               tail.find("/log=\"" + logPath + "\"") != std::string::npos);

    const ModelParams expected = ModelGetParams(tail, current, module);
    FUZZ_CHECK(sourceDir == expected.SourceDir);
    FUZZ_CHECK(iniPath == expected.IniPath);
    FUZZ_CHECK(o.Silent == expected.Flags.Silent);
    FUZZ_CHECK(o.ReinstallUndo == expected.Flags.ReinstallUndo);
    FUZZ_CHECK(o.Verbose == expected.Flags.Verbose);
    FUZZ_CHECK(o.WaitForInstaller == expected.Flags.Wait);
    FUZZ_CHECK(logPath == expected.Flags.LogPath);
}

// The single rules over a buffer of `capacity` bytes exactly, so that the
// sanitizer sees any byte past it.
void CheckSmallBuffers(const std::string& tail, size_t capacity)
{
    if (tail.empty())
        return; // ReadFirstToken is only ever given a non-empty tail
    std::unique_ptr<char[]> dir(new char[capacity]());
    const FirstToken token = ReadFirstToken(tail.c_str(), dir.get(), capacity);
    const ModelToken expected = ModelFirstToken(tail, capacity);
    FUZZ_CHECK(token.Rest >= tail.c_str() && token.Rest <= tail.c_str() + tail.size());
    FUZZ_CHECK(static_cast<size_t>(token.Rest - tail.c_str()) == expected.Rest);
    FUZZ_CHECK(token.Unclosed == expected.Unclosed);
    FUZZ_CHECK(strnlen(dir.get(), capacity) < capacity);
    FUZZ_CHECK(dir.get() == expected.Dir);

    EndWithBackslash(dir.get(), capacity);
    const std::string ended = ModelEndWithBackslash(expected.Dir, capacity);
    FUZZ_CHECK(strnlen(dir.get(), capacity) < capacity);
    FUZZ_CHECK(dir.get() == ended);

    std::unique_ptr<char[]> ini(new char[capacity]);
    std::memset(ini.get(), 'Z', capacity); // the builder attaches as empty: old bytes must not matter
    BuildIniPath(dir.get(), ini.get(), capacity);
    FUZZ_CHECK(strnlen(ini.get(), capacity) < capacity);
    FUZZ_CHECK(ini.get() == ModelIniPath(ended, capacity));

    LaunchOptions options;
    ScanSwitches(token.Rest, options);
    const Switches s = ModelSwitches(tail.substr(expected.Rest));
    FUZZ_CHECK(options.Silent == s.Silent && options.ReinstallUndo == s.ReinstallUndo &&
               options.Verbose == s.Verbose && options.WaitForInstaller == s.Wait);
    FUZZ_CHECK(CheckedText(options.LogPath) == s.LogPath);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    const unsigned control = data[0];
    const shim::FolderAnswer current = CurrentDirectoryAnswer(control & 7);
    const shim::FolderAnswer module = ModuleFileNameAnswer((control >> 3) & 3, size);
    static const size_t kCapacities[] = {1, 2, 3, 5, 8, 13, 40, MAX_PATH};
    const size_t capacity = kCapacities[control >> 5];
    g_leadThreshold = data[1];
    shim::SetLeadByteThreshold(data[1]);
    shim::SetCurrentDirectoryAnswer(current);
    shim::SetModuleFileNameAnswer(module);

    // Text up to its first NUL, as the platform hands it over; a copy of just
    // that length so that reading past it is caught.
    const auto* text = reinterpret_cast<const char*>(data + 2);
    const std::string line(text, strnlen(text, size - 2));

    // The tail rule, with the harness's lead bytes and with the platform's.
    const char* tail = CommandLineTail(line.c_str(), IsLeadByte);
    FUZZ_CHECK(tail >= line.c_str() && tail <= line.c_str() + line.size());
    FUZZ_CHECK(static_cast<unsigned char>(*tail) == 0 || static_cast<unsigned char>(*tail) > 0x20);
    FUZZ_CHECK(tail == line.c_str() + line.size() - ModelTail(line).size());
    FUZZ_CHECK(CommandLineTail(line.c_str()) == tail);
    FUZZ_CHECK(*CommandLineTail(nullptr, IsLeadByte) == '\0');

    CheckGetParams(line, current, module);
    CheckGetParams(tail, current, module);
    CheckSmallBuffers(line, capacity);
    CheckSmallBuffers(tail, capacity);
    return 0;
}
