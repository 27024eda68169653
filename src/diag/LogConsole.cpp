// Verbose mode's console: a console of the process's own, with the C and C++
// standard streams reopened onto it so that plain std::cout lines land there.
#include "diag/LogConsole.h"

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <iostream>

namespace {

struct StandardStream {
    FILE* stream;
    int descriptor;
    const char* device;
    const char* mode;
    DWORD access;
    int descriptorFlags;
};

// Wine's C runtime gives a GUI process started without standard handles
// streams with no descriptor (-2), and its freopen refuses such a stream.
// Handing the stream's usual descriptor a handle to the device first lets
// the reopen go through.
bool GiveDescriptorTo(const StandardStream& s)
{
    const HANDLE device = CreateFileA(s.device, s.access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, 0, nullptr);
    if (device == INVALID_HANDLE_VALUE)
        return false;
    const int temporary = _open_osfhandle(reinterpret_cast<intptr_t>(device), s.descriptorFlags);
    if (temporary == -1) {
        CloseHandle(device);
        return false;
    }
    const bool moved = _dup2(temporary, s.descriptor) == 0;
    // The descriptor's copy of the handle lives on in s.descriptor when moved;
    // otherwise there is nothing left to keep.
    _close(temporary);
    if (!moved)
        return false;
    s.stream->_file = s.descriptor;
    return true;
}

void Reopen(const StandardStream& s)
{
    if (std::freopen(s.device, s.mode, s.stream))
        return;
    // A stream that stays detached only loses its lines; the run goes on.
    if (GiveDescriptorTo(s))
        std::freopen(s.device, s.mode, s.stream);
}

} // namespace

bool OpenLogConsole(const wchar_t* title)
{
    if (!AllocConsole())
        return false;
    // Without its title the console still carries the log.
    SetConsoleTitleW(title);

    Reopen({stdout, 1, "CONOUT$", "w", GENERIC_READ | GENERIC_WRITE, _O_TEXT | _O_WRONLY});
    Reopen({stderr, 2, "CONOUT$", "w", GENERIC_READ | GENERIC_WRITE, _O_TEXT | _O_WRONLY});
    Reopen({stdin, 0, "CONIN$", "r", GENERIC_READ | GENERIC_WRITE, _O_TEXT | _O_RDONLY});

    // Each line must be on the console before the next step, which may wait
    // for a child or end the process, so standard output is written through.
    // Asking for no buffer cannot fail for a stream that exists.
    std::setvbuf(stdout, nullptr, _IONBF, 0);

    std::ios::sync_with_stdio(true);
    // Writes made before the console existed failed and left the streams mute.
    std::cout.clear();
    std::cerr.clear();
    std::cin.clear();
    return true;
}
