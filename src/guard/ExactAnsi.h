// Text in an 8-bit code page only where each character has a spelling of its
// own there: never the look-alike that best-fit conversion picks.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

using WideToMultiByte = int(WINAPI*)(UINT, DWORD, LPCWCH, int, LPSTR, int, LPCCH, LPBOOL);

// `text` in `codePage`, or nothing when a character of it has no exact
// spelling there (U+FF02 would become a double quote, U+FF0F a slash) or the
// conversion fails.
std::optional<std::string> ExactAnsi(std::wstring_view text, UINT codePage,
                                     WideToMultiByte convert = ::WideCharToMultiByte);

// The same in the process's ANSI code page, the one the ANSI functions use.
std::optional<std::string> ExactAnsi(std::wstring_view text);
