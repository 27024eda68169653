// One loader at a time puts the uninstaller in its home and checks it.
//
// A second loader (a double-click, a script that starts the loader twice)
// would otherwise find the first one's copy half-written, fail its check,
// fail to delete the copy the first still holds, and end with a box that
// blames a working uninstaller. A named mutex is the mechanism: the system
// releases it when its owner ends, killed or not, and reports it abandoned,
// so a waiter learns at once that it must check (and if need be replace) a
// copy left cut; a wait on the file itself could not tell a writer that
// died from one that is slow.
//
// The name lives in a private namespace whose boundary is the Administrators
// group: only an elevated administrator or SYSTEM can create or open it, so
// no unelevated program can take the name first, hold it or refuse the
// loader. The namespace is not tied to a session, so loaders in any session
// (SYSTEM's session 0 among them) meet in it. A system without private
// namespaces (Wine has none) gets the global name instead, as before. Either
// way the mutex's own DACL lets both SYSTEM and Administrators open it,
// whichever of them made it.
#pragma once

#include "common/UniqueHandle.h"

#include <windows.h>

#include <string>

constexpr char kLoaderNamespace[] = "Quelt.Setup";
constexpr char kUninstallerHomeLockName[] = "UninstallerHome";
// Long enough for a partner to unpack and check the uninstaller twice (two
// checks of up to 10 s each); a partner that hangs longer is not waited for.
constexpr DWORD kUninstallerHomeLockBoundMs = 60000;

// The loader's private namespace, created or, when another loader made it,
// opened. Its functions are looked up, not imported: a system without them
// must still start the loader.
class LoaderNamespace {
public:
    enum class State {
        Open,        // names under the alias are the namespace's
        Unsupported, // the system has no private namespaces
        Refused,     // it could be neither created nor opened
    };

    explicit LoaderNamespace(const char* alias = kLoaderNamespace);
    ~LoaderNamespace();
    LoaderNamespace(const LoaderNamespace&) = delete;
    LoaderNamespace& operator=(const LoaderNamespace&) = delete;

    State Result() const { return state_; }

private:
    HANDLE boundary_ = nullptr;
    HANDLE namespace_ = nullptr;
    State state_ = State::Unsupported;
};

// The full name of the lock's mutex `name`: "<alias>\<name>" in the namespace,
// "Global\<alias>.<name>" where the system has none; empty when refused or
// too long.
std::string UninstallerHomeLockPath(const LoaderNamespace& space, const char* alias, const char* name);

class UninstallerHomeLock {
public:
    enum class Outcome {
        Taken,       // free, or given up by a partner that finished
        Abandoned,   // a partner ended while holding it: its copy may be cut
        TimedOut,    // a partner held it past the bound: going on without it
        Unavailable, // no such object could be made or opened: going on without it
    };

    // Waits up to `boundMs` for the mutex `name` of the namespace `alias`,
    // dispatching the thread's messages meanwhile so that the progress window
    // stays answered.
    explicit UninstallerHomeLock(DWORD boundMs = kUninstallerHomeLockBoundMs,
                                 const char* name = kUninstallerHomeLockName, const char* alias = kLoaderNamespace);
    ~UninstallerHomeLock();
    UninstallerHomeLock(const UninstallerHomeLock&) = delete;
    UninstallerHomeLock& operator=(const UninstallerHomeLock&) = delete;

    Outcome Result() const { return outcome_; }
    bool Held() const { return outcome_ == Outcome::Taken || outcome_ == Outcome::Abandoned; }

private:
    LoaderNamespace namespace_;
    UniqueHandle mutex_;
    Outcome outcome_ = Outcome::Unavailable;
};
