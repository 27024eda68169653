#include "LocaleStart.h"

#include <tlhelp32.h>

#include <set>

#include "Driver.h"

namespace {

std::set<DWORD> ProcessesNamed(const std::string& exe)
{
    std::set<DWORD> ids;
    UniqueFile snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot)
        return ids;
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot.get(), &entry); more; more = Process32Next(snapshot.get(), &entry)) {
        if (_stricmp(entry.szExeFile, exe.c_str()) == 0)
            ids.insert(entry.th32ProcessID);
    }
    return ids;
}

} // namespace

std::optional<LocaleProcess> StartInLocale(const std::string& exe, const std::string& arguments,
                                           const std::string& locale, DWORD timeoutMs)
{
    const std::set<DWORD> before = ProcessesNamed(exe);

    // The loader that runs this process; Wine keeps WINELOADER itself out of
    // a Unix child's environment, so it travels under another name.
    char loader[MAX_PATH] = "wine";
    GetEnvironmentVariableA("WINELOADER", loader, MAX_PATH);

    driver::StartOptions options;
    options.commandLine =
        "Z:\\bin\\sh -c \"exec \\\"$LOCALE_START_LOADER\\\" \\\"$LOCALE_START_EXE\\\" $LOCALE_START_ARGS\"";
    options.environment = {{"LANG", locale},
                           {"LC_ALL", locale},
                           {"LOCALE_START_LOADER", loader},
                           {"LOCALE_START_EXE", driver::BinPath(exe)},
                           {"LOCALE_START_ARGS", arguments}};
    driver::Process shell;
    if (!shell.Start(options))
        return std::nullopt;

    LocaleProcess started;
    driver::WaitUntil(
        [&] {
            for (DWORD id : ProcessesNamed(exe)) {
                if (before.count(id) == 0) {
                    started.id = id;
                    return true;
                }
            }
            return false;
        },
        timeoutMs);
    if (started.id == 0)
        return std::nullopt;
    started.process.reset(
        OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE, FALSE, started.id));
    if (!started.process)
        return std::nullopt;
    return started;
}
