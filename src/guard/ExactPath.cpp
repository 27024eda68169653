#include "guard/ExactPath.h"

#include "guard/ExactAnsi.h"

std::optional<std::string> ExactPath(const std::wstring& wide, const std::string& ansi, UINT codePage,
                                     ShortPathSource shortPath)
{
    if (wide.empty())
        return std::string();
    if (const std::optional<std::string> exact = ExactAnsi(wide, codePage))
        return *exact == ansi ? ansi : std::string();
    wchar_t shortName[MAX_PATH] = {};
    const DWORD length = shortPath(wide.c_str(), shortName, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return std::nullopt;
    std::optional<std::string> spelled = ExactAnsi(std::wstring_view(shortName, length), codePage);
    if (spelled && spelled->size() >= MAX_PATH)
        return std::nullopt;
    return spelled;
}
