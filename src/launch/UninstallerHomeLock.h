// One loader at a time puts the uninstaller in its home and checks it.
//
// A second loader (a double-click, a script that starts the loader twice)
// would otherwise find the first one's copy half-written, fail its check,
// fail to delete the copy the first still holds, and end with a box that
// blames a working uninstaller.
//
// The lock is a file in the home itself, held open with no sharing at all:
// a second open fails until the holder closes it, which the system does when
// the holder ends, killed or not, and the file is deleted with that last
// handle. Only accounts that may write the home can make or hold it, and the
// loader uses a home only once it has found that those are SYSTEM and the
// Administrators group alone. It works the same wherever the loader runs, in
// any session, with no namespace whose life would end with its creator's.
#pragma once

#include "common/UniqueHandle.h"

#include <windows.h>

constexpr char kUninstallerHomeLockFile[] = "Setup.lock";
// Long enough for a partner to unpack and check the uninstaller twice (two
// checks of up to 10 s each); a partner that hangs longer is not waited for.
constexpr DWORD kUninstallerHomeLockBoundMs = 60000;
// How often a waiter tries the file again, servicing its window in between.
constexpr DWORD kUninstallerHomeLockRetryMs = 50;

class UninstallerHomeLock {
public:
    enum class Outcome {
        Taken,       // free, or given up by a partner that finished or ended
        TimedOut,    // a partner held it past the bound: going on without it
        Unavailable, // the file could not be made (no home, a folder of that name): going on without it
    };

    // Waits up to `boundMs` for the lock file in `home` (a folder path with a
    // trailing backslash), dispatching the thread's messages meanwhile so that
    // the progress window stays answered.
    explicit UninstallerHomeLock(const char* home, DWORD boundMs = kUninstallerHomeLockBoundMs);

    Outcome Result() const { return outcome_; }
    bool Held() const { return outcome_ == Outcome::Taken; }

private:
    UniqueFile file_; // closed, and so deleted and given up, with the lock
    Outcome outcome_ = Outcome::Unavailable;
};
