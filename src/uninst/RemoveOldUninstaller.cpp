#include "uninst/UninstallerHome.h"

#include <boost/filesystem/operations.hpp>
#include <boost/filesystem/path.hpp>
#include <boost/system/error_code.hpp>

void RemoveOldUninstaller(const char* path)
{
    // Shared by both calls and never read: a failed test or removal leaves the
    // old entry, which the launch sequence then checks like any uninstaller.
    boost::system::error_code error;
    const bool present = boost::filesystem::exists(boost::filesystem::path(path), error);
    if (present)
        static_cast<void>(boost::filesystem::remove(boost::filesystem::path(path), error));
}
