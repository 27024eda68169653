// The lock that lets one loader at a time put the uninstaller in place: what
// a waiter learns from a partner that finishes, dies holding it or hangs, and
// that the waiter's window is answered throughout. Threads stand for the
// partner loaders, since a mutex is owned by a thread.
#include "launch/UninstallerHomeLock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>

namespace {

using Outcome = UninstallerHomeLock::Outcome;

std::string UniqueName()
{
    static int counter = 0;
    return "QueltLockTest." + std::to_string(GetCurrentProcessId()) + "." + std::to_string(++counter);
}

// The name's mutex where the loader looks for it, as another loader opens it.
struct NamespacedMutex {
    LoaderNamespace space;
    UniqueHandle mutex;
    explicit NamespacedMutex(const std::string& name, bool event = false)
    {
        const std::string path = UninstallerHomeLockPath(space, kLoaderNamespace, name.c_str());
        mutex.reset(event ? CreateEventA(nullptr, TRUE, FALSE, path.c_str()) : CreateMutexA(nullptr, FALSE, path.c_str()));
    }
};

// A partner loader on a thread of its own: takes the lock, then does what
// `whileHeld` says; ends with a release unless told to die holding it.
class Partner {
public:
    Partner(const std::string& name, std::function<void()> whileHeld, bool release)
        : thread_([=] {
              NamespacedMutex lock(name);
              if (!lock.mutex || WaitForSingleObject(lock.mutex.get(), 10000) != WAIT_OBJECT_0)
                  return;
              holding_ = true;
              whileHeld();
              if (release)
                  ReleaseMutex(lock.mutex.get());
          })
    {
        for (int i = 0; i < 1000 && !holding_; ++i)
            Sleep(10);
    }
    ~Partner() { thread_.join(); }
    bool Holding() const { return holding_; }

private:
    std::atomic<bool> holding_{false};
    std::thread thread_;
};

TEST(UninstallerHomeLock, AFreeLockIsTakenAndGivenBackOnLeavingScope)
{
    const std::string name = UniqueName();
    {
        const UninstallerHomeLock lock(1000, name.c_str());
        EXPECT_EQ(lock.Result(), Outcome::Taken);
        EXPECT_TRUE(lock.Held());
    }
    std::atomic<bool> took{false};
    std::thread([&] { took = UninstallerHomeLock(1000, name.c_str()).Result() == Outcome::Taken; }).join();
    EXPECT_TRUE(took) << "the lock was not given back";
}

TEST(UninstallerHomeLock, APartnerThatDiesHoldingItLeavesItAbandoned)
{
    const std::string name = UniqueName();
    // A waiter's handle keeps the object alive past its owner's end.
    const NamespacedMutex waiting(name);
    ASSERT_TRUE(waiting.mutex);
    {
        Partner partner(name, [] {}, false);
        ASSERT_TRUE(partner.Holding());
    }
    const UninstallerHomeLock lock(10000, name.c_str());
    EXPECT_EQ(lock.Result(), Outcome::Abandoned);
    EXPECT_TRUE(lock.Held()) << "the copy it left must be checked under the lock";
}

TEST(UninstallerHomeLock, APartnerThatHangsIsWaitedForOnlyUntilTheBound)
{
    const std::string name = UniqueName();
    std::atomic<bool> waited{false};
    Partner partner(
        name,
        [&] {
            while (!waited)
                Sleep(10);
        },
        true);
    ASSERT_TRUE(partner.Holding());
    const ULONGLONG started = GetTickCount64();
    {
        const UninstallerHomeLock lock(300, name.c_str());
        EXPECT_EQ(lock.Result(), Outcome::TimedOut);
        EXPECT_FALSE(lock.Held());
    }
    EXPECT_GE(GetTickCount64() - started, 290u) << "gave up before the bound";
    waited = true;
}

// A program that takes the name as another kind of object (in the namespace
// only an administrator's can) leaves the loader to go on as a lone loader
// would, at once rather than after the bound.
TEST(UninstallerHomeLock, ANameTakenByAnotherKindOfObjectLeavesTheRunUnlocked)
{
    const std::string name = UniqueName();
    const NamespacedMutex squatter(name, true);
    ASSERT_TRUE(squatter.mutex);
    const DWORD started = GetTickCount();
    const UninstallerHomeLock lock(20000, name.c_str());
    EXPECT_EQ(lock.Result(), Outcome::Unavailable);
    EXPECT_FALSE(lock.Held());
    EXPECT_LT(GetTickCount() - started, 10000u) << "waited for an object it could not have";
}

// What any program can make ahead of the loader: the global name and the
// namespace's alias, held. In the Administrators' namespace none of them is
// the lock. Wine has none: there the loader takes the global name, which such
// a squatter holds, and waits out its bound.
TEST(UninstallerHomeLock, OnlyTheAdministratorsNamespaceKeepsSquattersOut)
{
    const std::string name = UniqueName(), alias = kLoaderNamespace;
    const UniqueHandle global(CreateMutexA(nullptr, TRUE, ("Global\\" + alias + "." + name).c_str()));
    const UniqueHandle aliased(CreateMutexA(nullptr, TRUE, ("Global\\" + alias).c_str()));
    ASSERT_TRUE(global && aliased);
    std::atomic<bool> inNamespace{false};
    std::atomic<Outcome> outcome{Outcome::Unavailable};
    std::thread([&] { // the squatter's mutexes are this thread's own
        inNamespace = LoaderNamespace().Result() == LoaderNamespace::State::Open;
        outcome = UninstallerHomeLock(300, name.c_str()).Result();
    }).join();
    EXPECT_EQ(outcome, inNamespace ? Outcome::Taken : Outcome::TimedOut);
    const LoaderNamespace space;
    EXPECT_EQ(UninstallerHomeLockPath(space, alias.c_str(), name.c_str()),
              inNamespace ? alias + "\\" + name : "Global\\" + alias + "." + name);
}

LRESULT CALLBACK CountingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_APP)
        reinterpret_cast<std::atomic<int>*>(GetWindowLongPtrA(window, GWLP_USERDATA))->fetch_add(1);
    return DefWindowProcA(window, message, wParam, lParam);
}

TEST(UninstallerHomeLock, TheWaitersWindowIsAnsweredWhileAPartnerHoldsIt)
{
    WNDCLASSA type = {};
    type.lpfnWndProc = CountingProc;
    type.hInstance = GetModuleHandleA(nullptr);
    type.lpszClassName = "QueltLockTestWindow";
    RegisterClassA(&type);
    const HWND window = CreateWindowA(type.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                      type.hInstance, nullptr);
    ASSERT_NE(window, nullptr);
    std::atomic<int> answered{0};
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&answered));

    // The partner lets go only once the waiter has answered its window: a
    // waiter that does not service its messages times out instead.
    const std::string name = UniqueName();
    Partner partner(
        name,
        [&] {
            PostMessageA(window, WM_APP, 0, 0);
            for (int i = 0; i < 1000 && answered == 0; ++i)
                Sleep(10);
        },
        true);
    ASSERT_TRUE(partner.Holding());
    const UninstallerHomeLock lock(30000, name.c_str());
    EXPECT_EQ(lock.Result(), Outcome::Taken);
    EXPECT_EQ(answered, 1);
    DestroyWindow(window);
}

} // namespace
