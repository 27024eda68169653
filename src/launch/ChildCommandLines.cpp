#include "launch/ChildCommandLines.h"

#include "launch/BoundedString.h"


static_assert(kCommandLineCapacity >= 524, "never smaller than the classic command-line buffer");
static_assert(kCommandLineCapacity >= 14 + 10 + 1 + (MAX_PATH - 1) + 1, "the hand-over line fits too");

void BuildInstallerCommandLine(char (&buffer)[kCommandLineCapacity], const char* loaderFolder, bool silent,
                               bool verbose)
{
    BoundedString line(buffer, sizeof(buffer));
    line.Append("\"");
    line.Append(loaderFolder);
    line.Append("VutSetup.exe");
    line.Append("\" ");
    line.Append(loaderFolder);
    if (silent)
        line.Append(" /s");
    if (verbose)
        line.Append(" /v");
}

void BuildHandOverCommandLine(char (&buffer)[kCommandLineCapacity], uint32_t installerProcessId,
                              const char* tempPath)
{
    // Unsigned decimal, no padding: at most 10 digits.
    char digits[11];
    char* p = digits + sizeof(digits);
    *--p = '\0';
    do {
        *--p = static_cast<char>('0' + installerProcessId % 10);
        installerProcessId /= 10;
    } while (installerProcessId != 0);

    BoundedString line(buffer, sizeof(buffer));
    line.Append("VutUndo.exe /p");
    line.Append(p);
    line.Append(" ");
    line.Append(tempPath);
}
