#include "Shim.h"

#include <cstdlib>
#include <cstring>

namespace shim {
namespace {

unsigned g_leadThreshold = 0;
FolderAnswer g_currentDirectory{"C:\\cur", false};
FolderAnswer g_moduleFileName{"D:\\Kit\\Setup.exe", false};

} // namespace

void SetLeadByteThreshold(unsigned threshold) { g_leadThreshold = threshold; }
void SetCurrentDirectoryAnswer(const FolderAnswer& answer) { g_currentDirectory = answer; }
void SetModuleFileNameAnswer(const FolderAnswer& answer) { g_moduleFileName = answer; }

} // namespace shim

BOOL IsDBCSLeadByte(BYTE testChar)
{
    return shim::g_leadThreshold != 0 && testChar >= shim::g_leadThreshold ? TRUE : FALSE;
}

BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD bytesToWrite, LPDWORD bytesWritten, LPOVERLAPPED overlapped)
{
    // Without an overlapped record the count is required.
    if (file == nullptr || bytesWritten == nullptr || overlapped != nullptr)
        std::abort();
    auto& memory = *static_cast<shim::MemoryFile*>(file);
    const auto* bytes = static_cast<const unsigned char*>(buffer);
    if (memory.Failed)
        memory.WrittenAfterFailure = true;
    ++memory.Calls;
    if (memory.Calls == memory.FailAtCall) {
        memory.Failed = true;
        if (memory.FailMode == shim::MemoryFile::Failure::Refused) {
            *bytesWritten = 0;
            return FALSE;
        }
        // A full volume: part of the block lands, and the call still succeeds.
        const DWORD part = bytesToWrite / 2;
        memory.Bytes.insert(memory.Bytes.end(), bytes, bytes + part);
        *bytesWritten = part;
        return TRUE;
    }
    memory.Bytes.insert(memory.Bytes.end(), bytes, bytes + bytesToWrite);
    memory.TotalAfterWrite.push_back(memory.Bytes.size());
    *bytesWritten = bytesToWrite;
    return TRUE;
}

LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (window == nullptr)
        std::abort();
    reinterpret_cast<shim::MessageLog*>(window)->Messages.push_back({message, wParam, lParam});
    return 0;
}

DWORD GetCurrentDirectoryA(DWORD bufferLength, LPSTR buffer)
{
    const shim::FolderAnswer& answer = shim::g_currentDirectory;
    if (answer.Fails)
        return 0;
    const auto length = static_cast<DWORD>(answer.Text.size());
    // Too small: the buffer stays as it was and the size it needs comes back.
    if (length + 1 > bufferLength)
        return length + 1;
    std::memcpy(buffer, answer.Text.c_str(), length + 1);
    return length;
}

DWORD GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD size)
{
    const shim::FolderAnswer& answer = shim::g_moduleFileName;
    if (module != nullptr || answer.Fails || size == 0)
        return 0;
    const auto length = static_cast<DWORD>(answer.Text.size());
    if (length < size) {
        std::memcpy(fileName, answer.Text.c_str(), length + 1);
        return length;
    }
    // Cut to the buffer without a terminator, as older systems do.
    std::memcpy(fileName, answer.Text.data(), size);
    return size;
}

// The harnesses hand records over as bytes: this process has no resources,
// and nothing may go on as if it had found one.
HRSRC FindResourceA(HMODULE, LPCSTR, LPCSTR) { return nullptr; }
HGLOBAL LoadResource(HMODULE, HRSRC) { std::abort(); }
DWORD SizeofResource(HMODULE, HRSRC) { std::abort(); }
void* LockResource(HGLOBAL) { std::abort(); }
