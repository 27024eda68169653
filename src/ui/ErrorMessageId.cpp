#include "ui/ErrorMessageId.h"

#include "resource_ids.h"
#include "ui/LoaderError.h"

unsigned ErrorMessageId(int number)
{
    switch (number) {
    case TempFileFailed:
        return IDS_ERR_TEMP_FILE;
    case SetupCorrupt:
        return IDS_ERR_SETUP_CORRUPT;
    case InstallerStartFailed:
        return IDS_ERR_RUN_INSTALL;
    case InstallerUnpackFailed:
        return IDS_ERR_UNPACK_INSTALL;
    case UninstallerFailed:
        return IDS_ERR_UNDO_BROKEN;
    default:
        return 0;
    }
}
