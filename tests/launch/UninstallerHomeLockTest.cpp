// The lock that lets one loader at a time put the uninstaller in place: a
// file in the home held with no sharing. What a waiter learns from a partner
// that finishes, is killed holding it or hangs, a third loader behind a
// second, and that the waiter's window is answered throughout. A handle of
// this process, or of a child it was given to, stands for a partner loader.
#include "launch/UninstallerHomeLock.h"

#include "Driver.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

namespace {

using Outcome = UninstallerHomeLock::Outcome;

// A partner loader's hold on the lock file of `home`.
UniqueFile HoldLock(const std::string& home, bool inheritable = false)
{
    SECURITY_ATTRIBUTES attributes = {sizeof attributes, nullptr, inheritable};
    return UniqueFile(CreateFileA((home + kUninstallerHomeLockFile).c_str(), DELETE, 0, &attributes, OPEN_ALWAYS,
                                  FILE_FLAG_DELETE_ON_CLOSE, nullptr));
}

TEST(UninstallerHomeLock, AFreeLockIsTakenAndGivenBackOnLeavingScope)
{
    driver::ScratchDir home("lock");
    {
        const UninstallerHomeLock lock(home.Path().c_str(), 1000);
        EXPECT_EQ(lock.Result(), Outcome::Taken);
        EXPECT_TRUE(lock.Held());
        EXPECT_FALSE(HoldLock(home.Path())) << "a second holder got the file";
    }
    EXPECT_FALSE(driver::FileExists(home / kUninstallerHomeLockFile)) << "the file outlived its lock";
    EXPECT_EQ(UninstallerHomeLock(home.Path().c_str(), 1000).Result(), Outcome::Taken) << "not given back";
}

// The system closes a killed process's handles: its lock goes with it.
TEST(UninstallerHomeLock, APartnerKilledHoldingItLeavesItFree)
{
    driver::ScratchDir home("lock");
    UniqueFile held = HoldLock(home.Path(), true);
    ASSERT_TRUE(held);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION partner = {};
    const std::string program = driver::BinPath("VutUndo.exe");
    ASSERT_TRUE(CreateProcessA(program.c_str(), nullptr, nullptr, nullptr, TRUE, CREATE_SUSPENDED, nullptr, nullptr,
                               &startup, &partner));
    const UniqueHandle process(partner.hProcess), thread(partner.hThread);
    held.reset(); // the partner's inherited handle alone holds it now
    EXPECT_EQ(UninstallerHomeLock(home.Path().c_str(), 300).Result(), Outcome::TimedOut);
    TerminateProcess(process.get(), 0xDEAD);
    WaitForSingleObject(process.get(), 10000);
    EXPECT_EQ(UninstallerHomeLock(home.Path().c_str(), 10000).Result(), Outcome::Taken);
}

TEST(UninstallerHomeLock, APartnerThatHangsIsWaitedForOnlyUntilTheBound)
{
    driver::ScratchDir home("lock");
    const UniqueFile held = HoldLock(home.Path());
    ASSERT_TRUE(held);
    const ULONGLONG started = GetTickCount64();
    {
        const UninstallerHomeLock lock(home.Path().c_str(), 300);
        EXPECT_EQ(lock.Result(), Outcome::TimedOut);
        EXPECT_FALSE(lock.Held());
    }
    EXPECT_GE(GetTickCount64() - started, 290u) << "gave up before the bound";
}

// A folder in the file's place, or no home at all, leaves the loader to go
// on as a lone loader would, at once rather than after the bound.
TEST(UninstallerHomeLock, ALockThatCannotBeMadeLeavesTheRunUnlockedAtOnce)
{
    driver::ScratchDir home("lock");
    ASSERT_TRUE(CreateDirectoryA((home / kUninstallerHomeLockFile).c_str(), nullptr));
    const ULONGLONG started = GetTickCount64();
    EXPECT_EQ(UninstallerHomeLock(home.Path().c_str(), 20000).Result(), Outcome::Unavailable);
    EXPECT_EQ(UninstallerHomeLock((home / "missing\\").c_str(), 20000).Result(), Outcome::Unavailable);
    EXPECT_LT(GetTickCount64() - started, 10000u) << "waited for a file it could not have";
}

// The first partner lets go once a second waits; a third that comes while
// the second holds it waits for the second, whoever made the file.
TEST(UninstallerHomeLock, AThirdLoaderWaitsForTheSecondOnceTheFirstHasLetGo)
{
    driver::ScratchDir home("lock");
    UniqueFile first = HoldLock(home.Path());
    ASSERT_TRUE(first);
    std::atomic<bool> secondHolds{false};
    std::atomic<Outcome> second{Outcome::Unavailable};
    const UniqueHandle thirdDone(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    std::thread secondLoader([&] {
        const UninstallerHomeLock lock(home.Path().c_str(), 30000);
        second = lock.Result();
        secondHolds = true;
        WaitForSingleObject(thirdDone.get(), 30000);
    });
    first.reset();
    ASSERT_TRUE(driver::WaitUntil([&] { return secondHolds.load(); }, 30000));
    EXPECT_EQ(second, Outcome::Taken);
    EXPECT_EQ(UninstallerHomeLock(home.Path().c_str(), 300).Result(), Outcome::TimedOut) << "the third ran unlocked";
    SetEvent(thirdDone.get());
    secondLoader.join();
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
    driver::ScratchDir home("lock");
    UniqueFile held = HoldLock(home.Path());
    ASSERT_TRUE(held);
    std::thread partner([&] {
        PostMessageA(window, WM_APP, 0, 0);
        driver::WaitUntil([&] { return answered > 0; }, 10000);
        held.reset();
    });
    const UninstallerHomeLock lock(home.Path().c_str(), 30000);
    partner.join();
    EXPECT_EQ(lock.Result(), Outcome::Taken);
    EXPECT_EQ(answered, 1);
    DestroyWindow(window);
}

} // namespace
