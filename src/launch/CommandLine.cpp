#include "launch/CommandLine.h"

#include "launch/BoundedString.h"

#include <cstring>
#include <string>

bool IsHelpRequest(const char* tail) { return std::strstr(tail, "/?") != nullptr; }

FirstToken ReadFirstToken(const char* tail, char* sourceDir, size_t capacity)
{
    FirstToken result;
    if (tail[0] == '/') {
        result.Rest = tail;
        return result;
    }

    const char* begin = tail;
    const char* end = nullptr;
    if (tail[0] == '"') {
        begin = tail + 1;
        end = std::strchr(begin, '"');
        if (end == nullptr) {
            result.Unclosed = true;
            result.Rest = begin + std::strlen(begin);
            return result;
        }
        // An empty token leaves the closing quote in the rest.
        result.Rest = end == begin ? end : end + 1;
    } else {
        // A blank anywhere ends the token; only without one does a slash.
        end = std::strchr(tail, ' ');
        if (end == nullptr)
            end = std::strchr(tail, '/');
        if (end == nullptr)
            end = tail + std::strlen(tail);
        // A slash that ends the token opens the rest.
        result.Rest = (*end == '\0' || *end == '/') ? end : end + 1;
    }

    if (end > begin) {
        BoundedString dir(sourceDir, capacity);
        dir.Append(begin, static_cast<size_t>(end - begin));
    }
    return result;
}

LogSwitch ReadLogSwitch(const char* rest, char* path, size_t capacity)
{
    LogSwitch result;
    result.Begin = std::strstr(rest, "/log=");
    if (result.Begin == nullptr)
        return result;
    const char* begin = result.Begin + 5;
    const char* end = nullptr;
    if (*begin == '"') {
        ++begin;
        end = std::strchr(begin, '"');
        if (end == nullptr) {
            // Unclosed: no log, and the rest is searched as if it had none.
            result.Begin = nullptr;
            return result;
        }
        result.End = end + 1;
    } else {
        end = std::strchr(begin, ' ');
        if (end == nullptr)
            end = begin + std::strlen(begin);
        result.End = end;
    }
    const size_t length = static_cast<size_t>(end - begin);
    result.Valid = length > 0 && length < capacity;
    if (result.Valid) {
        std::memcpy(path, begin, length);
        path[length] = '\0';
    }
    return result;
}

void ScanSwitches(const char* rest, LaunchOptions& options)
{
    if (rest == nullptr || *rest == '\0')
        return;
    std::string switches = rest;
    const LogSwitch log = ReadLogSwitch(rest, options.LogPath, sizeof options.LogPath);
    if (log.Begin != nullptr)
        switches.replace(static_cast<size_t>(log.Begin - rest), static_cast<size_t>(log.End - log.Begin), " ");
    const char* text = switches.c_str();
    options.Silent = std::strstr(text, "/s") != nullptr;
    options.ReinstallUndo = std::strstr(text, "/a") != nullptr;
    options.Verbose = std::strstr(text, "/v") != nullptr;
    options.WaitForInstaller = std::strstr(text, "/w") != nullptr;
}

void EndWithBackslash(char* path, size_t capacity)
{
    BoundedString text(path, capacity, std::strlen(path));
    if (!text.IsEmpty())
        text.AppendUnlessLast('\\');
}

void BuildIniPath(const char* sourceDir, char* iniPath, size_t capacity)
{
    BoundedString path(iniPath, capacity);
    path.Append(sourceDir);
    path.AppendUnlessLast('\\');
    path.Append("setup.ini");
}
