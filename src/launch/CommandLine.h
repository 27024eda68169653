// The rules that read the command-line tail: help request, first token and
// switches. Plain functions over text, no system calls.
#pragma once

#include "launch/LaunchOptions.h"

#include <cstddef>

// True when "/?" occurs anywhere in the tail, quotes included, case-sensitive.
bool IsHelpRequest(const char* tail);

struct FirstToken {
    const char* Rest = nullptr; // where the switches are looked for
    bool Unclosed = false;      // an opening quote without its closing one
};

// Copies the source-directory token at the start of `tail` into `sourceDir`
// (capacity bytes, expected empty), cut to fit, and says where the rest begins.
FirstToken ReadFirstToken(const char* tail, char* sourceDir, size_t capacity);

// Sets Silent, ReinstallUndo, Verbose and WaitForInstaller from "/s", "/a",
// "/v" and "/w" anywhere in `rest`, and LogPath from the first "/log=". The
// log's path is not searched for switches, so a folder named "/s" in it
// silences nothing.
void ScanSwitches(const char* rest, LaunchOptions& options);

struct LogSwitch {
    const char* Begin = nullptr; // "/log=", or null when there is none
    const char* End = nullptr;   // just after the path (and its closing quote)
    bool Valid = false;          // a path that fits, closed when quoted, not empty
};

// Finds "/log=" in `rest` and its path: up to the next blank, or between
// double quotes. A path that does not fit `capacity` is refused rather than
// cut, since a cut path names another file. `path` is written only when valid.
LogSwitch ReadLogSwitch(const char* rest, char* path, size_t capacity);

// Appends a backslash to the NUL-terminated `path` unless it is empty, already
// ends with one, or has no room left.
void EndWithBackslash(char* path, size_t capacity);

// sourceDir, a backslash unless present, then "setup.ini", cut to capacity.
void BuildIniPath(const char* sourceDir, char* iniPath, size_t capacity);
