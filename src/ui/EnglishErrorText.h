// The English text of a loader error, whatever the user's language: the log
// file is read by administrators and their tools, not by the user at the box.
#pragma once

#include <cstddef>
#include <string>

// The string `index` (0 to 15) of a string-table block of `words` UTF-16
// units, each a length followed by that many units; empty when the block ends first.
std::wstring StringFromBlock(const wchar_t* block, size_t words, unsigned index);

// The English (United States) copy of the message for error `number` (1 to
// 5), in the ANSI code page; empty for any other number or when it cannot be read.
std::string EnglishErrorText(int number);
