#include "ui/SeenMessageBox.h"

bool WindowStationIsVisible()
{
    USEROBJECTFLAGS flags = {};
    if (!GetUserObjectInformationA(GetProcessWindowStation(), UOI_FLAGS, &flags, sizeof flags, nullptr))
        return true;
    return (flags.dwFlags & WSF_VISIBLE) != 0;
}

void ShowMessageBoxWhereSeen(const char* text, const char* caption, UINT type)
{
    // Every box of the loader has OK alone: which button closed it says nothing.
    if (WindowStationIsVisible())
        static_cast<void>(MessageBoxA(nullptr, text, caption, type));
}
