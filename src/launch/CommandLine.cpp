#include "launch/CommandLine.h"

#include "launch/BoundedString.h"

#include <cstring>

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

void ScanSwitches(const char* rest, LaunchOptions& options)
{
    if (rest == nullptr || *rest == '\0')
        return;
    options.Silent = std::strstr(rest, "/s") != nullptr;
    options.ReinstallUndo = std::strstr(rest, "/a") != nullptr;
    options.Verbose = std::strstr(rest, "/v") != nullptr;
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
