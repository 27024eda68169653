#include "ui/SeenMessageBox.h"

namespace {

std::optional<DWORD> StationFlags()
{
    USEROBJECTFLAGS flags = {};
    if (!GetUserObjectInformationA(GetProcessWindowStation(), UOI_FLAGS, &flags, sizeof flags, nullptr))
        return std::nullopt;
    return flags.dwFlags;
}

std::optional<DWORD> Session()
{
    DWORD session = 0;
    if (!ProcessIdToSessionId(GetCurrentProcessId(), &session))
        return std::nullopt;
    return session;
}

} // namespace

bool BoxCanBeSeen(std::optional<DWORD> session, std::optional<DWORD> stationFlags)
{
    if (session && *session == 0)
        return false;
    return !stationFlags || (*stationFlags & WSF_VISIBLE) != 0;
}

bool WindowStationIsVisible() { return BoxCanBeSeen(std::nullopt, StationFlags()); }

void ShowMessageBoxWhereSeen(const char* text, const char* caption, UINT type)
{
    // Every box of the loader has OK alone: which button closed it says nothing.
    if (BoxCanBeSeen(Session(), StationFlags()))
        static_cast<void>(MessageBoxA(nullptr, text, caption, type));
}
