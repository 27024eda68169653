// The numbered failures that end a run; each is also the process exit code.
#pragma once

enum LoaderError {
    TempFileFailed = 1,
    SetupCorrupt = 2,
    InstallerStartFailed = 3,
    InstallerUnpackFailed = 4,
    UninstallerFailed = 5,
};

// Shows the localised box for `number` (1..5) and returns `number`; any other
// number shows nothing.
int ShowLoaderError(int number);
