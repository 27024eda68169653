#include "CaseLog.h"

#include <cstdio>
#include <cstdlib>

namespace driver {

namespace {

// Tabs and line breaks would split a field or a line.
std::string Field(std::string text)
{
    for (char& c : text) {
        if (c == '\t' || c == '\r' || c == '\n')
            c = ' ';
    }
    return text;
}

} // namespace

void LogCaseEnd(const CaseEnd& end)
{
    const char* path = std::getenv("SETUP_CASE_LOG");
    if (path == nullptr || *path == '\0')
        return;
    FILE* log = std::fopen(path, "ab");
    if (log == nullptr)
        return;
    std::fprintf(log, "%s\t%s\t%s\t%.1f\t%s\n", Field(end.category).c_str(), Field(end.name).c_str(),
                 Field(end.outcome).c_str(), end.milliseconds,
                 Field(end.leftBehind.empty() ? "nothing" : end.leftBehind).c_str());
    std::fclose(log);
}

bool FullCampaign()
{
    const char* campaign = std::getenv("SETUP_CAMPAIGN");
    return campaign != nullptr && std::string(campaign) == "full";
}

double NowMs()
{
    LARGE_INTEGER frequency;
    LARGE_INTEGER now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

} // namespace driver
