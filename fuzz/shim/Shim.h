// The harness's side of the fake platform: what the faked calls answer and
// what they recorded.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace shim {

// IsDBCSLeadByte answers true for every byte at or above `threshold`; 0 means
// a code page without lead bytes.
void SetLeadByteThreshold(unsigned threshold);

// What GetCurrentDirectoryA and GetModuleFileNameA report, with the system's
// length rules; a failing source answers 0.
struct FolderAnswer {
    std::string Text;
    bool Fails = false;
};
void SetCurrentDirectoryAnswer(const FolderAnswer& answer);
void SetModuleFileNameAnswer(const FolderAnswer& answer);

// A file in memory behind a HANDLE. WriteFile appends to Bytes; the call
// numbered FailAtCall (from 1; 0 never) fails the way FailMode says.
struct MemoryFile {
    enum class Failure { Refused, Short };
    std::vector<unsigned char> Bytes;
    std::vector<uint64_t> TotalAfterWrite; // Bytes.size() after each successful call
    size_t Calls = 0;
    size_t FailAtCall = 0;
    Failure FailMode = Failure::Refused;
    bool Failed = false;
    bool WrittenAfterFailure = false;

    HANDLE Handle() { return static_cast<HANDLE>(this); }
};

// A window behind a HWND that remembers every message sent to it.
struct MessageLog {
    struct Message {
        UINT Id;
        WPARAM WParam;
        LPARAM LParam;
    };
    std::vector<Message> Messages;

    HWND Handle() { return reinterpret_cast<HWND>(this); }
};

} // namespace shim
