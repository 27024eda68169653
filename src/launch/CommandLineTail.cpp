#include "launch/CommandLineTail.h"

#include <windows.h>

const char* CommandLineTail(const char* fullCommandLine, LeadBytePredicate isLeadByte)
{
    if (fullCommandLine == nullptr)
        return "";
    const unsigned char* p = reinterpret_cast<const unsigned char*>(fullCommandLine);
    bool quoted = false;
    while (*p != 0 && (*p > 0x20 || quoted)) {
        if (*p == '"')
            quoted = !quoted;
        // A lead byte at the very end has no partner: never step over the NUL.
        else if (isLeadByte(*p) && p[1] != 0)
            ++p;
        ++p;
    }
    while (*p != 0 && *p <= 0x20)
        ++p;
    return reinterpret_cast<const char*>(p);
}

namespace {
bool IsAnsiLeadByte(unsigned char c) { return IsDBCSLeadByte(c) != FALSE; }
} // namespace

const char* CommandLineTail(const char* fullCommandLine)
{
    return CommandLineTail(fullCommandLine, IsAnsiLeadByte);
}
