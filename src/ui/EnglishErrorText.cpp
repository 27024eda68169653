#include "ui/EnglishErrorText.h"

#include "common/LoaderInstance.h"
#include "ui/ErrorMessageId.h"

#include <windows.h>

std::wstring StringFromBlock(const wchar_t* block, size_t words, unsigned index)
{
    size_t at = 0;
    for (unsigned i = 0; at < words; ++i) {
        const size_t length = block[at++];
        if (length > words - at)
            break;
        if (i == index)
            return std::wstring(block + at, length);
        at += length;
    }
    return std::wstring();
}

std::string EnglishErrorText(int number)
{
    const unsigned id = ErrorMessageId(number);
    if (id == 0)
        return std::string();
    // LoadStringA takes the thread's language; the block is looked up in English.
    const HRSRC found = FindResourceExA(LoaderInstance(), MAKEINTRESOURCEA(6) /* RT_STRING */,
                                        MAKEINTRESOURCEA(id / 16 + 1), MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
    const HGLOBAL loaded = found ? LoadResource(LoaderInstance(), found) : nullptr;
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (data == nullptr)
        return std::string();
    const std::wstring text = StringFromBlock(static_cast<const wchar_t*>(data),
                                              SizeofResource(LoaderInstance(), found) / sizeof(wchar_t), id % 16);
    char narrow[256] = "";
    const int length = WideCharToMultiByte(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), narrow,
                                           sizeof narrow - 1, nullptr, nullptr);
    return std::string(narrow, length > 0 ? static_cast<size_t>(length) : 0);
}
