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

// Sets Silent, ReinstallUndo and Verbose from "/s", "/a" and "/v" anywhere in `rest`.
void ScanSwitches(const char* rest, LaunchOptions& options);

// Appends a backslash to the NUL-terminated `path` unless it is empty, already
// ends with one, or has no room left.
void EndWithBackslash(char* path, size_t capacity);

// sourceDir, a backslash unless present, then "setup.ini", cut to capacity.
void BuildIniPath(const char* sourceDir, char* iniPath, size_t capacity);
