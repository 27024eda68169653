// One loader at a time puts the uninstaller in its home and checks it.
//
// A second loader (a double-click, a script that starts the loader twice)
// would otherwise find the first one's copy half-written, fail its check,
// fail to delete the copy the first still holds, and end with a box that
// blames a working uninstaller. A named mutex is the mechanism: the system
// releases it when its owner ends, killed or not, and reports it abandoned,
// so a waiter learns at once that it must check (and if need be replace) a
// copy left cut; a wait on the file itself could not tell a writer that
// died from one that is slow. The home is one folder per machine, so the
// name lives in the global namespace, across sessions.
#pragma once

#include "common/UniqueHandle.h"

#include <windows.h>

constexpr char kUninstallerHomeLockName[] = "Global\\Quelt.Setup.UninstallerHome";
// Long enough for a partner to unpack and check the uninstaller twice (two
// checks of up to 10 s each); a partner that hangs longer is not waited for.
constexpr DWORD kUninstallerHomeLockBoundMs = 60000;

class UninstallerHomeLock {
public:
    enum class Outcome {
        Taken,       // free, or given up by a partner that finished
        Abandoned,   // a partner ended while holding it: its copy may be cut
        TimedOut,    // a partner held it past the bound: going on without it
        Unavailable, // no such object could be made or opened: going on without it
    };

    // Waits up to `boundMs` for the lock, dispatching the thread's messages
    // meanwhile so that the progress window stays answered.
    explicit UninstallerHomeLock(DWORD boundMs = kUninstallerHomeLockBoundMs,
                                 const char* name = kUninstallerHomeLockName);
    ~UninstallerHomeLock();
    UninstallerHomeLock(const UninstallerHomeLock&) = delete;
    UninstallerHomeLock& operator=(const UninstallerHomeLock&) = delete;

    Outcome Result() const { return outcome_; }
    bool Held() const { return outcome_ == Outcome::Taken || outcome_ == Outcome::Abandoned; }

private:
    UniqueHandle mutex_;
    Outcome outcome_ = Outcome::Unavailable;
};
