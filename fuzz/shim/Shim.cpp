#include "Shim.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <iterator>

namespace shim {
namespace {

unsigned g_leadThreshold = 0;
FolderAnswer g_currentDirectory{"C:\\cur", false};
FolderAnswer g_moduleFileName{"D:\\Kit\\Setup.exe", false};

// One output of _splitpath: the characters from `begin` to `end`, if its
// buffer was given.
struct Part {
    char* Out;
    size_t Capacity;
    const char* Begin;
    const char* End;

    bool Fits() const { return Out == nullptr || static_cast<size_t>(End - Begin) < Capacity; }
    void Write(bool empty) const
    {
        if (Out == nullptr)
            return;
        const size_t length = empty ? 0 : static_cast<size_t>(End - Begin);
        std::memcpy(Out, Begin, length);
        Out[length] = '\0';
    }
};

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

void _splitpath(const char* path, char* drive, char* dir, char* fname, char* ext)
{
    const char* p = path;
    const char* driveEnd = p[0] != '\0' && p[1] == ':' ? p + 2 : p;
    const char* name = driveEnd;
    for (const char* q = driveEnd; *q != '\0'; ++q) {
        if (*q == '\\' || *q == '/')
            name = q + 1;
    }
    const char* end = name + std::strlen(name);
    const char* dot = std::strrchr(name, '.');
    if (dot == nullptr)
        dot = end;
    const shim::Part parts[] = {{drive, _MAX_DRIVE, p, driveEnd},
                                {dir, _MAX_DIR, driveEnd, name},
                                {fname, _MAX_FNAME, name, dot},
                                {ext, _MAX_EXT, dot, end}};
    // As msvcrt does (seen under Wine): a part too long for its buffer
    // empties every part given, and errno says ERANGE.
    const bool fits = std::all_of(std::begin(parts), std::end(parts), [](const shim::Part& x) { return x.Fits(); });
    for (const shim::Part& part : parts)
        part.Write(!fits);
    if (!fits)
        errno = ERANGE;
}

void _makepath(char* path, const char* drive, const char* dir, const char* fname, const char* ext)
{
    std::string out;
    if (drive != nullptr && drive[0] != '\0') {
        out += drive[0];
        out += ':';
    }
    if (dir != nullptr && dir[0] != '\0') {
        out += dir;
        if (out.back() != '\\' && out.back() != '/')
            out += '\\';
    }
    if (fname != nullptr)
        out += fname;
    if (ext != nullptr && ext[0] != '\0') {
        if (ext[0] != '.')
            out += '.';
        out += ext;
    }
    // The runtime's contract: the caller's buffer holds _MAX_PATH (260) bytes.
    if (out.size() >= MAX_PATH)
        std::abort();
    std::memcpy(path, out.c_str(), out.size() + 1);
}
