#include "guard/WideCommandLineTail.h"

const wchar_t* WideCommandLineTail(const wchar_t* commandLine)
{
    if (commandLine == nullptr)
        return L"";
    const wchar_t* p = commandLine;
    bool quoted = false;
    while (*p != 0 && (*p > 0x20 || quoted)) {
        if (*p == L'"')
            quoted = !quoted;
        ++p;
    }
    while (*p != 0 && *p <= 0x20)
        ++p;
    return p;
}
