#include "launch/UninstallerHomeLock.h"

#include "guard/ObjectSecurity.h"
#include "ui/ServicedWait.h"

#include <algorithm>
#include <cstdio>

namespace {

// Full control for SYSTEM and the Administrators group alone.
constexpr char kLockSddl[] = "D:P(A;;FA;;;SY)(A;;FA;;;BA)";

} // namespace

UninstallerHomeLock::UninstallerHomeLock(const char* home, DWORD boundMs)
{
    char path[MAX_PATH];
    TextSecurity security;
    if (std::snprintf(path, MAX_PATH, "%s%s", home, kUninstallerHomeLockFile) >= MAX_PATH || !home[0] ||
        !security.Build(kLockSddl))
        return;
    const ULONGLONG deadline = GetTickCount64() + boundMs;
    for (;;) {
        file_.reset(CreateFileA(path, DELETE, 0, &security.attributes, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
        if (file_) {
            outcome_ = Outcome::Taken;
            return;
        }
        // Held, or still being deleted behind its last holder: try again.
        const DWORD error = GetLastError();
        const DWORD kind = GetFileAttributesA(path);
        if ((error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED) ||
            (kind != INVALID_FILE_ATTRIBUTES && (kind & FILE_ATTRIBUTE_DIRECTORY)))
            return;
        const ULONGLONG now = GetTickCount64();
        if (now >= deadline) {
            outcome_ = Outcome::TimedOut;
            return;
        }
        PauseServicingMessages(static_cast<DWORD>(std::min<ULONGLONG>(deadline - now, kUninstallerHomeLockRetryMs)));
    }
}
