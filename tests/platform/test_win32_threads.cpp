// Threads and sleeping: the mixing thread's life cycle as the player drives it.
#include <gtest/gtest.h>

#include <atomic>

#include "platform/headless/headless.h"
#include "platform/platform_api.h"

namespace {

struct Flags {
    std::atomic<bool> stop{false};
    std::atomic<bool> finished{false};
    std::atomic<int> passes{0};
};

DWORD WINAPI PollingThread(LPVOID parameter)
{
    Flags* flags = static_cast<Flags*>(parameter);
    while (!flags->stop.load()) {
        flags->passes++;
        Sleep(5);
    }
    flags->finished = true;
    return 0;
}

DWORD WINAPI QuickThread(LPVOID parameter)
{
    static_cast<Flags*>(parameter)->finished = true;
    return 0;
}

TEST(Win32Threads, ThreadRunsWithItsArgumentAtRaisedPriorityAndStopsOnRequest)
{
    HeadlessReset();
    Flags flags;
    DWORD id = 0;
    HANDLE thread = CreateThread(nullptr, 0, PollingThread, &flags, 0, &id);
    ASSERT_NE(thread, nullptr);
    EXPECT_NE(id, 0u);
    EXPECT_TRUE(SetThreadPriority(thread, THREAD_PRIORITY_TIME_CRITICAL));
    while (flags.passes.load() < 2) Sleep(1);
    flags.stop = true;
    while (!flags.finished.load()) Sleep(10);
    EXPECT_GE(HeadlessSleepCount(5), 2);
    // The handle outlives the thread; it can be closed afterwards, once.
    EXPECT_TRUE(SetThreadPriority(thread, THREAD_PRIORITY_NORMAL));
    EXPECT_TRUE(CloseHandle(thread));
    EXPECT_FALSE(CloseHandle(thread));
    HeadlessReset();
}

TEST(Win32Threads, HandleClosedWhileRunningReleasesItselfAtTheEnd)
{
    Flags flags;
    HANDLE thread = CreateThread(nullptr, 0, PollingThread, &flags, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    EXPECT_TRUE(CloseHandle(thread));
    EXPECT_FALSE(SetThreadPriority(thread, THREAD_PRIORITY_TIME_CRITICAL));  // no longer a handle
    flags.stop = true;
    while (!flags.finished.load()) Sleep(1);
    HeadlessReset();
}

TEST(Win32Threads, BadHandlesAndProceduresAreRefused)
{
    int not_a_thread = 0;
    EXPECT_FALSE(CloseHandle(&not_a_thread));
    EXPECT_FALSE(CloseHandle(nullptr));
    EXPECT_FALSE(SetThreadPriority(&not_a_thread, THREAD_PRIORITY_TIME_CRITICAL));
    EXPECT_EQ(CreateThread(nullptr, 0, nullptr, nullptr, 0, nullptr), nullptr);
}

TEST(Win32Threads, ManyShortThreadsNeverClosedStayHarmless)
{
    // The player never closes its thread handle: such threads must not break the process.
    Flags flags[8];
    for (Flags& f : flags)
        ASSERT_NE(CreateThread(nullptr, 0, QuickThread, &f, 0, nullptr), nullptr);
    for (Flags& f : flags)
        while (!f.finished.load()) Sleep(1);
}

}  // namespace
