#include "Driver.h"

#include <algorithm>
#include <atomic>

namespace driver {

std::string BinDir()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string dir(path);
    return dir.substr(0, dir.find_last_of('\\') + 1);
}

std::string BinPath(const std::string& name) { return BinDir() + name; }

std::optional<std::vector<unsigned char>> ReadFileBytes(const std::string& path)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return std::nullopt;
    std::vector<unsigned char> data;
    unsigned char buffer[65536];
    DWORD read = 0;
    bool ok = true;
    while ((ok = ReadFile(file, buffer, sizeof(buffer), &read, nullptr) != FALSE) && read > 0)
        data.insert(data.end(), buffer, buffer + read);
    CloseHandle(file);
    if (!ok)
        return std::nullopt;
    return data;
}

bool WriteFileBytes(const std::string& path, const std::vector<unsigned char>& data)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    size_t done = 0;
    bool ok = true;
    while (ok && done < data.size()) {
        DWORD chunk = static_cast<DWORD>(std::min<size_t>(data.size() - done, 1u << 20));
        DWORD written = 0;
        ok = WriteFile(file, data.data() + done, chunk, &written, nullptr) && written == chunk;
        done += written;
    }
    return CloseHandle(file) && ok;
}

bool FileExists(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::optional<uint64_t> FileSize(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
        return std::nullopt;
    return (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

std::string SmallVolumeFolder()
{
    char linuxPath[MAX_PATH] = {};
    const DWORD length = GetEnvironmentVariableA("SETUP_SMALL_VOLUME", linuxPath, MAX_PATH);
    if (length == 0 || length >= MAX_PATH - 4 || linuxPath[0] != '/')
        return "";
    // Wine's Z: drive is the Linux root.
    std::string folder = std::string("Z:") + linuxPath;
    std::replace(folder.begin(), folder.end(), '/', '\\');
    if (folder.back() != '\\')
        folder += '\\';
    return DirectoryExists(folder) ? folder : "";
}

bool WaitForFile(const std::string& path, DWORD timeoutMs)
{
    return WaitUntil([&] { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }, timeoutMs);
}

bool RemoveTree(const std::string& path)
{
    std::string dir = path;
    while (!dir.empty() && dir.back() == '\\')
        dir.pop_back();
    const DWORD attributes = GetFileAttributesA(dir.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return true;
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        SetFileAttributesA(dir.c_str(), FILE_ATTRIBUTE_NORMAL);
        return DeleteFileA(dir.c_str()) != FALSE;
    }
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((dir + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = found.cFileName;
            if (name != "." && name != "..")
                RemoveTree(dir + "\\" + name);
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    return RemoveDirectoryA(dir.c_str()) != FALSE;
}

ScratchDir::ScratchDir(const std::string& tag)
{
    static std::atomic<unsigned> counter{0};
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    for (;;) {
        path_ = std::string(temp) + "drv-" + tag + "-" + std::to_string(GetCurrentProcessId()) + "-" +
                std::to_string(counter++) + "\\";
        if (CreateDirectoryA(path_.c_str(), nullptr))
            break;
        if (GetLastError() != ERROR_ALREADY_EXISTS) {
            path_.clear();
            break;
        }
    }
}

ScratchDir::~ScratchDir()
{
    if (!path_.empty())
        RemoveTree(path_);
}

} // namespace driver
