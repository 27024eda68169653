// The folder the elevated wizard runs from. Windows looks in a program's own
// folder first for every DLL that is not a known DLL, so that folder must be
// one that no other account can write: a new folder with a random name under
// the Windows folder's Temp, made with an administrators-only DACL in the
// creating call. The user's own temporary folder is never used: the user's
// unelevated programs write there, and an elevated process takes TMP and TEMP
// from the user's registry, which those programs write too.
#pragma once

#include "common/UniqueHandle.h"

#include <windows.h>

#include <cstdint>

// "QueltSetup." and 16 hexadecimal digits.
constexpr char kWizardFolderPrefix[] = "QueltSetup.";
constexpr size_t kWizardFolderDigits = 16;
// Names taken by others ahead of the loader, junctions among them, are passed
// over; this many in a row give the folder up.
constexpr int kWizardFolderAttempts = 8;
// Empty folders of earlier runs removed by one run at most.
constexpr int kWizardFolderSweepBound = 16;

// Where the private folders are made, with a trailing backslash: the Windows
// folder's Temp, built from GetSystemWindowsDirectoryA and never from the
// environment, or, for a loader running as SYSTEM where the system has one,
// its own temporary folder that only SYSTEM can reach. False when neither fits.
bool WizardFolderBase(char (&base)[MAX_PATH]);

// "<base>QueltSetup.<16 hex digits of bits>\"; false when it does not fit.
bool FormatWizardFolder(const char* base, uint64_t bits, char (&folder)[MAX_PATH]);

// Whether `name` (a bare folder name) is one FormatWizardFolder makes.
bool IsWizardFolderName(const char* name);

// Fills a buffer with random bytes, as RtlGenRandom does.
using RandomBytes = BOOLEAN(WINAPI*)(PVOID, ULONG);

// Makes a new private folder under `base` and returns a handle that keeps it
// from being renamed or removed while the loader runs; `folder` receives its
// path with a trailing backslash. An empty owner when no folder was made.
UniqueFile CreateWizardFolder(const char* base, char (&folder)[MAX_PATH], RandomBytes random = nullptr);

// Whether the folder at `path` is owned by the Administrators group or SYSTEM,
// as the loader's own are: no other account's folder is ever removed.
bool OwnedByAdministratorsOrSystem(const char* path);
using OwnerCheck = bool (*)(const char* path);

// Deletes the file at `path` unless something still uses it: any open handle
// (an open that shares nothing fails) or a running program started from it
// (the system refuses to delete a mapped image). A reparse point is deleted
// itself, never what it leads to.
bool RemoveUnusedFile(const char* path);

// Removes, under `base`, up to `bound` folders of earlier runs: named as ours,
// not a junction or other reparse point, and passing `owned`. The vut*.tmp
// files that a failed or killed run left in one go first (RemoveUnusedFile),
// then the folder if that left it empty. Returns how many folders went.
int SweepWizardFolders(const char* base, int bound = kWizardFolderSweepBound,
                       OwnerCheck owned = OwnedByAdministratorsOrSystem);

// This run's private folder.
struct PrivateFolder {
    UniqueFile hold;          // keeps it from being renamed or removed; empty when none was made
    char path[MAX_PATH] = {}; // with a trailing backslash; empty when none was made
};

// Sweeps what earlier runs left under WizardFolderBase, then makes this run's
// folder there. Empty when none could be made.
PrivateFolder MakePrivateFolder();

// Lets `folder` go and removes it, which succeeds only when it is empty (one
// left behind goes with a later run's sweep).
void GiveUpPrivateFolder(PrivateFolder& folder);
