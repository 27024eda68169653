// Which narrow spelling of a path the loader may use.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

using ShortPathSource = DWORD(WINAPI*)(LPCWSTR, LPWSTR, DWORD);

// For a path that the system gave as `wide` and, through its ANSI function,
// as `ansi` (either empty when its call failed or was cut to the buffer):
// - `ansi` when it is `wide` spelled exactly in `codePage`;
// - empty when `wide` is empty, or spelled exactly but `ansi` is not that
//   spelling: the path could not be read, as before;
// - else the short name of `wide` when `codePage` spells that exactly, in
//   fewer than MAX_PATH characters;
// - else nothing: the path must not be used.
std::optional<std::string> ExactPath(const std::wstring& wide, const std::string& ansi, UINT codePage,
                                     ShortPathSource shortPath = ::GetShortPathNameW);
