#include "guard/ExactAnsi.h"

std::optional<std::string> ExactAnsi(std::wstring_view text, UINT codePage, WideToMultiByte convert)
{
    if (text.empty())
        return std::string();
    // UTF-8 spells every character but a lone surrogate, and takes neither the
    // best-fit flag nor the used-default flag: the call fails with them.
    const bool utf8 = codePage == CP_UTF8;
    const DWORD flags = utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
    BOOL usedDefault = FALSE;
    BOOL* used = utf8 ? nullptr : &usedDefault;
    const int length = static_cast<int>(text.size());
    const int size = convert(codePage, flags, text.data(), length, nullptr, 0, nullptr, used);
    if (size <= 0 || usedDefault)
        return std::nullopt;
    std::string narrow(static_cast<size_t>(size), '\0');
    if (convert(codePage, flags, text.data(), length, narrow.data(), size, nullptr, used) != size || usedDefault)
        return std::nullopt;
    return narrow;
}

std::optional<std::string> ExactAnsi(std::wstring_view text) { return ExactAnsi(text, GetACP()); }
