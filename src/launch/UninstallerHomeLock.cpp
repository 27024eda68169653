#include "launch/UninstallerHomeLock.h"

#include "ui/ServicedWait.h"

UninstallerHomeLock::UninstallerHomeLock(DWORD boundMs, const char* name)
    : mutex_(CreateMutexA(nullptr, FALSE, name))
{
    // Without the object (a name taken by another kind of object, or one
    // whose permissions refuse us) the run goes on as a lone loader would.
    if (!mutex_)
        return;
    switch (WaitServicingMessages(mutex_.get(), boundMs)) {
    case WAIT_OBJECT_0:
        outcome_ = Outcome::Taken;
        break;
    case WAIT_ABANDONED:
        outcome_ = Outcome::Abandoned;
        break;
    case WAIT_TIMEOUT:
        outcome_ = Outcome::TimedOut;
        break;
    default:
        outcome_ = Outcome::Unavailable;
        break;
    }
}

UninstallerHomeLock::~UninstallerHomeLock()
{
    if (Held())
        ReleaseMutex(mutex_.get());
}
