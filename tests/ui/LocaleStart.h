// Starting a program with a user interface language of its own.
//
// Wine gives a new Windows process the locale of its parent's Unix
// environment; LANG in the environment block handed to CreateProcess does
// not reach it. A Unix program started from Wine, however, gets that block
// as its environment, so the program is started through the Unix shell and
// Wine's loader with LANG and LC_ALL set.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "common/UniqueHandle.h"

struct LocaleProcess {
    DWORD id = 0;
    UniqueHandle process;
};

// Starts `exe` (file name only, found beside the running program) with
// `arguments` under the Unix locale `locale`, such as cs_CZ.UTF-8, and waits
// up to timeoutMs for its Windows process to appear.
std::optional<LocaleProcess> StartInLocale(const std::string& exe, const std::string& arguments,
                                           const std::string& locale, DWORD timeoutMs);
