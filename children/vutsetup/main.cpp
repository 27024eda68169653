// Stand-in installer wizard: shows what the loader gave it (its own name, the
// loader's folder, the switches) unless started silent, then ends.
//
// Test controls (inert unless set): VUT_STANDIN_LOG records the start and a
// copy of this program's own file; VUT_STANDIN_SETUP_NO_WINDOW=1 ends at once;
// VUT_STANDIN_LOAD names DLLs to load by bare name, recording where each came from;
// VUT_STANDIN_SETUP_MS waits that long before ending, with VUT_STANDIN_SETUP_EXIT
// as the exit code (recorded in vutsetup.end when it ends).
#include "StandinRecord.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace {

bool EndsWith(const std::string& text, const char* tail)
{
    const size_t n = std::strlen(tail);
    return text.size() >= n && text.compare(text.size() - n, n, tail) == 0;
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    RecordStart("vutsetup");
    RecordImage("vutsetup");
    RecordLoads("vutsetup");
    RecordEnvironment("vutsetup");

    // Command line: "<loader folder>VutSetup.exe" <loader folder>[ /s][ /v]
    const std::string commandLine = GetCommandLineA();
    std::string name;
    size_t restAt = 0;
    if (!commandLine.empty() && commandLine[0] == '"') {
        const size_t close = commandLine.find('"', 1);
        name = commandLine.substr(1, close == std::string::npos ? std::string::npos : close - 1);
        restAt = close == std::string::npos ? commandLine.size() : close + 1;
    } else {
        restAt = commandLine.find(' ');
        name = commandLine.substr(0, restAt);
        restAt = restAt == std::string::npos ? commandLine.size() : restAt;
    }
    std::string folder = commandLine.substr(std::min(restAt + 1, commandLine.size()));
    bool verbose = false;
    bool silent = false;
    if (EndsWith(folder, " /v")) {
        verbose = true;
        folder.resize(folder.size() - 3);
    }
    if (EndsWith(folder, " /s")) {
        silent = true;
        folder.resize(folder.size() - 3);
    }

    if (!silent && StandinNumber("VUT_STANDIN_SETUP_NO_WINDOW", 0) == 0) {
        char self[MAX_PATH] = {};
        GetModuleFileNameA(nullptr, self, MAX_PATH);
        std::string text = "The installation wizard would run now.\n\nStarted as: " + name +
                           "\nRunning from: " + self + "\nLoader folder: " + folder +
                           "\nSwitches: " + (verbose ? "/v" : "none");
        MessageBoxA(nullptr, text.c_str(), "Quelt Setup Wizard", MB_OK | MB_ICONINFORMATION);
    }
    Sleep(StandinNumber("VUT_STANDIN_SETUP_MS", 0));
    const unsigned long exitCode = StandinNumber("VUT_STANDIN_SETUP_EXIT", 0);
    RecordLine("vutsetup", ".end", std::to_string(exitCode));
    return static_cast<int>(exitCode);
}
