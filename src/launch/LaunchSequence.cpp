#include "launch/LaunchSequence.h"

#include "common/UniqueHandle.h"
#include "diag/LogConsole.h"
#include "diag/LogFile.h"
#include "diag/LogLines.h"
#include "diag/RunLog.h"
#include "diag/WaitBox.h"
#include "guard/ObjectSecurity.h"
#include "guard/StartNames.h"
#include "launch/AwaitInstaller.h"
#include "launch/ChildCommandLines.h"
#include "launch/ChildEnvironment.h"
#include "launch/ChildProcess.h"
#include "launch/InstallerTempFile.h"
#include "launch/LoaderFolder.h"
#include "launch/UninstallerCheck.h"
#include "launch/UninstallerHomeLock.h"
#include "launch/WizardFolder.h"
#include "payload/Payload.h"
#include "resource_ids.h"
#include "ui/LoaderError.h"
#include "ui/ProgressWindow.h"
#include "uninst/UninstallerHome.h"

#include <optional>

namespace {

constexpr int kUninstallerAttempts = 2;

// Unpacks the uninstaller payload into a new file at `path` (0 to 30 %).
// False only when a write failed, which ends the run.
bool InstallUninstaller(const char* path, RunLog& log, ProgressState& progress)
{
    PayloadView payload;
    if (!FindPayload(IDR_UNINSTALLER, payload))
        return true; // nothing to unpack: the check that follows fails
    // Its own DACL in the creating call: it never inherits what the home grants.
    TextSecurity security;
    UniqueFile file(CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ,
                                security.Build(kProgramFileSddl) ? &security.attributes : nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_ARCHIVE, nullptr));
    if (!file)
        return true; // cannot be created: the check that follows fails
    if (log.On())
        LogInstallUninstaller(path, log.Lines());
    switch (ExtractPayload(payload, file.get(), 0, 30, progress)) {
    case ExtractResult::Done:
        file.reset();
        return true;
    case ExtractResult::UnpackFailed:
        file.reset();
        DeleteFileA(path); // a damaged copy must not be run; failing to delete shows in the check
        return true;
    case ExtractResult::WriteFailed:
        break;
    }
    return false; // the partly written file stays; the next run's check rejects it
}

// Up to two attempts at a working uninstaller. Returns 0 or the error to end
// with; on 0 `hold` keeps the checked file from being written, renamed over
// or deleted, so that the hand-over starts what was checked. Where `checkDacls`,
// a file that others could change is not run but deleted and unpacked again.
int EnsureWorkingUninstaller(const char* path, RunLog& log, ProgressState& progress, const std::wstring& environment,
                             bool checkDacls, UniqueFile& hold)
{
    for (int attempt = 1;; ++attempt) {
        // Shown again at each attempt, without counting as a value sent.
        SendProgress(progress.Window, progress.CurrentPercent);
        if (GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES && !InstallUninstaller(path, log, progress))
            return TempFileFailed;
        // Starting it needs reading alone, which the hold shares.
        hold.reset(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                               nullptr));
        // One that cannot be held (another writer) or that others may change fails as a check would.
        if (hold && (!checkDacls || HandleIsTrusted(hold.get())) && RunUninstallerCheck(path, environment.c_str()))
            return 0;
        hold.reset();
        if (attempt >= kUninstallerAttempts)
            return UninstallerFailed;
        DeleteFileA(path); // when it stays, the next attempt runs the same file again
    }
}

// Starts the uninstaller's hand-over, holding the wizard's process for it so
// that the id on its command line names the wizard for as long as it runs,
// even after the wizard and the loader have ended. A failed start is not the
// installer's failure: the run still succeeded.
void StartHandOver(const char* uninstallerPath, char* commandLine, const std::wstring& environment,
                   HANDLE installer)
{
    StartedChild handOver;
    if (!StartChild(uninstallerPath, commandLine, SW_HIDE, handOver, environment.c_str(), CREATE_SUSPENDED))
        return;
    // Without the lent handle the hand-over still runs, as it always did.
    static_cast<void>(LendProcessHandle(installer, handOver.process.get()));
    if (ResumeThread(handOver.thread.get()) == static_cast<DWORD>(-1))
        TerminateProcess(handOver.process.get(), 0); // never left suspended for good
}

// Unpacks the installer into its temporary file and starts it, then the
// uninstaller's hand-over. Returns 0 or the error to end with; on 0
// `installerProcess` holds the wizard's process and `tempPath` its file.
int StartInstaller(const LaunchOptions& options, const char* uninstallerPath, ProgressState& progress,
                   PrivateFolder& privateFolder, UniqueFile& uninstallerHold, RunLog& log, UniqueHandle& installerProcess,
                   char (&tempPath)[MAX_PATH])
{
    char loaderFolder[MAX_PATH] = {};
    GetLoaderFolder(loaderFolder, ExactModuleFileName);

    PayloadView payload;
    if (!FindPayload(IDR_INSTALLER, payload))
        return SetupCorrupt;

    InstallerTempFile temp =
        MakeInstallerTempFile(payload.DeclaredSize, log.On() ? &log.Lines() : nullptr, privateFolder);
    if (!temp.file)
        return TempFileFailed;
    lstrcpynA(tempPath, temp.path, MAX_PATH);
    // The wizard's own folder, which no other account can write, wherever the file went.
    char tempFolder[MAX_PATH] = {};
    FolderOfPath(tempPath, tempFolder);
    const std::wstring environment = ChildEnvironmentFor(tempFolder);
    SetFilePointer(temp.file.get(), 0, nullptr, FILE_BEGIN);
    switch (ExtractPayload(payload, temp.file.get(), 30, 70, progress)) {
    case ExtractResult::Done:
        break;
    case ExtractResult::UnpackFailed:
        return InstallerUnpackFailed;
    case ExtractResult::WriteFailed:
        return TempFileFailed;
    }
    // The file keeps the length it was given, even if the stream was shorter.
    // One that cannot be held could be changed before it starts: not started.
    UniqueFile guard = HoldForStart(temp.file, tempPath);
    if (!guard)
        return InstallerStartFailed;

    char commandLine[kCommandLineCapacity];
    BuildInstallerCommandLine(commandLine, loaderFolder, options.Silent, options.Verbose);
    if (log.On())
        LogRunInstaller(tempPath, commandLine, log.Lines());
    StartedChild installer;
    if (!StartChild(tempPath, commandLine, SW_SHOW, installer, environment.c_str()))
        return InstallerStartFailed;
    guard.reset();

    BuildHandOverCommandLine(commandLine, installer.processId, tempPath);
    if (log.On())
        LogRunUninstaller(uninstallerPath, commandLine, log.Lines());
    StartHandOver(uninstallerPath, commandLine, environment, installer.process.get());
    uninstallerHold.reset(); // what was checked has started: it may change itself now
    installerProcess = std::move(installer.process);
    return 0;
}

// Where the file system keeps no DACLs (Wine, a volume without ACLs) none can
// be checked: asked of what the loader itself has just made with its own, the
// private folder or else a home it made now. On any doubt they are checked.
bool DaclsCanBeChecked(const PrivateFolder& privateFolder, int homeFoldersMade, const char* home)
{
    if (privateFolder.hold)
        return DaclsKeptAt(privateFolder.path);
    return homeFoldersMade <= 0 || DaclsKeptAt(home);
}

// Others may add names to the folder the private one is made in (the Windows
// folder's Temp lets every user), but not remove it or take the folder over.
void KeepPrivateFolderOnlyInATrustedBase(PrivateFolder& privateFolder, bool checkDacls)
{
    char base[MAX_PATH] = {};
    if (checkDacls && privateFolder.hold && WizardFolderBase(base) && !FolderIsTrusted(base, kBaseChangingRights))
        GiveUpPrivateFolder(privateFolder);
}

// How a run ends: a loader's error, or the wizard started and, with "/w",
// what it ended with.
struct Ending {
    int error = 0;
    std::optional<uint32_t> installerExit;
};

// The run's steps from the uninstaller's home to the hand-over, and with "/w"
// the wait for the wizard. `privateFolder` is held by the caller until the
// loader ends, through any box.
Ending RunSteps(HINSTANCE instance, const LaunchOptions& options, RunLog& log, PrivateFolder& privateFolder)
{
    char uninstallerPath[MAX_PATH] = {};
    const int homeFoldersMade = PrepareUninstallerHome(uninstallerPath);
    char home[MAX_PATH] = {};
    FolderOfPath(uninstallerPath, home);

    ProgressState progress;
    if (!options.Silent)
        progress.Window = CreateProgressWindow(instance); // null on failure: the run goes on without it

    // Made before the check: the children's TMP and TEMP name it. Without it
    // they name the Windows folder, where the wizard then goes.
    privateFolder = MakePrivateFolder();
    const bool checkDacls = DaclsCanBeChecked(privateFolder, homeFoldersMade, home);
    KeepPrivateFolderOnlyInATrustedBase(privateFolder, checkDacls);
    char windowsFolder[MAX_PATH] = {};
    GetSystemWindowsDirectoryA(windowsFolder, MAX_PATH); // without it no wizard's file can be made either
    const std::wstring checkEnvironment = ChildEnvironmentFor(privateFolder.hold ? privateFolder.path : windowsFolder);

    // Nothing in a home that others could change is run or replaced.
    if (checkDacls && !FolderIsTrusted(home))
        return Ending{UninstallerFailed, std::nullopt};

    Ending ending;
    UniqueFile uninstallerHold; // until the hand-over has started
    {
        // Another loader may be putting the uninstaller in place: its finished
        // copy is checked rather than a half-written one, and a replacing run
        // never deletes a partner's copy between its unpacking and its check.
        // Taken after the window is shown, which stays answered while a partner
        // is waited for. Released before any box, which could wait for the
        // user indefinitely.
        const UninstallerHomeLock lock(home);
        if (options.ReinstallUndo || options.UninstallMode > 0)
            RemoveOldUninstaller(uninstallerPath);
        ending.error =
            EnsureWorkingUninstaller(uninstallerPath, log, progress, checkEnvironment, checkDacls, uninstallerHold);
    }
    UniqueHandle installer;
    char tempPath[MAX_PATH] = {};
    if (!ending.error)
        ending.error =
            StartInstaller(options, uninstallerPath, progress, privateFolder, uninstallerHold, log, installer, tempPath);
    if (ending.error || !options.WaitForInstaller)
        return ending;

    if (log.On())
        LogWaitInstaller(tempPath, log.Lines());
    ending.installerExit = AwaitInstaller(installer.get(), progress.Window);
    // The installation's answer cannot be told: never reported as a success.
    if (!ending.installerExit)
        return Ending{InstallerStartFailed, std::nullopt};
    if (log.On())
        LogInstallerEnded(*ending.installerExit, log.Lines());
    return ending;
}

} // namespace

uint32_t RunLaunchSequence(HINSTANCE instance, const char* tail, const LaunchOptions& options, bool paramsResult)
{
    if (options.Verbose)
        OpenLogConsole(L"Logovaci konzole Setup.exe"); // without a console the lines go nowhere, harmlessly
    RunLog log(options.Verbose, OpenLogFile(options.LogPath));
    log.Begin();
    if (log.On()) {
        LogCommandTail(tail, log.Lines());
        LogSourceDir(options.SourceDir, log.Lines());
        LogIniPath(options.IniPath, log.Lines());
        LogGetParams(paramsResult, log.Lines());
    }

    PrivateFolder privateFolder;
    const Ending ending = RunSteps(instance, options, log, privateFolder);
    const uint32_t exitCode = ending.error ? static_cast<uint32_t>(ending.error) : ending.installerExit.value_or(0);
    // Before any box, which may wait for someone indefinitely.
    log.End(exitCode, ending.error, ending.installerExit.has_value());
    if (ending.error)
        return static_cast<uint32_t>(ShowLoaderError(ending.error));

    if (options.Verbose)
        ShowWaitBox();
    return exitCode;
}
